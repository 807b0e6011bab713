#include "editor/settings_file.h"
#include "engine/working_space.h"
#include "ui/alert_stand_in.h"
#include "ui/platform.h"
#include "ui/status.h"

int32_t ApplyStoredSettings(const EditPars* stored, EditPars* current) {
    if (stored == nullptr || current == nullptr) return kUiErrArg;
    if (RefRgbMatch(stored->refRGB, current->refRGB)) {
        *current = *stored;
        return kUiOk;
    }
    Plat_Beep();
    if (Ui_Alert_AskStandIn(kUiStrWorkingSpaceChanged, kUiStrUseAnyway) != kUiAskFirstButton)
        return kUiErrCancelled;
    // The settings are used in the document's working space.
    const RefRGB documentSpace = current->refRGB;
    *current = *stored;
    current->refRGB = documentSpace;
    return kUiOk;
}
