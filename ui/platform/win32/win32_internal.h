// Shared between the files of the Win32 backend.
#pragma once

#include <windows.h>

#include <cstddef>

// The module whose resources the running dialog was made from; icons,
// bitmaps and cursors are loaded from it.
extern HINSTANCE gWin32ResourceInstance;
HINSTANCE Win32_ResourceInstance();

// Drawing contexts of user-item painting (Win32Dc, Win32_DcSize() bytes).
size_t Win32_DcSize();
void Win32_PrepareDc(void* dc, HDC hdc, HWND target, HWND dialog);
void Win32_FinishDc(void* dc);
