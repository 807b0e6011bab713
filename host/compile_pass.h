// The compiled transform the filtering pass applies: the run's settings
// compiled for the document's sample size.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"

// Compiles edit->pars against the read view into edit->transform (releasing
// any earlier one) for bytesPerSample 1 or 2, through the routine every
// compile from a view shares. kUiOk, or the compiler's error, which it has reported
// (no transform then).
int32_t CompileForPass(EditState* edit, int32_t bytesPerSample);

// Releases the run's transform and images; nothing for a null state.
void FreeEditParsStuff(EditState* edit);
