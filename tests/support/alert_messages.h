// The sentences of the alert dialogs the program showed since the last reset
// of the headless backend, in order.
#pragma once

#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "ui/alert.h"
#include "ui/platform/headless/headless_dialogs.h"

inline std::vector<std::string> AlertMessages() {
    std::vector<std::string> out;
    for (int32_t i = 0; i < Headless_DialogCount(); ++i) {
        const HeadlessDialog* d = Headless_Dialog(i);
        if (d != nullptr && d->id == kDialogAlert) out.push_back(d->Item(kUiAlertMessage)->text);
    }
    return out;
}
