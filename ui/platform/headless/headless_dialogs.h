// Test control of the headless dialogs. Each dialog the program runs is
// built as a model from the dialog table (items, kinds, texts, rectangles in
// pixels, visibility, enabled and checked states, popup entries) and fed the
// events the test queued, in order, across nested dialogs: clicks, commands,
// user-item tracks with their points, keys with modifiers, popup choices,
// typed text, timer ticks and calls back into the test. A dialog that runs
// out of events ends with its default button. Models stay readable after
// their dialog ended, until Headless_Reset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog.h"

// Modifier keys held during an event.
enum HeadlessModifiers : int32_t {
    kHeadlessCtrl = 1,
    kHeadlessAlt = 2,
    kHeadlessShift = 4,
};

struct HeadlessDrawOp {
    char op;  // 'T' text, 'R' rectangle, 'E' erase, 'L' lines, 'I' icon, 'B' bitmap, 'M' image, 'X'
              // inverted outline
    UiRect rect;
    std::string text;
    int32_t id;  // icon or bitmap id
    int32_t flags;
    uint32_t rgb;
};

struct HeadlessItem {
    int32_t id;
    uint8_t kind;  // DialogItemKind
    std::string text;
    bool visible, enabled, checked;
    UiRect rect;  // client pixels
    std::vector<std::string> entries;
    int32_t selection;  // entry index from 0, -1 none
    bool plainTheme;
    std::vector<HeadlessDrawOp> draws;  // the item's last paint
};

struct HeadlessDialog {
    int32_t id;
    void* parent;
    std::string title;
    UiRect window;  // screen pixels, frame included
    std::vector<HeadlessItem> items;
    int32_t defaultItem;
    int32_t focusItem;  // -1 the dialog itself
    bool ended;
    bool ranOutOfEvents;
    int32_t result;
    int32_t timerStarts;
    bool timerRunning;
    std::vector<int32_t> refusedClicks;  // clicks on hidden or disabled items
    const HeadlessItem* Item(int32_t item) const {
        return item >= 1 && item <= int32_t(items.size()) ? &items[size_t(item - 1)] : nullptr;
    }
};

// Pixel size of a dialog unit in the model: x * 3 / 2, y * 13 / 8 (the base
// units of an 8-point dialog font, 6 by 13 pixels). Text is 6 pixels a
// character and 13 pixels a line.
constexpr int32_t kHeadlessCharWidth = 6;
constexpr int32_t kHeadlessLineHeight = 13;
constexpr int32_t kHeadlessCaption = 26;  // frame above the client area
constexpr int32_t kHeadlessBorder = 3;    // frame on the other sides

void Headless_QueueClick(int32_t item, int32_t modifiers = 0);
void Headless_QueueCommand(int32_t item, int32_t notification);
// A press at the first point, moves through the middle ones, the release at
// the last (client coordinates, x then y; one point is a press and release).
void Headless_QueueTrack(int32_t item, const std::vector<int32_t>& xy, int32_t modifiers = 0);
void Headless_QueueKey(int32_t item, int32_t virtualKey, int32_t modifiers = 0);  // item 0: dialog
void Headless_QueuePopupChoice(int32_t item, int32_t entry);                      // entry from 1
void Headless_QueueText(int32_t item, const char* text);
void Headless_QueueTimer();
void Headless_QueueCall(void (*call)(void* dialog, void* context), void* context);
int32_t Headless_QueuedEvents();

int32_t Headless_DialogCount();  // dialogs run since the reset, in order of opening
const HeadlessDialog* Headless_Dialog(int32_t index);
const HeadlessDialog* Headless_LastDialog(int32_t dialogId);  // null when none ran
// The model of a running dialog window (inside a queued call).
const HeadlessDialog* Headless_Model(void* dialog);

void Headless_SetScreen(const UiRect& workArea);  // default 0,0 to 1024 x 768
void Headless_SetScreenUnknown();                 // the query fails until the next reset
void Headless_SetWindowRect(void* window, const UiRect& rect);  // an owner's rectangle
void Headless_SetForeground(bool foreground);                   // false: focus requests are refused

// The shell: the answer to the next openings (above 32 success) instead of
// starting xdg-open, and the addresses asked for.
void Headless_SetShellResult(int32_t result);
const std::vector<std::string>& Headless_ShellOpened();

int32_t Headless_Cursor();  // the current cursor (ui/cursor.h)
int32_t Headless_Beeps();

void Headless_ResetDialogs();
