// The plug-in's error report: the code's sentence with a context, and the
// advice that goes with the code unless the caller gives its own.
#pragma once

#include <cstdint>

#include "resources/string_table.h"

struct UiState;

// The error alert with the context taken from the string table and formatted with
// one number and one text (either may be unused by the string).
int32_t ReportErrorAt(UiState* state, int32_t code, StringId contextId, int32_t number,
                      const char* text);
