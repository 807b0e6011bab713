// The icons, cursors and bitmaps of the plug-in, drawn by code: the Windows
// build writes them as .ico, .cur and .bmp files for the resource script, the
// Linux build draws them on request. Pixels are 0xAARRGGBB, rows top down.
// Bitmaps have no alpha: their clear pixels are stored in the key colour,
// which is never drawn, so a bitmap can lie over another one.
#pragma once

#include <cstdint>

enum PictureKind : uint8_t { kPictureIcon, kPictureCursor, kPictureBitmap };

struct PictureDef {
    uint8_t kind;
    int16_t id;
    int16_t width, height;
    int16_t hotX, hotY;  // cursors
    void (*draw)(uint32_t* pixels, int32_t width, int32_t height);
};

extern const PictureDef kPictureTable[];
extern const int32_t kPictureTableCount;

const PictureDef* FindPictureDef(uint8_t kind, int32_t id);

// The stored colour (0xRRGGBB) of a bitmap's clear pixels.
constexpr uint32_t kPictureKeyColour = 0xFF00FF;

// Resource ids.
constexpr int16_t kBitmapAbout = 1000;
constexpr int16_t kIconBrightness = 1004;
constexpr int16_t kIconContrast = 1005;
// The editor's memory-colour buttons (items 5 to 7, 32 x 33 pixels): their
// faces, and the frame drawn over the button whose kind of slot is selected.
constexpr int16_t kBitmapNeutralButton = 1006;
constexpr int16_t kBitmapSkinButton = 1007;
constexpr int16_t kBitmapCustomButton = 1008;
constexpr int16_t kBitmapButtonSelected = 1009;
constexpr int16_t kCursorEyedropper = 1010;
constexpr int16_t kCursorEyedropperDown = 1011;
constexpr int16_t kCursorZoomIn = 1012;
constexpr int16_t kCursorZoomOut = 1013;
constexpr int16_t kCursorHand = 1014;
// The brightness and contrast arrows (15 x 15 pixels), released and pressed.
constexpr int16_t kBitmapArrowUp = 1015;
constexpr int16_t kBitmapArrowDown = 1016;
constexpr int16_t kBitmapArrowUpPressed = 1017;
constexpr int16_t kBitmapArrowDownPressed = 1018;
constexpr int16_t kIconZoomOut = 1019;
constexpr int16_t kIconZoomIn = 1020;
// The handles of the hue and chroma strips: the Hue square (7 x 7) and the
// triangle of dHue and Chroma (9 x 6, pointing up).
constexpr int16_t kBitmapHueHandle = 1021;
constexpr int16_t kBitmapTriangleHandle = 1022;
