#include "ui/status.h"

namespace {
struct StatusEntry {
    int32_t code;
    StringId messageId;
    const char* name;
};

constexpr StatusEntry kStatusTable[] = {
#define UI_STATUS_ROW(name, code, msgId) {code, msgId, #name},
    UI_STATUS_LIST(UI_STATUS_ROW)
#undef UI_STATUS_ROW
};
}  // namespace

StringId Ui_StatusMessageId(int32_t status) {
    for (const StatusEntry& e : kStatusTable)
        if (e.code == status) return e.messageId;
    return kStrMsgUnknown;
}

const char* Ui_StatusName(int32_t status) {
    for (const StatusEntry& e : kStatusTable)
        if (e.code == status) return e.name;
    return "unknown status";
}
