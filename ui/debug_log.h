// Diagnostics: the log file in the preferences folder, the diagnostic message
// box, and the small formatter every log line and alert text is built with.
// Only level 1 produces output; call sites pass the module's diagnostics level
// for traces and 1 for abnormal events, which are always written.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

int32_t Ui_Debug_Log(uint8_t level, const char* message);
int32_t Ui_Debug_Alert(uint8_t level, const char* message);

// Formats into buffer (capacity bytes, always terminated, cut at capacity - 1).
// Conversions: %c %s %d %ld %x %X (with width; a leading 0 pads with zeros
// after the sign) and %f (six decimals, rounded half up). Returns the number
// of conversions performed.
int32_t Ui_Sprintf(char* buffer, size_t capacity, const char* format, ...);
int32_t Ui_VSprintf(char* buffer, size_t capacity, const char* format, va_list args);

// Formats one line and logs it.
int32_t Ui_Debug_Logf(uint8_t level, const char* format, ...);
