// The icons, cursors and bitmaps of the plug-in, drawn by code: the Windows
// build writes them as .ico, .cur and .bmp files for the resource script, the
// Linux build draws them on request. Pixels are 0xAARRGGBB, rows top down.
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

// Resource ids.
constexpr int16_t kBitmapAbout = 1000;
constexpr int16_t kIconBrightness = 1004;
constexpr int16_t kIconContrast = 1005;
constexpr int16_t kCursorEyedropper = 1010;
constexpr int16_t kCursorEyedropperDown = 1011;
constexpr int16_t kCursorZoomIn = 1012;
constexpr int16_t kCursorZoomOut = 1013;
constexpr int16_t kCursorHand = 1014;
constexpr int16_t kIconZoomOut = 1019;
constexpr int16_t kIconZoomIn = 1020;
