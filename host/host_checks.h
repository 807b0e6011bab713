// Does the host offer what the start stage needs? Each check returns true
// when it does, and otherwise shows a warning naming the host version that
// introduced the service.
#pragma once

#include <cstddef>
#include <cstdint>

bool Host_HasAdvanceState();
bool Host_HasDisplayPixels();

// Replaces the placeholders "^0", "^1" and "^2" of text with args[0..2]; a
// placeholder without an argument becomes empty. Output is cut at capacity - 1
// and always terminated.
void Host_ExpandPlaceholders(char* out, size_t capacity, const char* text, const char* const* args,
                             int32_t argCount);

// The version text of a number: decimals digits after the point; with
// dottedLast the second-to-last character becomes a point (2.502 -> "2.5.2").
void Host_FormatVersion(char* out, size_t capacity, double version, int32_t decimals,
                        bool dottedLast);
