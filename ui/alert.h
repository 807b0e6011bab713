// Alerts: an error turned into a sentence ("message while context.") with a
// line of advice, and questions with two buttons. They are shown as the
// platform's message box until the alert dialog is drawn by the dialog
// framework; the sentence, the advice and the results are already final.
#pragma once

#include <cstddef>
#include <cstdint>

struct UiState;

// The sentence for code: the code's message, then " while ", the context and
// a full stop when a context is given. Always terminated, cut at capacity - 1.
void Ui_Alert_ErrorSentence(UiState* state, int32_t code, const char* context, char* out,
                            size_t capacity);

// Logs and shows the error; a cancel (-10) shows nothing. Returns code.
int32_t Ui_Alert_DoOrvexError(UiState* state, int32_t code, const char* context,
                              const char* advice);

// Stop box with the message and an OK button.
int32_t Ui_Alert_Stop(UiState* state, const char* message);

// Caution box with two buttons; *pressed receives 1 or 2. 0, or -1 without a
// state or result slot.
int32_t Ui_Alert_Question(UiState* state, const char* message, const char* label1,
                          const char* label2, bool beep, int32_t* pressed);
