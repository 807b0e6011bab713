#include "resources/dialog_table.h"

namespace {
constexpr uint8_t B = kDlgButton, D = kDlgDefaultButton, C = kDlgCheckBox, R = kDlgRadio,
                  S = kDlgStatic, E = kDlgEdit, P = kDlgCombo, U = kDlgUserItem, I = kDlgIcon;
constexpr uint8_t H = kDlgHidden;

// The editor. Items 29 to 48 belong to the memory-colour face and start
// hidden; 1, 2, 11 to 28 and 49 to 57 to the main face; 3 to 10 are shared.
const DialogItemDef kEditorItems[] = {
    {1, D, 0, 457, 312, 50, 12, "OK", 0},
    {2, B, 0, 396, 312, 50, 12, "Cancel", 0},
    {3, U, 0, 509, 1, 11, 10, "?", 0},
    {4, U, 0, 1, 1, 382, 327, "", 0},
    {5, U, 0, 391, 122, 21, 20, "Neutral", 0},
    {6, U, 0, 441, 122, 21, 20, "Skin", 0},
    {7, U, 0, 490, 122, 21, 20, "Custom", 0},
    {8, P, H, 0, 0, 0, 40, "", 0},
    {9, P, 0, 391, 159, 120, 80, "", 0},
    {10, U, 0, 391, 145, 120, 12, "", 0},
    {11, C, 0, 394, 20, 99, 10, "Auto Black Point", 0},
    {12, C, 0, 394, 34, 99, 10, "Auto White Point", 0},
    {13, I, 0, 411, 73, 21, 20, "", 1004},
    {14, U, 0, 411, 93, 23, 10, "", 0},
    {15, U, 0, 435, 84, 10, 9, "", 0},
    {16, U, 0, 435, 73, 10, 9, "", 0},
    {17, I, 0, 458, 73, 21, 20, "", 1005},
    {18, U, 0, 457, 93, 23, 10, "", 0},
    {19, U, 0, 482, 84, 10, 9, "", 0},
    {20, U, 0, 482, 73, 10, 9, "", 0},
    {21, B, 0, 391, 177, 120, 12, "Modify/Add Colors...", 0},
    {22, B, 0, 477, 206, 39, 12, "Undo", 0},
    {23, C, 0, 405, 207, 53, 10, "Preview", 0},
    {24, B, 0, 477, 229, 39, 12, "Reset", 0},
    {25, B, 0, 425, 229, 46, 12, "Custom", 0},
    {26, B, 0, 387, 229, 31, 12, "Prev", 0},
    {27, B, 0, 407, 275, 89, 12, "Preferences...", 0},
    {28, B, 0, 387, 246, 129, 12, "Save Custom Settings...", 0},
    {29, S, H, 393, 101, 28, 10, "Name:", 0},
    {30, E, H, 423, 101, 88, 12, "", 0},
    {31, R, H, 415, 165, 50, 10, "Hue:", 0},
    {32, R, H, 415, 186, 50, 10, "Chroma:", 0},
    {33, R, H, 415, 175, 50, 10, "dHue:", 0},
    {34, U, H, 468, 165, 20, 10, "", 0},
    {35, U, H, 468, 186, 20, 10, "", 0},
    {36, U, H, 468, 175, 20, 10, "", 0},
    {37, U, H, 391, 116, 120, 47, "", 0},
    {38, U, H, 391, 198, 120, 11, "", 0},
    {39, B, H, 391, 216, 58, 12, "Picker...", 0},
    {40, B, H, 453, 216, 58, 12, "Import...", 0},
    {41, B, H, 391, 232, 58, 12, "Load...", 0},
    {42, B, H, 453, 232, 58, 12, "Save...", 0},
    {43, B, H, 391, 248, 58, 12, "Undo", 0},
    {44, B, H, 453, 248, 58, 12, "Clear", 0},
    {45, B, H, 396, 312, 50, 12, "Cancel", 0},
    {46, B, H, 457, 312, 50, 12, "Save", 0},
    {47, S, H, 390, 26, 52, 10, "Memory Colors", 0},
    {48, U, H, 387, 31, 129, 240, "", 0},
    {49, S, 0, 390, 5, 44, 10, "Tonal Range", 0},
    {50, U, 0, 387, 10, 129, 40, "", 0},
    {51, S, 0, 390, 58, 72, 10, "Brightness/Contrast", 0},
    {52, U, 0, 387, 63, 129, 45, "", 0},
    {53, S, 0, 390, 111, 52, 10, "Memory Colors", 0},
    {54, U, 0, 387, 116, 129, 80, "", 0},
    {55, C, 0, 387, 289, 72, 11, "Sharpen", 0},
    {56, C, 0, 387, 300, 72, 11, "Remove Noise", 0},
    {57, B, 0, 463, 293, 50, 12, "Setup...", 0},
    {58, S, 0, 0, 0, 1, 1, " ", 0},
    {59, S, 0, 0, 0, 1, 1, " ", 0},
};

// Help: the text item grows with the topic; the buttons move below it.
const DialogItemDef kHelpItems[] = {
    {1, D, 0, 242, 36, 50, 14, "OK", 0},
    {2, S, 0, 8, 6, 284, 10, "", 0},
    {3, U, 0, 8, 20, 284, 10, "", 0},
    {4, B, 0, 8, 36, 80, 14, "Online User Guide", 0},
    {5, B, 0, 94, 36, 72, 14, "Online FAQ Site", 0},
};

const DialogItemDef kPreferencesItems[] = {
    {1, D, 0, 214, 103, 43, 12, "OK", 0},
    {2, B, 0, 158, 103, 43, 12, "Cancel", 0},
    {3, U, 0, 255, 1, 11, 10, "?", 0},
    {4, P, 0, 57, 11, 112, 40, "", 0},
    {5, B, 0, 57, 30, 112, 12, "Load Custom Settings...", 0},
    {6, U, 0, 173, 31, 90, 10, "", 0},
    {7, C, 0, 57, 55, 134, 12, "Show Sampled Region", 0},
    {8, C, 0, 57, 69, 154, 12, "Use Largest Possible Window", 0},
    {9, B, 0, 9, 103, 87, 12, "Restore Defaults", 0},
    {10, S, 0, 2, 13, 53, 12, "Start With:", 0},
};

// Sharpen / remove noise: labels, sliders and values are drawn by the
// dialog (labels right-aligned, from their item text).
const DialogItemDef kSharpenNoiseItems[] = {
    {1, D, 0, 243, 212, 56, 12, "OK", 0},
    {2, B, 0, 177, 212, 56, 12, "Cancel", 0},
    {3, U, 0, 295, 1, 11, 10, "?", 0},
    {4, B, 0, 7, 212, 87, 12, "Restore Defaults", 0},
    {5, U, 0, 10, 140, 50, 10, "Strength:", 0},
    {6, U, 0, 64, 139, 180, 10, "", 0},
    {7, U, 0, 250, 140, 20, 10, "", 0},
    {8, S, 0, 12, 127, 30, 9, "Sharpen", 0},
    {9, U, 0, 6, 131, 293, 24, "", 0},
    {10, U, 0, 14, 177, 40, 10, "Radius:", 0},
    {11, U, 0, 56, 177, 70, 10, "", 0},
    {12, U, 0, 128, 177, 18, 10, "", 0},
    {13, U, 0, 14, 190, 40, 10, "Threshold:", 0},
    {14, U, 0, 56, 190, 70, 10, "", 0},
    {15, U, 0, 128, 190, 18, 10, "", 0},
    {16, U, 0, 159, 177, 40, 10, "Radius:", 0},
    {17, U, 0, 201, 177, 70, 10, "", 0},
    {18, U, 0, 273, 177, 18, 10, "", 0},
    {19, U, 0, 159, 190, 40, 10, "Threshold:", 0},
    {20, U, 0, 201, 190, 70, 10, "", 0},
    {21, U, 0, 273, 190, 18, 10, "", 0},
    {22, S, 0, 14, 166, 60, 9, "Blue Chrominance", 0},
    {23, U, 0, 10, 170, 140, 34, "", 0},
    {24, S, 0, 159, 166, 60, 9, "Red Chrominance", 0},
    {25, U, 0, 155, 170, 140, 34, "", 0},
    {26, S, 0, 12, 157, 60, 9, "Remove Noise", 0},
    {27, U, 0, 6, 161, 293, 47, "", 0},
    {28, U, 0, 6, 6, 120, 111, "", 0},
    {29, U, 0, 6, 117, 9, 8, "", 0},
    {30, U, 0, 116, 117, 9, 8, "", 0},
    {31, U, 0, 46, 117, 40, 9, "", 0},
    {32, U, 0, 155, 6, 120, 98, "", 0},
};

// Alert: message and advice beside the icon, one or two buttons.
const DialogItemDef kAlertItems[] = {
    {1, D, 0, 222, 78, 50, 14, "OK", 0}, {2, B, 0, 166, 78, 50, 14, "Cancel", 0},
    {3, S, 0, 40, 8, 232, 28, "", 0},    {4, S, 0, 40, 38, 232, 36, "", 0},
    {5, U, 0, 8, 8, 24, 24, "", 0},
};

// About: the picture (bitmap 1000) above the centred notice lines.
const DialogItemDef kAboutItems[] = {
    {1, D, 0, 95, 176, 50, 14, "OK", 0},
    {2, S, H, 0, 0, 1, 1, " ", 0},
    {3, U, 0, 8, 8, 224, 52, "", 0},
    {4, U, 0, 8, 64, 224, 106, "", 0},
};

#define DIALOG_ITEMS(items) items, int16_t(sizeof items / sizeof items[0])
}  // namespace

const DialogDef kDialogTable[] = {
    {kDialogEditor, 520, 329, "Vantoria", DIALOG_ITEMS(kEditorItems)},
    {kDialogHelp, 300, 56, "Vantoria Help", DIALOG_ITEMS(kHelpItems)},
    {kDialogPreferences, 267, 124, "Vantoria Preferences", DIALOG_ITEMS(kPreferencesItems)},
    {kDialogSharpenNoise, 306, 229, "Sharpen / Remove Noise", DIALOG_ITEMS(kSharpenNoiseItems)},
    {kDialogAlert, 280, 98, "Vantoria", DIALOG_ITEMS(kAlertItems)},
    {kDialogAbout, 240, 196, "About Vantoria", DIALOG_ITEMS(kAboutItems)},
};

const int32_t kDialogTableCount = int32_t(sizeof kDialogTable / sizeof kDialogTable[0]);

const DialogDef* FindDialogDef(int32_t id) {
    for (int32_t i = 0; i < kDialogTableCount; ++i)
        if (kDialogTable[i].id == id) return &kDialogTable[i];
    return nullptr;
}
