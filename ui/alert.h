// Alerts: every error of the plug-in reaches the user as one sentence (the
// message for its status code, " while ", the formatted context and a full
// stop) in the alert dialog 6000 with a stop icon, with an optional line of
// advice below it. The same dialog serves notes and two-button questions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/string_table.h"

struct UiState;

// Icon kinds; any other value is an icon resource id.
enum UiAlertIcon : int32_t { kUiAlertStop = 0, kUiAlertCaution = 1, kUiAlertNote = 2 };

struct UiAlert {
    const char* message;
    const char* advice;  // or null
    int32_t icon;        // UiAlertIcon or a resource id
    int32_t buttons;     // 1 or 2
    const char* label1;  // or null: "OK"
    const char* label2;  // or null: "Cancel"
};

// Items of the alert dialog.
enum UiAlertItem : int32_t {
    kUiAlertButton1 = 1,
    kUiAlertButton2 = 2,
    kUiAlertMessage = 3,
    kUiAlertAdvice = 4,
    kUiAlertIconItem = 5,
};

// A sentence holds at most this many bytes with its terminator.
constexpr size_t kUiAlertTextCapacity = 1024;

// Shows the alert (after a system beep when asked); pressed gets the button
// (1 or 2). Returns the dialog framework's status.
int32_t Ui_Alert_Show(UiState* state, const UiAlert* alert, int32_t beep, int32_t* pressed);

// The stop alert; with no advice it is the one-button alert.
int32_t Ui_Alert_Stop(UiState* state, const char* message, const char* advice, const char* label,
                      int32_t beep);
// One-button alerts with the stop and the note icon.
int32_t Ui_Alert_StopOne(UiState* state, const char* message, const char* label, int32_t beep);
int32_t Ui_Alert_Note(UiState* state, const char* message, const char* label, int32_t beep);
// Question: caution icon, two buttons; pressed gets 1 or 2.
int32_t Ui_Alert_Question(UiState* state, const char* message, const char* label1,
                          const char* label2, int32_t beep, int32_t* pressed);

// The error sentence for code with an optional context: "<message> while
// <context>." Cut at capacity - 1 and always terminated.
void Ui_Alert_ErrorSentence(UiState* state, int32_t code, const char* context, char* sentence,
                            size_t capacity);

// Shows the error sentence with the stop icon and the advice; always returns
// code. Code kUiErrCancelled shows nothing.
int32_t Ui_Alert_DoOrvexError(UiState* state, int32_t code, const char* context,
                              const char* advice);

// String id of the advice for a code (0 when it has none): kUiErrOpen 2000,
// kUiErrRead and kUiErrSeek 2001, kUiErrWrite 2002, kUiErrFormat 2003.
StringId Ui_Alert_AdviceId(int32_t code);

// The error report of the plug-in: the advice, when none is given, chosen by
// code; then Ui_Alert_DoOrvexError. With no state it only returns the code.
int32_t Ui_Alert_ReportError(UiState* state, int32_t code, const char* context, const char* advice);
// The same with the context taken from string contextId and formatted with
// the arguments ("reading Preferences file %s", path).
int32_t Ui_Alert_ReportErrorf(UiState* state, int32_t code, StringId contextId, const char* advice,
                              ...);
