// String-table entries and custom resources read from the plug-in module
// through the backend, compared with the sources they were built from.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/vantoria_host/memory_canvas.h"
#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"
#include "resources/pictures.h"
#include "resources/plugin_properties.h"
#include "resources/string_table.h"
#include "ui/platform.h"
#include "ui/platform/win32/win32_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {
struct StringCase {
    const char* what;
    int32_t id;
    int32_t capacity;
    int32_t result;
    const char* text;
};

const StringCase kStringCases[] = {
    {"an entry", kStrProductName, 64, 8, "Vantoria"},
    {"an empty entry is there with length 0", kStrNoticeExtra, 64, 0, ""},
    {"a long entry is cut at the capacity", kStrProductName, 4, 3, "Van"},
    {"an entry outside every block is -1", 40000, 64, -1, ""},
    {"a negative id is -1", -5, 64, -1, ""},
};

void CheckProperties(void* module, const char* type,
                     int32_t (*build)(uint8_t*, uint32_t, uint32_t*)) {
    uint8_t want[kPluginPropertiesMaxBytes];
    uint32_t wantSize = 0;
    build(want, sizeof want, &wantSize);
    const void* data = nullptr;
    uint32_t size = 0;
    const int32_t status =
        Plat_FindResource(module, type, kPluginPropertiesResourceId, &data, &size);
    char what[96];
    std::snprintf(what, sizeof what, "platform resource %s 16000: the builder's %u bytes", type,
                  unsigned(wantSize));
    Report(status == kUiOk && size == wantSize && std::memcmp(data, want, size) == 0, what,
           "status %d, %u bytes", int(status), unsigned(size));
}
// Every picture of the table is in the module as its kind of resource, the
// bitmaps at their drawn sizes.
void CheckPictures(HMODULE module) {
    static const UINT kImageType[] = {IMAGE_ICON, IMAGE_CURSOR, IMAGE_BITMAP};
    char why[128] = "";
    for (int32_t i = 0; i < kPictureTableCount && why[0] == 0; ++i) {
        const PictureDef& def = kPictureTable[i];
        HANDLE image = LoadImageA(module, MAKEINTRESOURCEA(def.id), kImageType[def.kind], 0, 0, 0);
        BITMAP bm = {};
        if (image == nullptr) {
            std::snprintf(why, sizeof why, "picture %d missing", int(def.id));
        } else if (def.kind == kPictureBitmap &&
                   (GetObjectA(image, sizeof bm, &bm) == 0 || bm.bmWidth != def.width ||
                    bm.bmHeight != def.height)) {
            std::snprintf(why, sizeof why, "bitmap %d is %ldx%ld, drawn %dx%d", int(def.id),
                          bm.bmWidth, bm.bmHeight, int(def.width), int(def.height));
        }
        if (image == nullptr) continue;
        if (def.kind == kPictureBitmap) DeleteObject(image);
        if (def.kind == kPictureIcon) DestroyIcon(static_cast<HICON>(image));
        if (def.kind == kPictureCursor) DestroyCursor(static_cast<HCURSOR>(image));
    }
    char what[96];
    std::snprintf(what, sizeof what,
                  "platform resources: the %d pictures of the table, bitmaps at their sizes",
                  int(kPictureTableCount));
    Report(why[0] == 0, what, "%s", why);
}
// The selected-button frame drawn over a button's face: its clear inside
// leaves the face, its edge covers it, and nothing outside the bitmap moves.
void CheckBitmapOverlay(HMODULE module) {
    constexpr uint32_t kGreen = 0x00A000;
    constexpr int32_t kAt = 4;
    MemoryCanvas canvas;
    if (!Report(Canvas_Open(&canvas, 48, 48, kGreen), "platform bitmaps: memory canvas",
                "cannot create it"))
        return;
    std::vector<uint8_t> dc(Win32_DcSize());
    Win32_PrepareDc(dc.data(), canvas.dc, nullptr, nullptr);
    HINSTANCE previous = gWin32ResourceInstance;
    gWin32ResourceInstance = module;
    const int32_t face = Plat_Draw_Bitmap(dc.data(), kAt, kAt, kBitmapNeutralButton);
    const int32_t frame = Plat_Draw_Bitmap(dc.data(), kAt, kAt, kBitmapButtonSelected);
    gWin32ResourceInstance = previous;
    Win32_FinishDc(dc.data());
    const PictureDef* def = FindPictureDef(kPictureBitmap, kBitmapButtonSelected);
    const PictureDef* faceDef = FindPictureDef(kPictureBitmap, kBitmapNeutralButton);
    std::vector<uint32_t> px(size_t(def->width) * size_t(def->height));
    std::vector<uint32_t> facePx(px.size());
    def->draw(px.data(), def->width, def->height);
    faceDef->draw(facePx.data(), faceDef->width, faceDef->height);
    const int32_t mx = def->width / 2, my = def->height / 2;
    const uint32_t edge = Canvas_Pixel(canvas, kAt, kAt);
    const uint32_t middle = Canvas_Pixel(canvas, kAt + mx, kAt + my);
    const uint32_t outside = Canvas_Pixel(canvas, kAt + def->width + 1, kAt);
    Canvas_Close(&canvas);
    Report(face == kUiOk && frame == kUiOk && edge == (px[0] & 0xFFFFFF) &&
               middle == (facePx[size_t(my * faceDef->width + mx)] & 0xFFFFFF) && outside == kGreen,
           "platform bitmaps: the selected frame over a button face keeps the face inside",
           "status %d/%d, edge %06X, middle %06X, outside %06X", int(face), int(frame),
           unsigned(edge), unsigned(middle), unsigned(outside));
}
}  // namespace

void CheckPlatformResources(const char* modulePath) {
    HMODULE module = LoadLibraryA(modulePath);
    if (!Report(module != nullptr, "platform resources: module loaded", "%s", modulePath)) return;
    for (const StringCase& c : kStringCases) {
        char buffer[64] = "untouched";
        const int32_t result = Plat_LoadString(module, c.id, buffer, c.capacity);
        char what[128];
        std::snprintf(what, sizeof what, "platform string: %s", c.what);
        Report(result == c.result && std::strcmp(buffer, c.text) == 0, what,
               "returned %d with \"%s\"", int(result), buffer);
    }
    CheckProperties(module, "PIPL", BuildPipl);
    CheckProperties(module, "AETE", BuildAete);
    CheckPictures(module);
    CheckBitmapOverlay(module);
    const void* data = reinterpret_cast<const void*>(1);
    uint32_t size = 1;
    const int32_t missing = Plat_FindResource(module, "NONE", 16000, &data, &size);
    Report(missing == -1 && data == nullptr && size == 0,
           "platform resource: a missing one is -1 with nothing returned", "status %d",
           int(missing));
    FreeLibrary(module);
}
