// The About box: dialog 6002 with the product picture and the notice lines.
#pragma once

#include <cstdint>

struct UiState;

// Runs the box until one of its items 1 to 4 is hit; returns the dialog
// framework's status.
int32_t RunAboutBox(UiState* state);
