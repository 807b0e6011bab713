// displayPixels into the host's frame buffer, and colour services with a
// scripted colour picker.
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

OSErr DisplayPixels(const PSPixelMap* map, const VRect* srcRect, int32_t dstRow, int32_t dstCol,
                    void*) {
    HKHost* host = HK_Active();
    if (host == nullptr || !Drawable(map, srcRect)) return filterBadParameters;
    ++host->displayCalls;
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
            uint8_t* out = host->frame + (size_t(fy) * size_t(host->frameWidth) + size_t(fx)) * 3;
            for (int32_t c = 0; c < 3; ++c)
                out[c] = grey ? px[0] : px[int64_t(c) * map->planeBytes];
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
