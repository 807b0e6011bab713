// A device context over pixels the program can read back: a 32-bit top-down
// DIB section selected into a memory context, for checks of what is drawn.
#pragma once

#include <windows.h>

#include <cstdint>

struct MemoryCanvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    uint32_t* pixels;  // 0x00RRGGBB, rows top down
    int32_t width, height;
};

// Opens a canvas filled with rgb (0xRRGGBB); false when the system refuses.
bool Canvas_Open(MemoryCanvas* canvas, int32_t width, int32_t height, uint32_t rgb);
// The pixel at (x, y) as 0xRRGGBB, once GDI has finished drawing.
uint32_t Canvas_Pixel(const MemoryCanvas& canvas, int32_t x, int32_t y);
void Canvas_Close(MemoryCanvas* canvas);
