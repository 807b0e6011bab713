#include "ui/status.h"

namespace {
struct StatusEntry {
    int32_t code;
    int32_t messageId;
    const char* name;
};

constexpr StatusEntry kStatusTable[] = {
#define UI_STATUS_ROW(name, code, msgId) {code, msgId, #name},
    UI_STATUS_LIST(UI_STATUS_ROW)
#undef UI_STATUS_ROW
};

constexpr int32_t kUnknownErrorMessageId = 6010;
}  // namespace

int32_t Ui_StatusMessageId(int32_t status) {
    for (const StatusEntry& e : kStatusTable)
        if (e.code == status) return e.messageId;
    return kUnknownErrorMessageId;
}

const char* Ui_StatusName(int32_t status) {
    for (const StatusEntry& e : kStatusTable)
        if (e.code == status) return e.name;
    return "unknown status";
}
