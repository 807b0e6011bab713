// The plug-in's error report: the code's sentence with a context, and the
// advice that goes with the code unless the caller gives its own.
#pragma once

#include <cstdint>

struct UiState;

// Shows the error through the library's alert; without a state it only
// returns the code. Returns code.
int32_t ReportError(UiState* state, int32_t code, const char* context, const char* advice);

// The same with the context taken from the string table and formatted with
// one number and one text (either may be unused by the string).
int32_t ReportErrorAt(UiState* state, int32_t code, int32_t contextId, int32_t number,
                      const char* text);

// Context strings of the error reports.
enum ErrorContext : int32_t {
    kContextCreatingFile = 3002,
    kContextReadingPrefs = 3010,
    kContextUpdatingPrefs = 3011,
    kContextReadingImage = 3012,
    kContextProcessingScanline = 3016,
    kContextAdvancingState = 3024,
    kContextReadingPref = 3025,
    kContextReadingPrefDefault = 3026,
    kContextVerifyingSpace = 3027,
    kContextReadingScript = 3031,
};
