#include "ui/alert_stand_in.h"

#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {

constexpr int32_t kStrWhile = 6050;
constexpr int32_t kTextCapacity = 512;

int32_t gAskAnswer = kUiAskFirstButton;
int32_t gLastAsked = 0;

// Hint string by status code; 0 for none.
int32_t HintId(int32_t status) {
    switch (status) {
        case kUiErrOpen:
            return 2000;
        case kUiErrRead:
        case kUiErrSeek:
            return 2001;
        case kUiErrWrite:
            return 2002;
        case kUiErrFormat:
            return 2003;
        default:
            return 0;
    }
}

void Load(int32_t id, char* buffer) {
    if (Plat_LoadString(Plat_ModuleInstance(), id, buffer, kTextCapacity) < 0) buffer[0] = 0;
}

}  // namespace

void Ui_Alert_StandInText(int32_t status, int32_t contextStringId, char* text, int32_t capacity) {
    if (text == nullptr || capacity <= 0) return;
    char message[kTextCapacity], join[kTextCapacity], context[kTextCapacity], hint[kTextCapacity];
    Load(Ui_StatusMessageId(status), message);
    Load(kStrWhile, join);
    Load(contextStringId, context);
    const int32_t hintId = HintId(status);
    if (hintId != 0) {
        Load(hintId, hint);
        Ui_Sprintf(text, size_t(capacity), "%s%s%s.\n\n%s", message, join, context, hint);
    } else {
        Ui_Sprintf(text, size_t(capacity), "%s%s%s.", message, join, context);
    }
}

int32_t Ui_Alert_ReportStandIn(int32_t status, int32_t contextStringId) {
    if (status == kUiOk || status == kUiErrCancelled) return status;
    char text[2 * kTextCapacity];
    Ui_Alert_StandInText(status, contextStringId, text, int32_t(sizeof text));
    Ui_Debug_Log(1, text);
    return status;
}

int32_t Ui_Alert_AskStandIn(int32_t messageStringId, int32_t buttonStringId) {
    char message[kTextCapacity], button[kTextCapacity];
    Load(messageStringId, message);
    Load(buttonStringId, button);
    Ui_Debug_Logf(1, "%s [%s]", message, button);
    gLastAsked = messageStringId;
    return gAskAnswer;
}

void Ui_Alert_SetAskAnswerStandIn(int32_t answer) {
    gAskAnswer = answer;
    gLastAsked = 0;
}

int32_t Ui_Alert_LastAskedStandIn() {
    return gLastAsked;
}

void Ui_Alert_WarnStandIn(int32_t stringId, int32_t value) {
    char format[kTextCapacity], text[kTextCapacity];
    Load(stringId, format);
    Ui_Sprintf(text, sizeof text, format, int(value));
    Ui_Debug_Log(1, text);
}
