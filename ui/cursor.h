// The mouse cursors: the system's arrow and wait cursors and the plug-in's
// own (cursor resources).
#pragma once

#include <cstdint>

enum UiCursor : int32_t {
    kUiCursorArrow = 0,
    kUiCursorWait = 1,
    kUiCursorEyedropper = 1010,
    kUiCursorEyedropperDown = 1011,
    kUiCursorZoomIn = 1012,
    kUiCursorZoomOut = 1013,
    kUiCursorHand = 1014,
};

int32_t Ui_Cursor_Set(int32_t cursor);
int32_t Ui_Cursor_Current();
