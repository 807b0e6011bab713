#include "apps/vantoria_host/memory_canvas.h"

bool Canvas_Open(MemoryCanvas* c, int32_t width, int32_t height, uint32_t rgb) {
    *c = MemoryCanvas{nullptr, nullptr, nullptr, nullptr, width, height};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    c->dc = CreateCompatibleDC(nullptr);
    c->bitmap = CreateDIBSection(c->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (c->dc == nullptr || c->bitmap == nullptr) {
        Canvas_Close(c);
        return false;
    }
    c->old = SelectObject(c->dc, c->bitmap);
    c->pixels = static_cast<uint32_t*>(bits);
    for (int32_t i = 0; i < width * height; ++i) c->pixels[i] = rgb;
    return true;
}

uint32_t Canvas_Pixel(const MemoryCanvas& c, int32_t x, int32_t y) {
    GdiFlush();
    return c.pixels[y * c.width + x] & 0xFFFFFF;
}

void Canvas_Close(MemoryCanvas* c) {
    if (c->old != nullptr) SelectObject(c->dc, c->old);
    if (c->bitmap != nullptr) DeleteObject(c->bitmap);
    if (c->dc != nullptr) DeleteDC(c->dc);
    *c = MemoryCanvas{};
}
