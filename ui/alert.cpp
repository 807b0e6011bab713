#include "ui/alert.h"

#include <cstdarg>
#include <cstring>

#include "resources/dialog_table.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/draw.h"
#include "ui/platform.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
constexpr int32_t kLabelMargin = 20;  // pixels beside a button's label

struct AdviceRule {
    int32_t code;
    StringId adviceId;
};
constexpr AdviceRule kAdvice[] = {
    {kUiErrOpen, kStrAdviceFileAccess}, {kUiErrRead, kStrAdviceCorrupted},
    {kUiErrSeek, kStrAdviceCorrupted},  {kUiErrWrite, kStrAdviceDiskRoom},
    {kUiErrFormat, kStrAdviceFileType},
};

// Appends text at len, stopping at capacity - 1.
void Append(char* out, size_t capacity, size_t* len, const char* text) {
    while (*text && *len + 1 < capacity) out[(*len)++] = *text++;
    out[*len] = 0;
}

int32_t IconFor(int32_t kind) {
    switch (kind) {
        case kUiAlertStop:
            return kUiIconStop;
        case kUiAlertCaution:
            return kUiIconCaution;
        case kUiAlertNote:
            return kUiIconNote;
        default:
            return kind;
    }
}

void DrawIcon(void* dialog, int32_t item, void* dc) {
    const UiAlert* alert = static_cast<const UiAlert*>(Ui_Dlg_UserData(dialog));
    UiRect r;
    if (alert == nullptr || Ui_Dlg_ItemRect(dialog, item, &r) != kUiOk) return;
    const int32_t icon = IconFor(alert->icon);
    int32_t w = 0, h = 0;
    if (Ui_Draw_IconSize(icon, &w, &h) != kUiOk) return;
    Ui_Draw_Icon(dc, r.left + (r.right - r.left - w) / 2, r.top, icon);
}

void ItemHit(void* dialog, int32_t item) {
    if (item == kUiAlertButton1 || item == kUiAlertButton2) Ui_Dlg_SetDone(dialog, item);
}

// Sets a button's label; a label that does not fit with its margin widens
// the button to the left, and widening button 1 moves button 2 along.
int32_t SetLabel(void* dialog, int32_t item, const char* label) {
    UiRect r;
    UI_TRY(Ui_Dlg_ItemRect(dialog, item, &r));
    void* dc = Ui_Draw_Begin(dialog, item);
    const int32_t needed = Ui_Draw_TextWidth(dc, label) + kLabelMargin;
    Ui_Draw_End(dc);
    const int32_t grow = needed - (r.right - r.left);
    if (grow > 0) {
        r.left = int16_t(r.left - grow);
        UI_TRY(Ui_Dlg_MoveItem(dialog, item, &r));
        if (item == kUiAlertButton1) {
            UiRect other;
            UI_TRY(Ui_Dlg_ItemRect(dialog, kUiAlertButton2, &other));
            other.left = int16_t(other.left - grow);
            other.right = int16_t(other.right - grow);
            UI_TRY(Ui_Dlg_MoveItem(dialog, kUiAlertButton2, &other));
        }
    }
    return Ui_Dlg_SetItemText(dialog, item, label);
}

int32_t AlertInit(void* dialog) {
    const UiAlert* alert = static_cast<const UiAlert*>(Ui_Dlg_UserData(dialog));
    UiState* state = Ui_Dlg_State(dialog);
    UiDlgProcs procs = {};
    procs.itemHit = ItemHit;
    UI_TRY(Ui_Dlg_SetProcs(dialog, &procs));
    Ui_Dlg_SetTitle(dialog, state->appName);
    Ui_Dlg_Focus(dialog, kUiAlertButton1);  // refused when another program is in front
    if (alert->buttons < 2) UI_TRY(Ui_Dlg_Show(dialog, kUiAlertButton2, 0));
    UI_TRY(Ui_Dlg_SetItemText(dialog, kUiAlertMessage, alert->message ? alert->message : ""));
    if (alert->advice != nullptr) UI_TRY(Ui_Dlg_SetItemText(dialog, kUiAlertAdvice, alert->advice));
    if (alert->label1 != nullptr) UI_TRY(SetLabel(dialog, kUiAlertButton1, alert->label1));
    if (alert->buttons >= 2 && alert->label2 != nullptr)
        UI_TRY(SetLabel(dialog, kUiAlertButton2, alert->label2));
    UI_TRY(Ui_Dlg_SetUserItemProc(dialog, kUiAlertIconItem, DrawIcon));
    Ui_Dlg_Center(dialog);
    return kUiOk;
}
}  // namespace

int32_t Ui_Alert_Show(UiState* state, const UiAlert* alert, int32_t beep, int32_t* pressed) {
    if (state == nullptr || alert == nullptr) return kUiErrArg;
    if (beep) Plat_Beep();
    int32_t item = 0;
    const int32_t status =
        Ui_Dlg_DoModal(state, kDialogAlert, nullptr, AlertInit, const_cast<UiAlert*>(alert), &item);
    if (pressed) *pressed = item;
    return status;
}

int32_t Ui_Alert_Stop(UiState* state, const char* message, const char* advice, const char* label,
                      int32_t beep) {
    const UiAlert alert = {message, advice, kUiAlertStop, 1, label, nullptr};
    return Ui_Alert_Show(state, &alert, beep, nullptr);
}

int32_t Ui_Alert_StopOne(UiState* state, const char* message, const char* label, int32_t beep) {
    return Ui_Alert_Stop(state, message, nullptr, label, beep);
}

int32_t Ui_Alert_Note(UiState* state, const char* message, const char* label, int32_t beep) {
    const UiAlert alert = {message, nullptr, kUiAlertNote, 1, label, nullptr};
    return Ui_Alert_Show(state, &alert, beep, nullptr);
}

int32_t Ui_Alert_Question(UiState* state, const char* message, const char* label1,
                          const char* label2, int32_t beep, int32_t* pressed) {
    const UiAlert alert = {message, nullptr, kUiAlertCaution, 2, label1, label2};
    return Ui_Alert_Show(state, &alert, beep, pressed);
}

void Ui_Alert_ErrorSentence(UiState* state, int32_t code, const char* context, char* sentence,
                            size_t capacity) {
    if (sentence == nullptr || capacity == 0) return;
    size_t len = 0;
    sentence[0] = 0;
    char text[kUiStringCapacity];
    Append(sentence, capacity, &len, Ui_ResString(state, Ui_StatusMessageId(code), text));
    if (context == nullptr) return;
    Append(sentence, capacity, &len, Ui_ResString(state, kStrWhile, text));
    Append(sentence, capacity, &len, context);
    Append(sentence, capacity, &len, ".");
}

int32_t Ui_Alert_DoOrvexError(UiState* state, int32_t code, const char* context,
                              const char* advice) {
    const uint8_t level = state ? state->diagnostics : 0;
    Ui_Debug_Logf(level, "Ui_Alert_DoOrvexError %d", int(code));
    if (code == kUiErrCancelled) return code;
    char sentence[kUiAlertTextCapacity];
    Ui_Alert_ErrorSentence(state, code, context, sentence, sizeof sentence);
    Ui_Debug_Log(level, sentence);
    Ui_Alert_Stop(state, sentence, advice, nullptr, 0);
    return code;
}

StringId Ui_Alert_AdviceId(int32_t code) {
    for (const AdviceRule& rule : kAdvice)
        if (rule.code == code) return rule.adviceId;
    return kStrNone;
}

int32_t Ui_Alert_ReportError(UiState* state, int32_t code, const char* context,
                             const char* advice) {
    if (state == nullptr) return code;
    char adviceText[kUiStringCapacity];
    const StringId adviceId = Ui_Alert_AdviceId(code);
    if (advice == nullptr && adviceId != kStrNone)
        advice = Ui_ResString(state, adviceId, adviceText);
    return Ui_Alert_DoOrvexError(state, code, context, advice);
}

int32_t Ui_Alert_ReportErrorf(UiState* state, int32_t code, StringId contextId, const char* advice,
                              ...) {
    if (state == nullptr) return code;
    char format[kUiStringCapacity];
    char context[kUiAlertTextCapacity];
    Ui_ResString(state, contextId, format);
    va_list args;
    va_start(args, advice);
    Ui_VSprintf(context, sizeof context, format, args);
    va_end(args);
    return Ui_Alert_ReportError(state, code, context, advice);
}
