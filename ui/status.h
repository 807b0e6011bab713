// Status codes shared by the whole program. Every operation returns one of
// these as an int32_t; callers test it and pass it up. The list also names
// the string-table entry that holds each code's user-facing message.
#pragma once

#include <cstdint>

//        name                code  message string id
#define UI_STATUS_LIST(X)          \
    X(kUiOk, 0, 0)                 \
    X(kUiErrArg, -1, 6000)         \
    X(kUiErrGeneral, -2, 6001)     \
    X(kUiErrMemory, -3, 6002)      \
    X(kUiErrOpen, -4, 6003)        \
    X(kUiErrRead, -5, 6004)        \
    X(kUiErrWrite, -6, 6005)       \
    X(kUiErrSeek, -7, 6006)        \
    X(kUiErrFormat, -8, 6007)      \
    X(kUiErrUnsupported, -9, 6008) \
    X(kUiErrCancelled, -10, 0)     \
    X(kUiErrTimeout, -11, 6009)

enum UiStatus : int32_t {
#define UI_STATUS_ENUM(name, code, msgId) name = code,
    UI_STATUS_LIST(UI_STATUS_ENUM)
#undef UI_STATUS_ENUM
};

// String id of the message for a code: 6010 ("An unknown error occurred") for
// codes outside the list, 0 for success and for a cancel (never reported).
int32_t Ui_StatusMessageId(int32_t status);

// Short symbolic name ("kUiErrRead") for logs and test output.
const char* Ui_StatusName(int32_t status);

// Propagate a failing status to the caller.
#define UI_TRY(expr)                                        \
    do {                                                    \
        int32_t ui_try_status_ = (expr);                    \
        if (ui_try_status_ != kUiOk) return ui_try_status_; \
    } while (0)
