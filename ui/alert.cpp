#include "ui/alert.h"

#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr int32_t kWhileStringId = 6050;
constexpr size_t kAlertCapacity = 1024;
}  // namespace

void Ui_Alert_ErrorSentence(UiState* state, int32_t code, const char* context, char* out,
                            size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    char message[256];
    Ui_ResToCString(state, Ui_StatusMessageId(code), message, sizeof message);
    if (context == nullptr || context[0] == 0) {
        Ui_Sprintf(out, capacity, "%s", message);
        return;
    }
    char joint[32];
    Ui_ResToCString(state, kWhileStringId, joint, sizeof joint);
    Ui_Sprintf(out, capacity, "%s%s%s.", message, joint, context);
}

int32_t Ui_Alert_DoOrvexError(UiState* state, int32_t code, const char* context,
                              const char* advice) {
    const uint8_t level = state != nullptr ? state->diagnostics : 0;
    Ui_Debug_Logf(level, "Ui_Alert_DoOrvexError %d", int(code));
    if (code == kUiErrCancelled) return code;
    char sentence[kAlertCapacity];
    Ui_Alert_ErrorSentence(state, code, context, sentence, sizeof sentence);
    Ui_Debug_Log(level, sentence);
    char text[kAlertCapacity];
    if (advice != nullptr && advice[0] != 0)
        Ui_Sprintf(text, sizeof text, "%s\n\n%s", sentence, advice);
    else
        Ui_Sprintf(text, sizeof text, "%s", sentence);
    Plat_MessageBox(text, state != nullptr ? state->appName : " ", kPlatBoxStop);
    return code;
}

int32_t Ui_Alert_Stop(UiState* state, const char* message) {
    Plat_MessageBox(message, state != nullptr ? state->appName : " ", kPlatBoxStop);
    return kUiOk;
}

int32_t Ui_Alert_Question(UiState* state, const char* message, const char* label1,
                          const char* label2, bool beep, int32_t* pressed) {
    if (state == nullptr || pressed == nullptr) return kUiErrArg;
    if (beep) Plat_Beep();
    *pressed = Plat_QuestionBox(message, state->appName, label1, label2);
    return kUiOk;
}
