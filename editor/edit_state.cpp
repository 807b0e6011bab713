#include "editor/edit_state.h"

#include <cstring>

void InitEditState(EditState* edit, const EditPars& previous) {
    // Hosts hand out uncleared memory: every pointer the start frees must
    // begin null, so the whole record is cleared, not just some fields.
    std::memset(edit, 0, sizeof *edit);
    edit->filterStage = 1;
    edit->pars = previous;
    edit->startPars = previous;
    edit->filters = FilterSettingsOf(previous);
}
