#include "editor/report_error.h"

#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// The advice that goes with a code when the caller gives none.
int32_t AdviceFor(int32_t code) {
    switch (code) {
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

}  // namespace

int32_t ReportError(UiState* state, int32_t code, const char* context, const char* advice) {
    if (state == nullptr) return code;
    char text[512];
    if (advice == nullptr && AdviceFor(code) != 0 &&
        Ui_ResToCString(state, AdviceFor(code), text, sizeof text) == kUiOk)
        advice = text;
    return Ui_Alert_DoOrvexError(state, code, context, advice);
}

int32_t ReportErrorAt(UiState* state, int32_t code, int32_t contextId, int32_t number,
                      const char* text) {
    if (state == nullptr) return code;
    char format[256];
    char context[512];
    Ui_ResToCString(state, contextId, format, sizeof format);
    if (text == nullptr) text = "";
    // The formatter takes its arguments in order, each as its conversion
    // says: the first conversion of the string decides the order and width.
    const char* p = format;
    while (*p != 0 && !(p[0] == '%' && p[1] != '%' && p[1] != 0)) p += p[0] == '%' ? 2 : 1;
    if (*p == 0 || p[1] == 's')
        Ui_Sprintf(context, sizeof context, format, text, int(number));
    else if (p[1] == 'l')
        Ui_Sprintf(context, sizeof context, format, long(number), text);
    else
        Ui_Sprintf(context, sizeof context, format, int(number), text);
    return ReportError(state, code, context, nullptr);
}
