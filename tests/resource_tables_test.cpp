// The resource tables both builds are made from: dialogs, help text and
// pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "resources/help_text.h"
#include "resources/pictures.h"

TEST(DialogTable, EveryDialogHasNumberedItemsInsideIt) {
    const int16_t wanted[] = {1000, 1001, 1004, 1005, 6000, 6002};
    for (int16_t id : wanted) ASSERT_NE(FindDialogDef(id), nullptr) << id;
    EXPECT_EQ(FindDialogDef(1002), nullptr);
    for (int32_t d = 0; d < kDialogTableCount; ++d) {
        const DialogDef& dlg = kDialogTable[d];
        for (int32_t i = 0; i < dlg.itemCount; ++i) {
            const DialogItemDef& item = dlg.items[i];
            SCOPED_TRACE(std::to_string(dlg.id) + " item " + std::to_string(item.id));
            EXPECT_EQ(item.id, i + 1);
            EXPECT_GE(item.x, 0);
            EXPECT_GE(item.y, 0);
            EXPECT_LE(item.x + item.width, dlg.width);
            EXPECT_LE(item.y + item.height, dlg.height);
            for (const char* p = item.text; *p; ++p) EXPECT_LT(uint8_t(*p), 0x80);
            if (item.kind == kDlgIcon) {
                EXPECT_NE(FindPictureDef(kPictureIcon, item.iconId), nullptr);
            }
        }
    }
}

TEST(DialogTable, RectanglesOfTheEditorAndPreferencesAsLaidOut) {
    struct Case {
        int16_t dialog, item, x, y, w, h;
        const char* text;
    } cases[] = {
        {1000, 1, 457, 312, 50, 12, "OK"},
        {1000, 4, 1, 1, 382, 327, ""},
        {1000, 57, 463, 293, 50, 12, "Setup..."},
        {1004, 8, 57, 69, 154, 12, "Use Largest Possible Window"},
        {1005, 32, 155, 6, 120, 98, ""},
        {1005, 4, 7, 212, 87, 12, "Restore Defaults"},
    };
    for (const Case& c : cases) {
        const DialogItemDef& item = FindDialogDef(c.dialog)->items[c.item - 1];
        EXPECT_EQ(item.x, c.x);
        EXPECT_EQ(item.y, c.y);
        EXPECT_EQ(item.width, c.w);
        EXPECT_EQ(item.height, c.h);
        EXPECT_STREQ(item.text, c.text);
    }
    EXPECT_EQ(FindDialogDef(1000)->itemCount, 59);
    EXPECT_EQ(FindDialogDef(1000)->width, 520);
    EXPECT_EQ(FindDialogDef(1004)->height, 124);
}

// The help text: lines end in CR LF, topics 2000 to 2003 in order, every
// paragraph opened by "?" is closed by "*", and "##" is the last line.
TEST(HelpText, FourTopicsOfClosedParagraphs) {
    const std::string text(kHelpText, kHelpTextSize);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 4), "##\r\n");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t crlf; (crlf = text.find("\r\n", start)) != std::string::npos; start = crlf + 2)
        lines.push_back(text.substr(start, crlf - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    std::vector<int> topics;
    bool open = false;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\n'), std::string::npos);
        if (line == "?") {
            EXPECT_FALSE(open);
            open = true;
        } else if (line == "*") {
            EXPECT_TRUE(open);
            open = false;
        } else if (line.rfind("#", 0) == 0 && line != "##") {
            EXPECT_FALSE(open);
            topics.push_back(std::atoi(line.c_str() + 1));
        } else if (!open) {
            EXPECT_TRUE(line.empty() || line == "##") << line;
        }
    }
    EXPECT_EQ(topics, (std::vector<int>{2000, 2001, 2002, 2003}));
    EXPECT_EQ(lines.back(), "##");
}

TEST(Pictures, EachIsDrawnAndNotBlank) {
    for (int32_t i = 0; i < kPictureTableCount; ++i) {
        const PictureDef& def = kPictureTable[i];
        std::vector<uint32_t> px(size_t(def.width) * size_t(def.height), 0x12345678);
        def.draw(px.data(), def.width, def.height);
        size_t opaque = 0;
        for (uint32_t p : px) {
            EXPECT_NE(p, 0x12345678u) << def.id;
            opaque += (p >> 24) == 0xFF;
        }
        EXPECT_GT(opaque, px.size() / 20) << def.id;
        if (def.kind == kPictureCursor) {
            EXPECT_LT(def.hotX, def.width);
            EXPECT_LT(def.hotY, def.height);
        }
    }
}

// The editor's control pictures: bitmaps both builds find, each the pixel
// size of the item it is drawn into (the 8-point dialog font's base units,
// 6 across and 13 down: 6/4 and 13/8 pixel per dialog unit, rounded to the
// nearest as the dialog manager rounds), the handles small; the
// selected-button frame is clear inside so the face shows through it.
TEST(Pictures, EditorControlsFitTheirItems) {
    const DialogDef* editor = FindDialogDef(1000);
    ASSERT_NE(editor, nullptr);
    struct Case {
        int16_t id;
        int32_t item;  // the item it fills (0: a handle of its own size)
        int16_t width, height;
    } cases[] = {
        {kBitmapNeutralButton, 5, 0, 0},   {kBitmapSkinButton, 6, 0, 0},
        {kBitmapCustomButton, 7, 0, 0},    {kBitmapButtonSelected, 5, 0, 0},
        {kBitmapArrowUp, 16, 0, 0},        {kBitmapArrowDown, 15, 0, 0},
        {kBitmapArrowUpPressed, 20, 0, 0}, {kBitmapArrowDownPressed, 19, 0, 0},
        {kBitmapHueHandle, 0, 7, 7},       {kBitmapTriangleHandle, 0, 9, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const PictureDef* def = FindPictureDef(kPictureBitmap, c.id);
        ASSERT_NE(def, nullptr);
        int32_t w = c.width, h = c.height;
        if (c.item != 0) {
            const DialogItemDef& item = editor->items[c.item - 1];
            w = (item.width * 6 + 2) / 4;
            h = (item.height * 13 + 4) / 8;
        }
        EXPECT_EQ(def->width, w);
        EXPECT_EQ(def->height, h);
    }
    const PictureDef* frame = FindPictureDef(kPictureBitmap, kBitmapButtonSelected);
    std::vector<uint32_t> px(size_t(frame->width) * size_t(frame->height));
    frame->draw(px.data(), frame->width, frame->height);
    EXPECT_EQ(px[0] >> 24, 0xFFu);
    EXPECT_EQ(px[size_t(frame->height / 2 * frame->width + frame->width / 2)] >> 24, 0u);
}
