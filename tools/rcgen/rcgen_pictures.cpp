// Writes the dialogs, the help text and the drawn pictures into the resource
// script: DIALOGEX entries from the dialog table, the help text as a custom
// resource file, and .ico, .cur and .bmp files drawn by the picture table.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "resources/help_text.h"
#include "resources/pictures.h"
#include "tools/rcgen/rcgen.h"

namespace {
// Window styles, written as numbers so the script needs no system headers.
constexpr uint32_t kWsPopup = 0x80000000, kWsVisible = 0x10000000, kWsDisabled = 0x08000000,
                   kWsCaption = 0x00C00000, kWsSysMenu = 0x00080000, kWsTabStop = 0x00010000,
                   kWsGroup = 0x00020000, kWsVScroll = 0x00200000, kDsModalFrame = 0x80,
                   kDsSetFont = 0x40, kWsExClientEdge = 0x200;
constexpr uint32_t kBsDefPush = 1, kBsCheckBox = 2, kBsRadio = 4, kSsCenter = 1, kSsNotify = 0x100,
                   kEsAutoHScroll = 0x80, kCbsDropDownList = 3;

struct Control {
    const char* className;
    uint32_t style;
    uint32_t exStyle;
};

Control ControlFor(const DialogItemDef& item) {
    switch (item.kind) {
        case kDlgDefaultButton:
            return {"Button", kBsDefPush | kWsTabStop, 0};
        case kDlgCheckBox:
            return {"Button", kBsCheckBox | kWsTabStop, 0};
        case kDlgRadio:
            return {"Button", kBsRadio, 0};
        case kDlgStatic:
            return {"Static", kSsNotify, 0};
        case kDlgStaticCentre:
            return {"Static", kSsCenter | kSsNotify, 0};
        case kDlgEdit:
            return {"Edit", kEsAutoHScroll | kWsTabStop, kWsExClientEdge};
        case kDlgCombo:
            return {"ComboBox", kCbsDropDownList | kWsVScroll | kWsTabStop, 0};
        case kDlgUserItem:
            return {"UiUserItem", kWsTabStop, 0};
        default:
            return {"Button", kWsTabStop, 0};
    }
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) RcgenFail("cannot create", path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) RcgenFail("cannot write", path);
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// BITMAPINFOHEADER of a bottom-up bitmap; height doubled for icons and cursors.
void PutInfoHeader(std::vector<uint8_t>& b, int32_t w, int32_t h, uint32_t bits, uint32_t image) {
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0);  // BI_RGB
    Put32(b, image);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
}

// A 32-bit icon or cursor file with one image and its 1-bit mask.
std::vector<uint8_t> IconFile(const PictureDef& def, const std::vector<uint32_t>& px) {
    const int32_t w = def.width, h = def.height;
    const uint32_t maskRow = uint32_t((w + 31) / 32 * 4);
    const uint32_t image = 40 + uint32_t(w * h * 4) + maskRow * uint32_t(h);
    const bool cursor = def.kind == kPictureCursor;
    std::vector<uint8_t> b;
    Put16(b, 0);
    Put16(b, cursor ? 2 : 1);
    Put16(b, 1);
    b.push_back(uint8_t(w));
    b.push_back(uint8_t(h));
    b.push_back(0);
    b.push_back(0);
    Put16(b, cursor ? uint32_t(def.hotX) : 1);
    Put16(b, cursor ? uint32_t(def.hotY) : 32);
    Put32(b, image);
    Put32(b, 6 + 16);
    PutInfoHeader(b, w, h * 2, 32, 0);
    for (int32_t y = h - 1; y >= 0; --y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = px[size_t(y * w + x)];
            b.push_back(uint8_t(c));
            b.push_back(uint8_t(c >> 8));
            b.push_back(uint8_t(c >> 16));
            b.push_back(uint8_t(c >> 24));
        }
    for (int32_t y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskRow, 0);
        for (int32_t x = 0; x < w; ++x)
            if ((px[size_t(y * w + x)] >> 24) < 0x80)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// A 24-bit bitmap file; clear pixels take the key colour.
std::vector<uint8_t> BitmapFile(const PictureDef& def, const std::vector<uint32_t>& px) {
    const int32_t w = def.width, h = def.height;
    const uint32_t row = uint32_t((w * 3 + 3) / 4 * 4);
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, 14 + 40 + row * uint32_t(h));
    Put32(b, 0);
    Put32(b, 14 + 40);
    PutInfoHeader(b, w, h, 24, row * uint32_t(h));
    for (int32_t y = h - 1; y >= 0; --y) {
        for (int32_t x = 0; x < w; ++x) {
            uint32_t c = px[size_t(y * w + x)];
            if ((c >> 24) < 0x80) c = kPictureKeyColour;
            b.push_back(uint8_t(c));
            b.push_back(uint8_t(c >> 8));
            b.push_back(uint8_t(c >> 16));
        }
        for (uint32_t i = uint32_t(w * 3); i < row; ++i) b.push_back(0);
    }
    return b;
}
}  // namespace

void WriteDialogs(std::FILE* rc) {
    for (int32_t d = 0; d < kDialogTableCount; ++d) {
        const DialogDef& dlg = kDialogTable[d];
        std::fprintf(rc, "%d DIALOGEX 0, 0, %d, %d\n", dlg.id, dlg.width, dlg.height);
        std::fprintf(rc, "STYLE 0x%08X\n",
                     unsigned(kDsModalFrame | kDsSetFont | kWsPopup | kWsCaption | kWsSysMenu));
        std::fprintf(rc, "CAPTION %s\n", RcgenQuoted(dlg.id, dlg.title).c_str());
        std::fprintf(rc, "FONT %d, \"%s\", 400, 0, 1\nBEGIN\n", kDialogFontPoints, kDialogFontName);
        for (int32_t i = 0; i < dlg.itemCount; ++i) {
            const DialogItemDef& item = dlg.items[i];
            if (item.id != i + 1) RcgenFail("dialog items out of order in", std::to_string(dlg.id));
            const uint32_t state =
                (item.flags & kDlgDisabled ? kWsDisabled : 0) | (i == 0 ? kWsGroup : 0);
            const char* hidden = item.flags & kDlgHidden ? " | NOT 0x10000000" : "";
            if (item.kind == kDlgIcon) {
                std::fprintf(rc, "    CONTROL %d, %d, \"Static\", 0x%X%s, %d, %d, %d, %d\n",
                             item.iconId, item.id, unsigned(3 | state), hidden, item.x, item.y,
                             item.width, item.height);
                continue;
            }
            const Control c = ControlFor(item);
            std::fprintf(rc, "    CONTROL %s, %d, \"%s\", 0x%X%s, %d, %d, %d, %d, 0x%X\n",
                         RcgenQuoted(dlg.id, item.text).c_str(), item.id, c.className,
                         unsigned(c.style | state), hidden, item.x, item.y, item.width, item.height,
                         unsigned(c.exStyle));
        }
        std::fputs("END\n\n", rc);
    }
    (void)kWsVisible;
}

void WriteHelpText(std::FILE* rc, const std::string& folder) {
    const std::string path = folder + "/help.txt";
    WriteFile(path, std::vector<uint8_t>(kHelpText, kHelpText + kHelpTextSize));
    std::fprintf(rc, "%d %s \"%s\"\n\n", int(kHelpTextResourceId), kHelpTextResourceType,
                 path.c_str());
}

void WritePictures(std::FILE* rc, const std::string& folder) {
    static const char* const kStatement[] = {"ICON", "CURSOR", "BITMAP"};
    static const char* const kExtension[] = {"ico", "cur", "bmp"};
    for (int32_t i = 0; i < kPictureTableCount; ++i) {
        const PictureDef& def = kPictureTable[i];
        std::vector<uint32_t> px(size_t(def.width) * size_t(def.height));
        def.draw(px.data(), def.width, def.height);
        const std::string path =
            folder + "/picture" + std::to_string(def.id) + "." + kExtension[def.kind];
        WriteFile(path, def.kind == kPictureBitmap ? BitmapFile(def, px) : IconFile(def, px));
        std::fprintf(rc, "%d %s \"%s\"\n", def.id, kStatement[def.kind], path.c_str());
    }
    std::fputs("\n", rc);
}
