// Status codes shared by the whole program. Every operation returns one of
// these as an int32_t; callers test it and pass it up. The list also names
// the string-table entry that holds each code's user-facing message.
#pragma once

#include <cstdint>

#include "resources/string_table.h"

//        name                code  message string
#define UI_STATUS_LIST(X)                        \
    X(kUiOk, 0, kStrNone)                        \
    X(kUiErrArg, -1, kStrMsgProblem)             \
    X(kUiErrGeneral, -2, kStrMsgError)           \
    X(kUiErrMemory, -3, kStrMsgMemory)           \
    X(kUiErrOpen, -4, kStrMsgOpen)               \
    X(kUiErrRead, -5, kStrMsgRead)               \
    X(kUiErrWrite, -6, kStrMsgWrite)             \
    X(kUiErrSeek, -7, kStrMsgSeek)               \
    X(kUiErrFormat, -8, kStrMsgFormat)           \
    X(kUiErrUnsupported, -9, kStrMsgUnsupported) \
    X(kUiErrCancelled, -10, kStrNone)            \
    X(kUiErrTimeout, -11, kStrMsgTimeout)

enum UiStatus : int32_t {
#define UI_STATUS_ENUM(name, code, msgId) name = code,
    UI_STATUS_LIST(UI_STATUS_ENUM)
#undef UI_STATUS_ENUM
};

// The message for a code: kStrMsgUnknown ("An unknown error occurred") for
// codes outside the list, kStrNone for success and for a cancel (never
// reported).
StringId Ui_StatusMessageId(int32_t status);

// Short symbolic name ("kUiErrRead") for logs and test output.
const char* Ui_StatusName(int32_t status);

// Propagate a failing status to the caller.
#define UI_TRY(expr)                                        \
    do {                                                    \
        int32_t ui_try_status_ = (expr);                    \
        if (ui_try_status_ != kUiOk) return ui_try_status_; \
    } while (0)
