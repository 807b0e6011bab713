// Requests to the watcher of the test script (scripts/wine-tests.sh), which
// runs beside the programs on the same display: screenshots of a window and
// real input events (xdotool clicks and keys at screen coordinates). A
// request is the file screenshots/<name>.request (a window's geometry) or
// screenshots/<name>.input (xdotool's arguments), written whole and then
// renamed into place; the watcher answers with <name>.done, which holds "ok"
// or what went wrong. <name>.picture asks for screenshots/<name>.bmp,
// written by the program, to be converted into <name>.png.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

enum ScreenRequest : uint8_t { kScreenShot, kScreenInput, kScreenPicture };

// Starts a request and returns at once; false when its file cannot be written.
bool Screen_Ask(const char* name, ScreenRequest kind, const char* line);
// The pixels of a window as it painted them (read from its device context)
// written to screenshots/<name>.bmp, and a request (<name>.picture) that
// the watcher turn them into <name>.png; false when they cannot be written.
bool Screen_AskPicture(const char* name, HWND window);
// True once the watcher has answered name (its text in answer, the request's
// files removed); false while it has not.
bool Screen_Answered(const char* name, char* answer, size_t capacity);

// A screenshot of the window into screenshots/<name>.png, waited for while
// this thread's messages are pumped. False with the reason in why.
bool Screen_Shot(HWND window, const char* name, char* why, size_t capacity);

// The geometry (WxH+X+Y) of a window on the screen, as a request names it.
void Screen_Geometry(HWND window, char* line, size_t capacity);
// xdotool's arguments for a left click at the middle of a dialog's item.
void Screen_ClickLine(HWND dialog, int32_t item, char* line, size_t capacity);

// Dispatches this thread's messages for the given time.
void PumpFor(DWORD milliseconds);
