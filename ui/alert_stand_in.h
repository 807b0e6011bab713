// Stand-in for the error alert until the alert dialog is built: the sentence
// the alert will show, "<message by status> while <context>.", and the hint
// some codes add, go to the diagnostics log (always written).
#pragma once

#include <cstdint>

// Context texts of the string table used through the stand-in.
constexpr int32_t kUiStrCreatingTintwork = 3019;
constexpr int32_t kUiStrWorkingSpaceChanged = 1070;  // question, button 1071 "Use Anyway"
constexpr int32_t kUiStrUseAnyway = 1071;
constexpr int32_t kUiStrInvalidMeasurements = 1074;  // warning with a count

// Nothing is reported for success or a cancel. Returns status.
int32_t Ui_Alert_ReportStandIn(int32_t status, int32_t contextStringId);

// The sentence (terminated, cut to capacity) without logging it; the hint,
// when the code has one, follows after an empty line.
void Ui_Alert_StandInText(int32_t status, int32_t contextStringId, char* text, int32_t capacity);

// Answers of a question: the first button (going on) or the cancel button.
enum UiAskAnswer : int32_t { kUiAskFirstButton = 1, kUiAskCancel = 2 };

// Stand-in for a two-button question (message string and first button's
// string) until the alert dialog is built: the question goes to the
// diagnostics log and the answer set by Ui_Alert_SetAskAnswerStandIn (the
// first button unless told otherwise) is returned.
int32_t Ui_Alert_AskStandIn(int32_t messageStringId, int32_t buttonStringId);
void Ui_Alert_SetAskAnswerStandIn(int32_t answer);
// The message string of the last question asked (0 when none since the
// answer was last set), for tests.
int32_t Ui_Alert_LastAskedStandIn();

// Stand-in for a warning whose string holds one "%d": the text goes to the
// diagnostics log.
void Ui_Alert_WarnStandIn(int32_t stringId, int32_t value);
