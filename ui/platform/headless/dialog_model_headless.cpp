// Headless backend: dialogs as models built from the dialog table, run by
// the framework's event functions with the events a test queued.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "ui/dialog_events.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/platform/headless/headless_internal.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

namespace {
enum EventKind { kClick, kCommand, kTrack, kKey, kPopup, kText, kTimer, kCall };

struct Event {
    EventKind kind;
    int32_t item;
    int32_t value;  // notification, key or entry
    int32_t modifiers;
    std::vector<int32_t> xy;
    std::string text;
    void (*call)(void*, void*);
    void* context;
};

struct Model {
    HeadlessDialog d;
    UiDlgRec* record = nullptr;
    int32_t mouseX = 0, mouseY = 0;
    std::vector<bool> dirty;
};

std::deque<Event> gEvents;
std::vector<std::unique_ptr<Model>> gModels;
std::vector<Model*> gRunning;
UiRect gScreen = {0, 0, 768, 1024};
bool gScreenKnown = true;
std::vector<std::pair<void*, UiRect>> gWindowRects;
bool gForeground = true;
// The current track: its points and the next one to hand out.
const std::vector<int32_t>* gTrack = nullptr;
size_t gTrackNext = 0;
int gFont;

Model* AsModel(void* window) {
    for (Model* m : gRunning)
        if (m == window) return m;
    for (auto& m : gModels)
        if (m.get() == window) return m.get();
    return nullptr;
}

HeadlessItem* ItemOf(void* window, int32_t item) {
    Model* m = AsModel(window);
    if (m == nullptr || item < 1 || item > int32_t(m->d.items.size())) return nullptr;
    return &m->d.items[size_t(item - 1)];
}

int16_t Px(int32_t units, int32_t base, int32_t div) {
    return int16_t(units * base / div);
}

std::unique_ptr<Model> Build(const DialogDef& def, void* parent) {
    auto m = std::make_unique<Model>();
    HeadlessDialog& d = m->d;
    d.id = def.id;
    d.parent = parent;
    d.title = def.title;
    const int16_t width = Px(def.width, 3, 2), height = Px(def.height, 13, 8);
    d.window = {100, 100, int16_t(100 + kHeadlessCaption + height + kHeadlessBorder),
                int16_t(100 + 2 * kHeadlessBorder + width)};
    d.defaultItem = 0;
    d.focusItem = -1;
    d.ended = false;
    d.ranOutOfEvents = false;
    d.result = 0;
    d.timerStarts = 0;
    d.timerRunning = false;
    for (int32_t i = 0; i < def.itemCount; ++i) {
        const DialogItemDef& src = def.items[i];
        HeadlessItem item;
        item.id = src.id;
        item.kind = src.kind;
        item.text = src.text;
        item.visible = (src.flags & kDlgHidden) == 0;
        item.enabled = (src.flags & kDlgDisabled) == 0;
        item.checked = false;
        item.rect = {Px(src.y, 13, 8), Px(src.x, 3, 2), Px(src.y + src.height, 13, 8),
                     Px(src.x + src.width, 3, 2)};
        item.selection = -1;
        item.plainTheme = false;
        d.items.push_back(item);
        if (src.kind == kDlgDefaultButton && d.defaultItem == 0) d.defaultItem = src.id;
    }
    m->dirty.assign(d.items.size(), true);
    return m;
}

void SetModifiers(int32_t modifiers) {
    Headless_SetKeyDown(kPlatKeyControl, (modifiers & kHeadlessCtrl) != 0);
    Headless_SetKeyDown(0x12, (modifiers & kHeadlessAlt) != 0);
    Headless_SetKeyDown(kPlatKeyShift, (modifiers & kHeadlessShift) != 0);
}

// Paints the user items marked for painting, as the system would after an event.
void PaintDirty(Model* m) {
    for (size_t i = 0; i < m->d.items.size() && !m->d.ended; ++i) {
        if (!m->dirty[i]) continue;
        m->dirty[i] = false;
        HeadlessItem& item = m->d.items[i];
        if (item.kind != kDlgUserItem || !item.visible) continue;
        item.draws.clear();
        HeadlessDc dc = {m, item.id};
        UiDlg_UserItemPaint(m, item.id, &dc);
    }
}

void Command(Model* m, int32_t item, int32_t notification) {
    if (UiDlgRec* rec = UiDlg_OnMessage(m)) UiDlg_OnCommand(rec, item, notification);
}

void Deliver(Model* m, const Event& e) {
    SetModifiers(e.modifiers);
    HeadlessItem* item = e.item > 0 ? ItemOf(m, e.item) : nullptr;
    if (item != nullptr) {
        m->mouseX = (item->rect.left + item->rect.right) / 2;
        m->mouseY = (item->rect.top + item->rect.bottom) / 2;
    }
    const bool reachable = item != nullptr && item->visible && item->enabled;
    switch (e.kind) {
        case kClick:
        case kTrack: {
            if (!reachable) {
                m->d.refusedClicks.push_back(e.item);
                return;
            }
            if (item->kind != kDlgUserItem) {
                if (item->kind == kDlgCombo) return;  // a click only opens the list
                Command(m, e.item, kUiNotifyClicked);
                return;
            }
            const std::vector<int32_t> centre = {m->mouseX, m->mouseY};
            gTrack = e.kind == kTrack && e.xy.size() >= 2 ? &e.xy : &centre;
            gTrackNext = 1;
            m->mouseX = (*gTrack)[0];
            m->mouseY = (*gTrack)[1];
            UiDlg_UserItemPress(m, e.item, m->mouseX, m->mouseY);
            gTrack = nullptr;
            return;
        }
        case kCommand:
            Command(m, e.item, e.value);
            return;
        case kKey:
            if (item != nullptr && item->kind == kDlgUserItem) {
                UiDlg_UserItemKey(m, e.item, e.value, (e.modifiers & kHeadlessAlt) != 0);
            } else if (UiDlgRec* rec = UiDlg_OnMessage(m)) {
                UiDlg_OnKey(rec, e.value);
            }
            return;
        case kPopup:
            if (!reachable) {
                m->d.refusedClicks.push_back(e.item);
                return;
            }
            item->selection = e.value - 1;
            Command(m, e.item, kUiNotifySelChange);
            return;
        case kText:
            if (item == nullptr) return;
            item->text = e.text;
            Command(m, e.item, kUiNotifyChange);
            return;
        case kTimer:
            if (UiDlgRec* rec = UiDlg_OnMessage(m)) UiDlg_OnTimer(rec);
            return;
        case kCall:
            e.call(m, e.context);
            return;
    }
}
}  // namespace

// ---- Test control -------------------------------------------------------------------------

void Headless_QueueClick(int32_t item, int32_t modifiers) {
    gEvents.push_back({kClick, item, 0, modifiers, {}, {}, nullptr, nullptr});
}
void Headless_QueueCommand(int32_t item, int32_t notification) {
    gEvents.push_back({kCommand, item, notification, 0, {}, {}, nullptr, nullptr});
}
void Headless_QueueTrack(int32_t item, const std::vector<int32_t>& xy, int32_t modifiers) {
    gEvents.push_back({kTrack, item, 0, modifiers, xy, {}, nullptr, nullptr});
}
void Headless_QueueKey(int32_t item, int32_t virtualKey, int32_t modifiers) {
    gEvents.push_back({kKey, item, virtualKey, modifiers, {}, {}, nullptr, nullptr});
}
void Headless_QueuePopupChoice(int32_t item, int32_t entry) {
    gEvents.push_back({kPopup, item, entry, 0, {}, {}, nullptr, nullptr});
}
void Headless_QueueText(int32_t item, const char* text) {
    gEvents.push_back({kText, item, 0, 0, {}, text ? text : "", nullptr, nullptr});
}
void Headless_QueueTimer() {
    gEvents.push_back({kTimer, 0, 0, 0, {}, {}, nullptr, nullptr});
}
void Headless_QueueCall(void (*call)(void*, void*), void* context) {
    gEvents.push_back({kCall, 0, 0, 0, {}, {}, call, context});
}
int32_t Headless_QueuedEvents() {
    return int32_t(gEvents.size());
}
int32_t Headless_DialogCount() {
    return int32_t(gModels.size());
}
const HeadlessDialog* Headless_Dialog(int32_t index) {
    return index >= 0 && index < int32_t(gModels.size()) ? &gModels[size_t(index)]->d : nullptr;
}
const HeadlessDialog* Headless_LastDialog(int32_t dialogId) {
    for (size_t i = gModels.size(); i-- > 0;)
        if (gModels[i]->d.id == dialogId) return &gModels[i]->d;
    return nullptr;
}
const HeadlessDialog* Headless_Model(void* dialog) {
    Model* m = AsModel(dialog);
    return m ? &m->d : nullptr;
}
void Headless_SetScreen(const UiRect& workArea) {
    gScreen = workArea;
    gScreenKnown = true;
}
void Headless_SetScreenUnknown() {
    gScreenKnown = false;
}
void Headless_SetWindowRect(void* window, const UiRect& rect) {
    gWindowRects.push_back({window, rect});
}
void Headless_SetForeground(bool foreground) {
    gForeground = foreground;
}
void Headless_ResetDialogs() {
    gEvents.clear();
    gModels.clear();
    gRunning.clear();
    gScreen = {0, 0, 768, 1024};
    gScreenKnown = true;
    gWindowRects.clear();
    gForeground = true;
    gTrack = nullptr;
    Headless_ResetDrawing();
}

void Headless_RecordDraw(HeadlessDc* dc, const HeadlessDrawOp& op) {
    Model* m = AsModel(dc->model);
    HeadlessItem* item = ItemOf(m, dc->item);
    if (item != nullptr) item->draws.push_back(op);
}

// ---- The seam -----------------------------------------------------------------------------

int32_t Plat_Dlg_Run(void*, int32_t dialogId, void* parent, UiDlgRec* record, int32_t* result) {
    const DialogDef* def = FindDialogDef(dialogId);
    if (def == nullptr) return kUiErrGeneral;
    gModels.push_back(Build(*def, parent));
    Model* m = gModels.back().get();
    gRunning.push_back(m);
    UiDlg_OnFont(&gFont);
    if (UiDlg_OnInit(m, record) != kUiOk) {
        m->d.ended = true;
        m->d.result = 2;
    } else if (!m->d.ended) {
        if (UiDlgRec* rec = UiDlg_OnMessage(m)) UiDlg_OnPaint(rec);
        PaintDirty(m);
    }
    while (!m->d.ended) {
        if (gEvents.empty()) {
            m->d.ranOutOfEvents = true;
            if (Ui_Dlg_SetDone(m, m->d.defaultItem > 0 ? m->d.defaultItem : 1) != kUiOk ||
                Ui_Dlg_End(m) != kUiOk)
                Plat_Dlg_EndModal(m, m->d.defaultItem);
            break;
        }
        const Event e = gEvents.front();
        gEvents.pop_front();
        Deliver(m, e);
        PaintDirty(m);
    }
    gRunning.pop_back();
    if (result) *result = m->d.result;
    return kUiOk;
}

int32_t Plat_Dlg_Measure(void*, int32_t dialogId, int32_t (*measure)(void* window, void* context),
                         void* context) {
    const DialogDef* def = FindDialogDef(dialogId);
    if (def == nullptr) return kUiErrGeneral;
    // The model is reachable for the measurement only and is not kept.
    std::unique_ptr<Model> m = Build(*def, nullptr);
    gRunning.push_back(m.get());
    const int32_t status = measure(m.get(), context);
    gRunning.pop_back();
    return status;
}

void Plat_Dlg_EndModal(void* window, int32_t result) {
    Model* m = AsModel(window);
    if (m == nullptr || m->d.ended) return;
    m->d.ended = true;
    m->d.result = result;
    m->d.timerRunning = false;
}

UiDlgRec* Plat_Dlg_Record(void* window) {
    Model* m = AsModel(window);
    return m && !m->d.ended ? m->record : nullptr;
}
void Plat_Dlg_SetRecord(void* window, UiDlgRec* record) {
    if (Model* m = AsModel(window)) m->record = record;
}
int32_t Plat_Dlg_ItemCount(void* window) {
    Model* m = AsModel(window);
    return m ? int32_t(m->d.items.size()) : 0;
}

int32_t Plat_Dlg_ItemState(void* window, int32_t item, int32_t what) {
    const HeadlessItem* i = ItemOf(window, item);
    if (i == nullptr) return -1;
    return what == kPlatChecked ? i->checked : what == kPlatVisible ? i->visible : i->enabled;
}

int32_t Plat_Dlg_SetItemState(void* window, int32_t item, int32_t what, int32_t value) {
    HeadlessItem* i = ItemOf(window, item);
    if (i == nullptr) return -1;
    bool& flag = what == kPlatChecked ? i->checked : what == kPlatVisible ? i->visible : i->enabled;
    flag = value != 0;
    Plat_Dlg_Invalidate(window, item);
    return 0;
}

int32_t Plat_Dlg_GetText(void* window, int32_t item, char* text, size_t capacity) {
    Model* m = AsModel(window);
    const HeadlessItem* i = ItemOf(window, item);
    if (m == nullptr || (item != 0 && i == nullptr) || capacity < 1) return -1;
    const std::string& s = item == 0 ? m->d.title : i->text;
    const size_t n = s.size() < capacity - 1 ? s.size() : capacity - 1;
    s.copy(text, n);
    text[n] = 0;
    return int32_t(n);
}

int32_t Plat_Dlg_SetText(void* window, int32_t item, const char* text) {
    Model* m = AsModel(window);
    HeadlessItem* i = ItemOf(window, item);
    if (m == nullptr || (item != 0 && i == nullptr)) return -1;
    (item == 0 ? m->d.title : i->text) = text;
    if (item != 0) Plat_Dlg_Invalidate(window, item);
    return 0;
}

int32_t Plat_Dlg_GetRect(void* window, int32_t item, UiRect* rect) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    const UiRect& w = m->d.window;
    if (item == 0) {
        *rect = w;
    } else if (item == -1) {
        *rect = {0, 0, int16_t(w.bottom - w.top - kHeadlessCaption - kHeadlessBorder),
                 int16_t(w.right - w.left - 2 * kHeadlessBorder)};
    } else {
        const HeadlessItem* i = ItemOf(window, item);
        if (i == nullptr) return -1;
        *rect = i->rect;
    }
    return 0;
}

int32_t Plat_Dlg_SetRect(void* window, int32_t item, const UiRect* rect) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    if (item == 0) {
        m->d.window = *rect;
        return 0;
    }
    HeadlessItem* i = ItemOf(window, item);
    if (i == nullptr) return -1;
    i->rect = *rect;
    Plat_Dlg_Invalidate(window, item);
    return 0;
}

int32_t Plat_Dlg_OwnerRect(void* window, UiRect* rect) {
    Model* m = AsModel(window);
    if (m == nullptr || m->d.parent == nullptr) return -1;
    if (Model* owner = AsModel(m->d.parent)) {
        *rect = owner->d.window;
        return 0;
    }
    for (size_t i = gWindowRects.size(); i-- > 0;)
        if (gWindowRects[i].first == m->d.parent) {
            *rect = gWindowRects[i].second;
            return 0;
        }
    return -1;
}

int32_t Plat_ScreenWorkArea(UiRect* rect) {
    if (!gScreenKnown) return -2;
    *rect = gScreen;
    return 0;
}

int32_t Plat_Dlg_Invalidate(void* window, int32_t item) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    for (size_t i = 0; i < m->dirty.size(); ++i)
        if (item == 0 || int32_t(i) == item - 1) m->dirty[i] = true;
    return 0;
}

int32_t Plat_Dlg_SelectText(void* window, int32_t item) {
    return ItemOf(window, item) ? 0 : -1;
}

int32_t Plat_Dlg_Focus(void* window, int32_t item) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    if (!gForeground) return kUiErrUnsupported;
    m->d.focusItem = item;
    return 0;
}

int32_t Plat_Dlg_SetDefault(void* window, int32_t item) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    m->d.defaultItem = item;
    return 0;
}

void Plat_Dlg_PlainTheme(void* window, int32_t item) {
    if (HeadlessItem* i = ItemOf(window, item)) i->plainTheme = true;
}

void Plat_Dlg_FreeObject(void*) {}

int32_t Plat_Dlg_Combo(void* window, int32_t item, int32_t op, int32_t index, const char* text) {
    HeadlessItem* i = ItemOf(window, item);
    if (i == nullptr || i->kind != kDlgCombo) return -1;
    std::vector<std::string>& e = i->entries;
    const int32_t count = int32_t(e.size());
    switch (op) {
        case kPlatComboReset:
            e.clear();
            i->selection = -1;
            return 0;
        case kPlatComboAdd:
            e.push_back(text);
            return count;
        case kPlatComboDelete:
            if (index < 0 || index >= count) return -1;
            e.erase(e.begin() + index);
            if (i->selection == index) i->selection = -1;
            return 0;
        case kPlatComboInsert:
            if (index < 0 || index > count) return -1;
            e.insert(e.begin() + index, text);
            return index;
        case kPlatComboSelect:
            if (index < -1 || index >= count) return -1;
            i->selection = index;
            return 0;
        case kPlatComboSelection:
            return i->selection;
        case kPlatComboCount:
            return count;
        default:
            return -1;
    }
}

int32_t Plat_Dlg_Timer(void* window, int32_t start, int32_t) {
    Model* m = AsModel(window);
    if (m == nullptr) return -1;
    m->d.timerRunning = start != 0;
    if (start) ++m->d.timerStarts;
    return 0;
}

void Plat_Dlg_CursorPos(void* window, int32_t* x, int32_t* y) {
    Model* m = AsModel(window);
    *x = m ? m->mouseX : 0;
    *y = m ? m->mouseY : 0;
}

void Plat_Dlg_Capture(void*, int32_t) {}

int32_t Plat_Dlg_TrackMouse(void* window, int32_t* x, int32_t* y) {
    Model* m = AsModel(window);
    if (gTrack == nullptr || m == nullptr) return 0;
    const size_t points = gTrack->size() / 2;
    const size_t i = gTrackNext < points ? gTrackNext : points - 1;
    m->mouseX = *x = (*gTrack)[2 * i];
    m->mouseY = *y = (*gTrack)[2 * i + 1];
    ++gTrackNext;
    return i + 1 < points ? 1 : 0;
}
