// Stand-in for the error alert until the alert dialog is built: the sentence
// the alert will show, "<message by status> while <context>.", and the hint
// some codes add, go to the diagnostics log (always written).
#pragma once

#include <cstdint>

// Context texts of the string table used through the stand-in.
constexpr int32_t kUiStrCreatingTintwork = 3019;

// Nothing is reported for success or a cancel. Returns status.
int32_t Ui_Alert_ReportStandIn(int32_t status, int32_t contextStringId);

// The sentence (terminated, cut to capacity) without logging it; the hint,
// when the code has one, follows after an empty line.
void Ui_Alert_StandInText(int32_t status, int32_t contextStringId, char* text, int32_t capacity);
