#include "resources/pictures.h"

#include <cmath>

namespace {
constexpr uint32_t kClear = 0x00000000;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

struct Canvas {
    uint32_t* p;
    int32_t w, h;
    void Put(int32_t x, int32_t y, uint32_t c) const {
        if (x >= 0 && y >= 0 && x < w && y < h) p[y * w + x] = c;
    }
    void Clear(uint32_t c) const {
        for (int32_t i = 0; i < w * h; ++i) p[i] = c;
    }
    void Disc(double cx, double cy, double r, uint32_t c) const {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r)
                    Put(x, y, c);
    }
    void Ring(double cx, double cy, double r, double width, uint32_t c) const {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d <= r && d >= r - width) Put(x, y, c);
            }
    }
    // A line of the given thickness from (x0, y0) to (x1, y1).
    void Line(double x0, double y0, double x1, double y1, double t, uint32_t c) const {
        const double len = std::hypot(x1 - x0, y1 - y0);
        const int32_t steps = int32_t(len * 2) + 1;
        for (int32_t i = 0; i <= steps; ++i) {
            const double f = double(i) / steps;
            Disc(x0 + (x1 - x0) * f, y0 + (y1 - y0) * f, t / 2, c);
        }
    }
    void Box(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t c) const {
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) Put(x, y, c);
    }
};

// Brightness: a sun, a disc with eight rays.
void DrawBrightness(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kClear);
    const double m = w / 2.0;
    for (int32_t i = 0; i < 8; ++i) {
        const double a = i * 3.14159265358979 / 4;
        c.Line(m + std::cos(a) * 9, m + std::sin(a) * 9, m + std::cos(a) * 14, m + std::sin(a) * 14,
               2, kBlack);
    }
    c.Disc(m, m, 7, 0xFFF0C020);
    c.Ring(m, m, 7, 1.2, kBlack);
}

// Contrast: a circle, its left half black and its right half white.
void DrawContrast(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kClear);
    const double m = w / 2.0;
    c.Disc(m, m, 12, kWhite);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w / 2; ++x)
            if (std::hypot(x + 0.5 - m, y + 0.5 - m) <= 12) c.Put(x, y, kBlack);
    c.Ring(m, m, 12, 1.2, kBlack);
}

// A magnifier with a plus (zoom in) or a minus (zoom out).
void DrawMagnifier(const Canvas& c, bool plus, double scale) {
    c.Clear(kClear);
    const double cx = 11 * scale, cy = 11 * scale, r = 8 * scale;
    c.Disc(cx, cy, r, kWhite);
    c.Ring(cx, cy, r, 2 * scale, kBlack);
    c.Line(cx + r * 0.7, cy + r * 0.7, 28 * scale, 28 * scale, 3.5 * scale, kBlack);
    c.Line(cx - 4 * scale, cy, cx + 4 * scale, cy, 1.5 * scale, kBlack);
    if (plus) c.Line(cx, cy - 4 * scale, cx, cy + 4 * scale, 1.5 * scale, kBlack);
}
void DrawZoomInCursor(uint32_t* p, int32_t w, int32_t h) {
    DrawMagnifier(Canvas{p, w, h}, true, 1.0);
}
void DrawZoomOutCursor(uint32_t* p, int32_t w, int32_t h) {
    DrawMagnifier(Canvas{p, w, h}, false, 1.0);
}
void DrawZoomInIcon(uint32_t* p, int32_t w, int32_t h) {
    DrawMagnifier(Canvas{p, w, h}, true, w / 32.0);
}
void DrawZoomOutIcon(uint32_t* p, int32_t w, int32_t h) {
    DrawMagnifier(Canvas{p, w, h}, false, w / 32.0);
}

// An eye dropper pointing at the bottom left corner (the hot spot).
void DrawDropper(const Canvas& c, uint32_t bulb) {
    c.Clear(kClear);
    c.Line(1, 30, 15, 16, 4, kBlack);
    c.Line(2, 29, 15, 16, 2, kWhite);
    c.Line(15, 16, 19, 12, 6, kBlack);
    c.Disc(23, 8, 6, kBlack);
    c.Disc(23, 8, 4.5, bulb);
}
void DrawEyedropper(uint32_t* p, int32_t w, int32_t h) {
    DrawDropper(Canvas{p, w, h}, kWhite);
}
void DrawEyedropperDown(uint32_t* p, int32_t w, int32_t h) {
    DrawDropper(Canvas{p, w, h}, 0xFF3050C0);
}

// An open hand: palm and four fingers, with a thumb.
void DrawHand(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kClear);
    const int32_t fingers[4][2] = {{8, 6}, {13, 3}, {18, 4}, {23, 7}};
    for (const auto& f : fingers) {
        c.Box(f[0] - 1, f[1] - 1, f[0] + 4, 20, kBlack);
        c.Box(f[0], f[1], f[0] + 3, 20, kWhite);
    }
    c.Line(5, 16, 10, 22, 5, kBlack);
    c.Line(5, 16, 10, 22, 3, kWhite);
    c.Box(8, 15, 27, 29, kBlack);
    c.Box(9, 15, 26, 28, kWhite);
}

// The level (0..1) of channel k (0 red, 1 green, 2 blue) of a full hue,
// hue 0..6 running red, yellow, green, cyan, blue, magenta.
double HueLevel(double hue, int32_t k) {
    const double t = std::fmod(hue + 4 - 2 * k + 6, 6.0);  // 0..6
    const double v = std::fabs(t - 3) - 1;                 // triangle wave
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

// The About picture: a band of hues over a lightness ramp, with a row of
// memory-colour discs (neutral, skin, sky, foliage).
void DrawAbout(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double hue = 6.0 * x / w;
            const double light = 0.35 + 0.55 * (1.0 - double(y) / h);
            double rgb[3];
            for (int32_t k = 0; k < 3; ++k) rgb[k] = light * (0.55 + 0.45 * HueLevel(hue, k));
            c.Put(x, y,
                  0xFF000000 | uint32_t(rgb[0] * 255) << 16 | uint32_t(rgb[1] * 255) << 8 |
                      uint32_t(rgb[2] * 255));
        }
    const uint32_t discs[4] = {0xFF808080, 0xFFE0A888, 0xFF6EA0E0, 0xFF4C8C3C};
    const double r = h * 0.28;
    for (int32_t i = 0; i < 4; ++i) {
        const double cx = w * (0.2 + 0.2 * i), cy = h * 0.5;
        c.Disc(cx, cy, r + 2, kWhite);
        c.Disc(cx, cy, r, discs[i]);
    }
}

// ---- The editor's controls ----------------------------------------------------------------

constexpr uint32_t kFace = 0xFFECECEC;       // the buttons' face
constexpr uint32_t kFaceLight = 0xFFFFFFFF;  // the lit edge of a raised face
constexpr uint32_t kFaceShadow = 0xFF8C8C8C;
constexpr uint32_t kFaceDark = 0xFF505050;
constexpr double kSwatchRadius = 9.2;

// A raised face (the light from the top left), or a pressed one.
void DrawFace(const Canvas& c, bool pressed) {
    c.Clear(kFace);
    const uint32_t topLeft = pressed ? kFaceShadow : kFaceLight;
    const uint32_t bottomRight = pressed ? kFaceLight : kFaceShadow;
    c.Box(0, 0, c.w, 1, topLeft);
    c.Box(0, 0, 1, c.h, topLeft);
    c.Box(0, c.h - 1, c.w, c.h, bottomRight);
    c.Box(c.w - 1, 0, c.w, c.h, bottomRight);
    c.Box(1, c.h - 2, c.w - 1, c.h - 1, pressed ? kFace : kFaceShadow);
    c.Box(c.w - 2, 1, c.w - 1, c.h - 1, pressed ? kFace : kFaceShadow);
}

// The swatch of a memory-colour button: a disc in the middle of the face,
// outlined so that a pale colour still stands off the face.
void DrawSwatch(const Canvas& c, uint32_t colour) {
    DrawFace(c, false);
    const double cx = (c.w - 1) / 2.0, cy = (c.h - 1) / 2.0;
    c.Disc(cx, cy, kSwatchRadius + 1, kFaceDark);
    c.Disc(cx, cy, kSwatchRadius, colour);
}
void DrawNeutralButton(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    DrawSwatch(c, 0xFF9A9A9A);
    // A lighter and a darker half-step of grey: the neutral scale.
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy > kSwatchRadius * kSwatchRadius) continue;
            if (dy < -3.5) c.Put(x, y, 0xFFC8C8C8);
            if (dy > 3.5) c.Put(x, y, 0xFF6A6A6A);
        }
}
void DrawSkinButton(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    DrawSwatch(c, 0xFFE2AE8E);
    // A soft highlight at the upper left, as on a cheek.
    c.Disc((w - 1) / 2.0 - 3, (h - 1) / 2.0 - 3, 3.5, 0xFFF0CDB4);
}
// Custom colours: a small colour wheel, its hues around the centre.
void DrawCustomButton(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    DrawSwatch(c, kWhite);
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::hypot(dx, dy);
            if (d > kSwatchRadius || d < 2.5) continue;
            const double hue = std::fmod(std::atan2(-dy, dx) * 3 / 3.14159265358979 + 6.0, 6.0);
            uint32_t rgb = 0xFF000000;
            for (int32_t k = 0; k < 3; ++k)
                rgb |= uint32_t(50 + HueLevel(hue, k) * 190) << (16 - 8 * k);
            c.Put(x, y, rgb);
        }
}

// The mark of the selected button: a frame just inside the button's edge,
// clear inside so that the face shows through.
void DrawButtonSelected(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kClear);
    const uint32_t ring = 0xFF1E5AC8;
    c.Box(0, 0, w, 2, ring);
    c.Box(0, h - 2, w, h, ring);
    c.Box(0, 0, 2, h, ring);
    c.Box(w - 2, 0, w, h, ring);
}

// The brightness and contrast arrows: a triangle on a small face, pressed
// in (and moved a pixel down and right) while the mouse holds it.
void DrawArrow(const Canvas& c, bool up, bool pressed) {
    DrawFace(c, pressed);
    const double shift = pressed ? 1 : 0;
    const double cx = (c.w - 1) / 2.0 + shift, top = 4.5 + shift, bottom = c.h - 5.5 + shift;
    const double half = (bottom - top) + 0.5;
    for (int32_t y = 0; y < c.h; ++y)
        for (int32_t x = 0; x < c.w; ++x) {
            // How far down the triangle this row lies, 0 at its point.
            const double t = up ? (y - top) : (bottom - y);
            if (t < -0.01 || t > bottom - top + 0.01) continue;
            const double reach = half * (t + 0.5) / (bottom - top + 1);
            if (std::fabs(x - cx) <= reach) c.Put(x, y, kFaceDark);
        }
}
void DrawArrowUp(uint32_t* p, int32_t w, int32_t h) {
    DrawArrow(Canvas{p, w, h}, true, false);
}
void DrawArrowDown(uint32_t* p, int32_t w, int32_t h) {
    DrawArrow(Canvas{p, w, h}, false, false);
}
void DrawArrowUpPressed(uint32_t* p, int32_t w, int32_t h) {
    DrawArrow(Canvas{p, w, h}, true, true);
}
void DrawArrowDownPressed(uint32_t* p, int32_t w, int32_t h) {
    DrawArrow(Canvas{p, w, h}, false, true);
}

// The Hue handle: a white square outlined in black, visible on any hue.
void DrawHueHandle(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kBlack);
    c.Box(1, 1, w - 1, h - 1, kWhite);
}

// The dHue and Chroma handle: a triangle pointing up at the strip, white
// outlined in black, clear around it.
void DrawTriangleHandle(uint32_t* p, int32_t w, int32_t h) {
    const Canvas c{p, w, h};
    c.Clear(kClear);
    const double cx = (w - 1) / 2.0;
    for (int32_t y = 0; y < h; ++y) {
        const double reach = cx * (y + 1) / h;
        for (int32_t x = 0; x < w; ++x) {
            const double d = std::fabs(x - cx);
            if (d > reach + 0.01) continue;
            const bool edge = d > reach - 1.01 || y == h - 1;
            c.Put(x, y, edge ? kBlack : kWhite);
        }
    }
}
}  // namespace

const PictureDef kPictureTable[] = {
    {kPictureBitmap, kBitmapAbout, 336, 84, 0, 0, DrawAbout},
    {kPictureIcon, kIconBrightness, 32, 32, 0, 0, DrawBrightness},
    {kPictureIcon, kIconContrast, 32, 32, 0, 0, DrawContrast},
    {kPictureIcon, kIconZoomOut, 16, 16, 0, 0, DrawZoomOutIcon},
    {kPictureIcon, kIconZoomIn, 16, 16, 0, 0, DrawZoomInIcon},
    {kPictureCursor, kCursorEyedropper, 32, 32, 1, 30, DrawEyedropper},
    {kPictureCursor, kCursorEyedropperDown, 32, 32, 1, 30, DrawEyedropperDown},
    {kPictureCursor, kCursorZoomIn, 32, 32, 11, 11, DrawZoomInCursor},
    {kPictureCursor, kCursorZoomOut, 32, 32, 11, 11, DrawZoomOutCursor},
    {kPictureCursor, kCursorHand, 32, 32, 16, 16, DrawHand},
    {kPictureBitmap, kBitmapNeutralButton, 32, 33, 0, 0, DrawNeutralButton},
    {kPictureBitmap, kBitmapSkinButton, 32, 33, 0, 0, DrawSkinButton},
    {kPictureBitmap, kBitmapCustomButton, 32, 33, 0, 0, DrawCustomButton},
    {kPictureBitmap, kBitmapButtonSelected, 32, 33, 0, 0, DrawButtonSelected},
    {kPictureBitmap, kBitmapArrowUp, 15, 15, 0, 0, DrawArrowUp},
    {kPictureBitmap, kBitmapArrowDown, 15, 15, 0, 0, DrawArrowDown},
    {kPictureBitmap, kBitmapArrowUpPressed, 15, 15, 0, 0, DrawArrowUpPressed},
    {kPictureBitmap, kBitmapArrowDownPressed, 15, 15, 0, 0, DrawArrowDownPressed},
    {kPictureBitmap, kBitmapHueHandle, 7, 7, 0, 0, DrawHueHandle},
    {kPictureBitmap, kBitmapTriangleHandle, 9, 6, 0, 0, DrawTriangleHandle},
};

const int32_t kPictureTableCount = int32_t(sizeof kPictureTable / sizeof kPictureTable[0]);

const PictureDef* FindPictureDef(uint8_t kind, int32_t id) {
    for (int32_t i = 0; i < kPictureTableCount; ++i)
        if (kPictureTable[i].kind == kind && kPictureTable[i].id == id) return &kPictureTable[i];
    return nullptr;
}
