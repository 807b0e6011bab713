#include "editor/report_error.h"

#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

int32_t ReportErrorAt(UiState* state, int32_t code, StringId contextId, int32_t number,
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
    return Ui_Alert_ReportError(state, code, context, nullptr);
}
