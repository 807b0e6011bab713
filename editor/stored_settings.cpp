#include "editor/settings_file.h"
#include "engine/working_space.h"
#include "ui/alert.h"
#include "ui/state.h"
#include "ui/status.h"

int32_t ApplyStoredSettings(UiState* state, const EditPars* stored, EditPars* current,
                            int32_t beep) {
    if (stored == nullptr || current == nullptr) return kUiErrArg;
    if (RefRgbMatch(stored->refRGB, current->refRGB)) {
        *current = *stored;
        return kUiOk;
    }
    char text[kUiStringCapacity], useAnyway[kUiStringCapacity];
    int32_t pressed = 2;
    Ui_Alert_Question(state, Ui_ResString(state, kStrWorkingSpaceChanged, text),
                      Ui_ResString(state, kStrUseAnyway, useAnyway), nullptr, beep, &pressed);
    if (pressed != 1) return kUiErrCancelled;
    // The settings are used in the document's working space.
    const RefRGB documentSpace = current->refRGB;
    *current = *stored;
    current->refRGB = documentSpace;
    return kUiOk;
}
