// displayPixels into the host's frame buffer and, on Windows, into the
// window whose drawing context the plug-in passes; colour services with a
// scripted colour picker.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <cstring>

#include "hostkit/hostkit_internal.h"

namespace {

// 8-bit RGB or grey maps, interleaved (colBytes 3 or 4, or 1 for grey) or
// planar (colBytes 1, planeBytes the distance between planes), as hosts take them.
bool Drawable(const PSPixelMap* map, const VRect* srcRect) {
    if (map == nullptr || srcRect == nullptr || map->version < 1 || map->baseAddr == nullptr ||
        map->rowBytes == 0 || map->colBytes < 1)
        return false;
    if (map->imageMode != plugInModeRGBColor && map->imageMode != plugInModeGrayScale) return false;
    if (map->version >= 3 && map->depth != 0 && map->depth != 8) return false;
    return srcRect->top >= map->bounds.top && srcRect->left >= map->bounds.left &&
           srcRect->bottom <= map->bounds.bottom && srcRect->right <= map->bounds.right;
}

// The colour of the pixel at px, interleaved or planar, grey repeated.
void PixelRgb(const PSPixelMap* map, const uint8_t* px, bool grey, uint8_t* rgb) {
    for (int32_t c = 0; c < 3; ++c) rgb[c] = grey ? px[0] : px[int64_t(c) * map->planeBytes];
}

#ifdef _WIN32
// Paints the source rectangle at (dstCol, dstRow) of a device context (a
// window handle stands for its client area). The transparency mask is not
// composed: the pane shows the colours as they are.
OSErr PaintIntoContext(const PSPixelMap* map, const VRect* srcRect, int32_t dstRow, int32_t dstCol,
                       void* context) {
    HDC dc = static_cast<HDC>(context);
    HWND window = nullptr;
    const DWORD type = GetObjectType(static_cast<HGDIOBJ>(context));
    if (type != OBJ_DC && type != OBJ_MEMDC) {
        window = static_cast<HWND>(context);
        if (!IsWindow(window)) return filterBadParameters;
        dc = GetDC(window);
        if (dc == nullptr) return filterBadParameters;
    }
    const int32_t width = srcRect->right - srcRect->left, height = srcRect->bottom - srcRect->top;
    const size_t rowBytes = (size_t(width) * 3 + 3) / 4 * 4;
    uint8_t* bgr = static_cast<uint8_t*>(std::calloc(rowBytes, size_t(height)));
    int rows = 0;
    if (bgr != nullptr) {
        const uint8_t* base = static_cast<const uint8_t*>(map->baseAddr);
        const bool grey = map->imageMode == plugInModeGrayScale;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = base + int64_t(srcRect->top + y - map->bounds.top) * map->rowBytes;
            uint8_t* out = bgr + size_t(y) * rowBytes;
            for (int32_t x = 0; x < width; ++x) {
                uint8_t rgb[3];
                PixelRgb(map, row + int64_t(srcRect->left + x - map->bounds.left) * map->colBytes,
                         grey, rgb);
                out[3 * x] = rgb[2];
                out[3 * x + 1] = rgb[1];
                out[3 * x + 2] = rgb[0];
            }
        }
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        rows = SetDIBitsToDevice(dc, dstCol, dstRow, DWORD(width), DWORD(height), 0, 0, 0,
                                 UINT(height), bgr, &info, DIB_RGB_COLORS);
        std::free(bgr);
    }
    if (window != nullptr) ReleaseDC(window, dc);
    if (bgr == nullptr) return memFullErr;
    return rows == height ? noErr : filterBadParameters;
}
#endif

OSErr DisplayPixels(const PSPixelMap* map, const VRect* srcRect, int32_t dstRow, int32_t dstCol,
                    void* platformContext) {
    HKHost* host = HK_Active();
    if (host == nullptr || !Drawable(map, srcRect)) return filterBadParameters;
    ++host->displayCalls;
#ifdef _WIN32
    if (platformContext != nullptr) {
        const OSErr painted = PaintIntoContext(map, srcRect, dstRow, dstCol, platformContext);
        if (painted != noErr) return painted;
    }
#else
    (void)platformContext;
#endif
    const uint8_t* base = static_cast<const uint8_t*>(map->baseAddr);
    const bool grey = map->imageMode == plugInModeGrayScale;
    for (int32_t y = srcRect->top; y < srcRect->bottom; ++y) {
        const int32_t fy = dstRow + (y - srcRect->top);
        if (fy < 0 || fy >= host->frameHeight) continue;
        const uint8_t* row = base + int64_t(y - map->bounds.top) * map->rowBytes;
        for (int32_t x = srcRect->left; x < srcRect->right; ++x) {
            const int32_t fx = dstCol + (x - srcRect->left);
            if (fx < 0 || fx >= host->frameWidth) continue;
            const uint8_t* px = row + int64_t(x - map->bounds.left) * map->colBytes;
            PixelRgb(map, px, grey,
                     host->frame + (size_t(fy) * size_t(host->frameWidth) + size_t(fx)) * 3);
        }
    }
    return noErr;
}

uint8_t To8(uint16_t v) {
    return uint8_t(v / 257);
}

OSErr ChooseColor(HKHost* host, ColorServicesInfo* info) {
    if (host->pickerCalls > host->pickerAnswerCount) return userCanceledErr;
    const HKPickerAnswer& a = host->pickerAnswers[host->pickerCalls - 1];
    if (a.cancel) return userCanceledErr;
    if (info->resultSpace != plugIncolorServicesRGBSpace &&
        info->resultSpace != plugIncolorServicesChosenSpace)
        return paramErr;
    info->resultSpace = plugIncolorServicesRGBSpace;
    for (int32_t c = 0; c < 3; ++c) info->colorComponents[c] = a.rgb[c];
    info->colorComponents[3] = 0;
    return noErr;
}

OSErr ColorServices(ColorServicesInfo* info) {
    HKHost* host = HK_Active();
    if (host == nullptr || info == nullptr || info->infoSize < int32_t(sizeof *info) ||
        info->reservedSourceSpaceInfo != nullptr || info->reservedResultSpaceInfo != nullptr ||
        info->reserved != nullptr)
        return paramErr;
    switch (info->selector) {
        case plugIncolorServicesChooseColor:
            ++host->pickerCalls;
            return ChooseColor(host, info);
        case plugIncolorServicesConvertColor:
            // Only the identity: the host converts nothing else.
            return info->sourceSpace == info->resultSpace ? noErr : paramErr;
        case plugIncolorServicesGetSpecialColor: {
            const int32_t id = info->selectorParameter.specialColorID;
            if (id != 0 && id != 1) return paramErr;
            const RGBColor& c = id == 0 ? host->record->foreground : host->record->background;
            info->resultSpace = plugIncolorServicesRGBSpace;
            info->colorComponents[0] = To8(c.red);
            info->colorComponents[1] = To8(c.green);
            info->colorComponents[2] = To8(c.blue);
            info->colorComponents[3] = 0;
            return noErr;
        }
        default:
            return paramErr;
    }
}

}  // namespace

void HK_InstallDisplayProcs(HKHost* host) {
    host->record->displayPixels = host->options.displayPixels ? DisplayPixels : nullptr;
    host->record->colorServices = host->options.colorServices ? ColorServices : nullptr;
}

int32_t HK_SetFrame(HKHost* host, int32_t width, int32_t height) {
    std::free(host->frame);
    host->frame = nullptr;
    host->frameWidth = host->frameHeight = 0;
    if (width < 1 || height < 1) return -1;
    host->frame = static_cast<uint8_t*>(std::malloc(size_t(width) * size_t(height) * 3));
    if (host->frame == nullptr) return -3;
    std::memset(host->frame, 255, size_t(width) * size_t(height) * 3);
    host->frameWidth = width;
    host->frameHeight = height;
    return 0;
}

void HK_QueuePickerAnswer(HKHost* host, const HKPickerAnswer& answer) {
    if (host->pickerAnswerCount < kHKMaxPickerAnswers)
        host->pickerAnswers[host->pickerAnswerCount++] = answer;
}
