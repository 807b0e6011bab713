// The compiled transform the filtering pass applies. The settings compiler
// plugs in here: until it does, the pass is given the identity transform of
// the document's sample size, so that every other step of the pass (strips,
// noise removal, sharpening, selection, depth conversion) runs for real.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Compiles edit->pars into edit->transform (releasing any earlier one) for
// bytesPerSample 1 or 2. 0, or -3 when memory is short (no transform then).
int32_t CompileForPass(EditState* edit, int32_t bytesPerSample);

// Releases the run's transform and images; nothing for a null state.
void FreeEditParsStuff(EditState* edit);
