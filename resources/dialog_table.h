// The dialog resources of the plug-in, described once: the Windows resource
// script's DIALOGEX entries are generated from this table, and the Linux
// build's headless dialogs are built from it, so an item can never differ
// between the two builds. Rectangles are in dialog units (x, y, width,
// height); item ids run from 1 to the item count without gaps.
#pragma once

#include <cstdint>

enum DialogItemKind : uint8_t {
    kDlgButton,         // push button
    kDlgDefaultButton,  // the default push button
    kDlgCheckBox,       // check box; the program toggles it
    kDlgRadio,          // radio button; the program sets it
    kDlgStatic,         // left-aligned text
    kDlgStaticCentre,   // centred text
    kDlgEdit,           // one-line text field
    kDlgCombo,          // drop-down list, used as a popup menu
    kDlgUserItem,       // owner-drawn item of the "UiUserItem" class
    kDlgIcon,           // icon resource named by iconId
};

enum DialogItemFlags : uint8_t {
    kDlgHidden = 1,    // not visible when the dialog opens
    kDlgDisabled = 2,  // disabled when the dialog opens
};

struct DialogItemDef {
    int16_t id;
    uint8_t kind;
    uint8_t flags;
    int16_t x, y, width, height;
    const char* text;
    int16_t iconId;  // kDlgIcon only
};

struct DialogDef {
    int16_t id;
    int16_t width, height;
    const char* title;
    const DialogItemDef* items;
    int16_t itemCount;
};

// The font every dialog is laid out in.
constexpr int16_t kDialogFontPoints = 8;
constexpr const char* kDialogFontName = "MS Shell Dlg";

extern const DialogDef kDialogTable[];
extern const int32_t kDialogTableCount;

// The dialog with this resource id, or null.
const DialogDef* FindDialogDef(int32_t id);

// Resource ids of the dialogs.
constexpr int16_t kDialogEditor = 1000;
constexpr int16_t kDialogHelp = 1001;
constexpr int16_t kDialogPreferences = 1004;
constexpr int16_t kDialogSharpenNoise = 1005;
constexpr int16_t kDialogAlert = 6000;
constexpr int16_t kDialogAbout = 6002;
