// The dialog framework on the headless backend: events reach the handler
// set as the window system would deliver them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "tests/support/alloc_failure_loop.h"
#include "ui/allocator.h"
#include "ui/cursor.h"
#include "ui/dialog.h"
#include "ui/dialog_events.h"
#include "ui/draw.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/platform_dialog.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
// What the handlers saw, in order: "hit 3", "track 5 0 (x,y)", "key 65 1" ...
struct Journal {
    std::vector<std::string> events;
    int32_t trackAnswerDown = 1;  // phase 0's answer
    int32_t trackAnswerUp = 1;    // phase 2's answer
    int32_t idleCalls = 0;
    int32_t cursorCalls = 0;
    int32_t initAnswer = 0;
    bool withIdle = false;
};

Journal* J(void* dialog) {
    return static_cast<Journal*>(Ui_Dlg_UserData(dialog));
}

void Hit(void* dialog, int32_t item) {
    J(dialog)->events.push_back("hit " + std::to_string(item));
    if (item == 1 || item == 2) Ui_Dlg_SetDone(dialog, item);
}

int32_t Track(void* dialog, int32_t item, int32_t phase) {
    const UiDlgRec* rec = Ui_Dlg_Record(dialog);
    J(dialog)->events.push_back("track " + std::to_string(item) + " " + std::to_string(phase) +
                                " (" + std::to_string(rec->mouseX) + "," +
                                std::to_string(rec->mouseY) + ")" + (rec->alt ? " alt" : ""));
    if (phase == kUiTrackDown) return J(dialog)->trackAnswerDown;
    return phase == kUiTrackUp ? J(dialog)->trackAnswerUp : 0;
}

int32_t Key(void* dialog, int32_t key, int32_t ctrl) {
    J(dialog)->events.push_back("key " + std::to_string(key) + " " + std::to_string(ctrl));
    return 1;
}

int32_t Idle(void* dialog) {
    ++J(dialog)->idleCalls;
    return 0;
}

int32_t Cursor(void* dialog) {
    ++J(dialog)->cursorCalls;
    return 1;
}

int32_t Init(void* dialog) {
    UiDlgProcs procs = {};
    procs.itemHit = Hit;
    procs.track = Track;
    procs.key = Key;
    procs.cursor = Cursor;
    if (J(dialog)->withIdle) procs.idle = Idle;
    Ui_Dlg_SetProcs(dialog, &procs);
    return J(dialog)->initAnswer;
}

class DialogTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    Journal journal;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    }
    void TearDown() override { Ui_State_Close(&state); }
    int32_t Run(int32_t dialogId, int32_t* result) {
        return Ui_Dlg_DoModal(state, dialogId, nullptr, Init, &journal, result);
    }
};

}  // namespace

TEST_F(DialogTest, DeclinedTrackBecomesItemHitAndAcceptedTrackRunsThePhases) {
    journal.trackAnswerDown = 0;
    Headless_QueueClick(3);  // help "?" user item of the preferences dialog
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(journal.events.size(), 3u);
    EXPECT_EQ(journal.events[0].rfind("track 3 0", 0), 0u);
    EXPECT_EQ(journal.events[1], "hit 3");
    EXPECT_EQ(journal.events[2], "hit 1");

    // Taken: press, two moves, release; the release's answer decides.
    journal = Journal();
    Headless_QueueTrack(6, {270, 55, 280, 56, 290, 57, 300, 58}, kHeadlessAlt);
    Headless_QueueCall([](void* dialog, void*) { J(dialog)->trackAnswerUp = 0; }, nullptr);
    Headless_QueueTrack(6, {270, 55});  // a release left unhandled still becomes a hit
    Headless_QueueClick(2);
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(result, 2);
    const std::vector<std::string> want = {"track 6 0 (270,55) alt",
                                           "track 6 1 (280,56) alt",
                                           "track 6 1 (290,57) alt",
                                           "track 6 2 (300,58) alt",
                                           "track 6 0 (270,55)",
                                           "track 6 2 (270,55)",
                                           "hit 6",
                                           "hit 2"};
    EXPECT_EQ(journal.events, want);
}

TEST_F(DialogTest, OnlyClicksSelectionsAndEditNotificationsReachTheHandler) {
    const int32_t passed[] = {kUiNotifyClicked, kUiNotifySelChange, kUiNotifyKillFocus,
                              kUiNotifyChange};
    const int32_t ignored[] = {5 /* double click */, 7 /* drop down */, 0x100 /* set focus */,
                               0x400 /* update */};
    for (int32_t n : ignored) Headless_QueueCommand(9, n);
    for (int32_t n : passed) Headless_QueueCommand(9, n);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(journal.events,
              (std::vector<std::string>{"hit 9", "hit 9", "hit 9", "hit 9", "hit 1"}));
}

TEST_F(DialogTest, HiddenOrDisabledItemsCannotBeClicked) {
    Headless_QueueCall(
        [](void* dialog, void*) {
            Ui_Dlg_Enable(dialog, 5, 0);
            Ui_Dlg_Show(dialog, 9, 0);
        },
        nullptr);
    Headless_QueueClick(5);
    Headless_QueueClick(9);
    Headless_QueueClick(2);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(journal.events, (std::vector<std::string>{"hit 2"}));
    EXPECT_EQ(Headless_LastDialog(kDialogPreferences)->refusedClicks, (std::vector<int32_t>{5, 9}));
}

TEST_F(DialogTest, KeysCarryControlAndModifierChangesCallTheCursorHandler) {
    Headless_QueueKey(0, 'Z', kHeadlessCtrl);
    Headless_QueueKey(6, 0x25);                  // left arrow in a user item
    Headless_QueueKey(6, 0x25, kHeadlessShift);  // Shift now held: the cursor follows
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(journal.events,
              (std::vector<std::string>{"key 90 1", "key 37 0", "key 37 0", "hit 1"}));
    EXPECT_EQ(journal.cursorCalls, 2);  // Control released, then Shift pressed
}

TEST_F(DialogTest, IdleHandlerRunsOnMessagesAndKeepsTheTimer) {
    journal.withIdle = true;
    Headless_QueueTimer();
    Headless_QueueTimer();
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    const HeadlessDialog* d = Headless_LastDialog(kDialogPreferences);
    EXPECT_EQ(d->timerStarts, 3);  // at initialisation and after each tick
    EXPECT_FALSE(d->timerRunning);
    EXPECT_GE(journal.idleCalls, 3);

    journal = Journal();
    Headless_QueueClick(1);
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(Headless_LastDialog(kDialogPreferences)->timerStarts, 0);
}

TEST_F(DialogTest, FailedInitialisationEndsWithTwoAndAnUnknownDialogFails) {
    journal.initAnswer = 1;
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogAlert, &result), kUiOk);
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(journal.events.empty());
    EXPECT_EQ(Headless_QueuedEvents(), 1);
    EXPECT_EQ(Run(1234, &result), kUiErrGeneral);
}

// A dialog measured without being run: the measurement sees the laid-out
// dialog (its window around the client area, the items in pixels), its status
// is passed back, nothing of the dialog is kept, and an unknown dialog is -2.
TEST(DialogMeasure, TheDialogIsReadAndNotKept) {
    struct Read {
        UiRect window, client, item;
        int32_t answer;
    } read = {};
    const auto measure = [](void* dialog, void* context) -> int32_t {
        Read* r = static_cast<Read*>(context);
        EXPECT_EQ(Plat_Dlg_GetRect(dialog, 0, &r->window), 0);
        EXPECT_EQ(Plat_Dlg_GetRect(dialog, -1, &r->client), 0);
        EXPECT_EQ(Plat_Dlg_GetRect(dialog, 4, &r->item), 0);
        return r->answer;
    };
    for (const int32_t answer : {kUiOk, kUiErrCancelled}) {
        read.answer = answer;
        EXPECT_EQ(Plat_Dlg_Measure(nullptr, kDialogEditor, measure, &read), answer);
    }
    EXPECT_EQ(read.client.right, 520 * 3 / 2);
    EXPECT_EQ(read.window.right - read.window.left, read.client.right + 2 * kHeadlessBorder);
    EXPECT_EQ(read.window.bottom - read.window.top,
              read.client.bottom + kHeadlessCaption + kHeadlessBorder);
    EXPECT_TRUE(read.item.left == 1 && read.item.right == 383 * 3 / 2);
    EXPECT_EQ(Headless_LastDialog(kDialogEditor), nullptr);
    EXPECT_EQ(Plat_Dlg_Measure(nullptr, 1234, measure, &read), kUiErrGeneral);
}

TEST_F(DialogTest, OutOfMemoryAnywhereEndsTheDialogWithoutLeaks) {
    RunAllocationFailureLoop([&]() -> int32_t {
        int32_t result = 0;
        Headless_QueueClick(1);
        const int32_t status = Run(kDialogPreferences, &result);
        Headless_ResetDialogs();
        if (status == kUiOk) return int32_t(result == 1 ? kUiOk : kUiErrMemory);
        return status;
    });
}

TEST_F(DialogTest, RecordsAreFoundOnlyWithTheirTag) {
    int fake = 0;
    EXPECT_EQ(Ui_Dlg_Record(&fake), nullptr);
    EXPECT_EQ(Ui_Dlg_SetItemText(&fake, 1, "x"), kUiErrGeneral);
    EXPECT_EQ(Ui_Dlg_End(&fake), kUiErrGeneral);
    Headless_QueueCall(
        [](void* dialog, void*) {
            UiDlgRec* rec = Ui_Dlg_Record(dialog);
            ASSERT_NE(rec, nullptr);
            rec->tag = 0x12345678;
            EXPECT_EQ(Ui_Dlg_Record(dialog), nullptr);
            EXPECT_EQ(Ui_Dlg_Show(dialog, 1, 0), kUiErrGeneral);
            rec->tag = kUiDlgTag;
            EXPECT_EQ(Ui_Dlg_Show(dialog, 0, 0), kUiErrArg);
            EXPECT_EQ(Ui_Dlg_Show(dialog, 11, 0), kUiErrArg);
            EXPECT_EQ(Ui_Dlg_SetUserItemProc(dialog, 11, nullptr), kUiErrArg);
        },
        nullptr);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
}

TEST_F(DialogTest, PopupsAreNumberedFromOneAndLinkedItemsFollow) {
    Headless_QueueCall(
        [](void* dialog, void*) {
            const StringId starts[] = {kStrStartPrevious, kStrStartCustom, kStrStartReset};
            ASSERT_EQ(Ui_Popup_FillFromStrings(dialog, 4, starts, 3), kUiOk);
            ASSERT_EQ(Ui_Popup_Select(dialog, 4, 3), kUiOk);
            int32_t selected = 0;
            ASSERT_EQ(Ui_Popup_Get(dialog, 4, &selected), kUiOk);
            EXPECT_EQ(selected, 3);
            EXPECT_EQ(Headless_Model(dialog)->Item(4)->selection, 2);
            EXPECT_EQ(Ui_Popup_Select(dialog, 4, 0), kUiErrArg);
            EXPECT_EQ(Ui_Popup_Select(dialog, 4, 4), kUiErrArg);
            ASSERT_EQ(Ui_Popup_SetEntryText(dialog, 4, 3, "Start fresh"), kUiOk);
            ASSERT_EQ(Ui_Popup_Get(dialog, 4, &selected), kUiOk);
            EXPECT_EQ(selected, 3);
            EXPECT_EQ(Ui_Popup_SetEntryFlag(dialog, 4, 2, 7), kUiOk);
            EXPECT_EQ(Ui_Dlg_Record(dialog)->popups[3].entryFlags[1], 7);
            ASSERT_EQ(Ui_Popup_Link(dialog, 4, 10), kUiOk);
            ASSERT_EQ(Ui_Dlg_Show(dialog, 4, 0), kUiOk);
            EXPECT_FALSE(Headless_Model(dialog)->Item(10)->visible);
            ASSERT_EQ(Ui_Popup_NumberCompanions(dialog), kUiOk);
            EXPECT_EQ(Ui_Dlg_Record(dialog)->popups[3].linkedItem, 10);  // 10 - 1 + 1 + 0
            Ui_Dlg_Show(dialog, 4, 1);
        },
        nullptr);
    Headless_QueuePopupChoice(4, 1);
    Headless_QueueCall(
        [](void* dialog, void* out) { Ui_Popup_Get(dialog, 4, static_cast<int32_t*>(out)); },
        &journal.idleCalls);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    EXPECT_EQ(journal.idleCalls, 1);
    EXPECT_EQ(Headless_LastDialog(kDialogPreferences)->Item(4)->entries,
              (std::vector<std::string>{"Previous Settings", "Custom Settings", "Start fresh"}));
}

TEST_F(DialogTest, ControlsReadBackWhatWasSet) {
    Headless_QueueCall(
        [](void* dialog, void*) {
            char text[64];
            ASSERT_EQ(Ui_Dlg_SetItemText(dialog, 5, "Load..."), kUiOk);
            ASSERT_EQ(Ui_Dlg_GetItemText(dialog, 5, text, sizeof text), kUiOk);
            EXPECT_STREQ(text, "Load...");
            ASSERT_EQ(Ui_Dlg_GetItemText(dialog, 5, text, 4), kUiOk);
            EXPECT_STREQ(text, "Loa");
            int32_t checked = -1;
            ASSERT_EQ(Ui_Dlg_SetCheck(dialog, 7, 1), kUiOk);
            ASSERT_EQ(Ui_Dlg_GetCheck(dialog, 7, &checked), kUiOk);
            EXPECT_EQ(checked, 1);
            const UiRect moved = {10, 20, 30, 120};
            ASSERT_EQ(Ui_Dlg_MoveItem(dialog, 9, &moved), kUiOk);
            UiRect r;
            ASSERT_EQ(Ui_Dlg_ItemRect(dialog, 9, &r), kUiOk);
            EXPECT_EQ(r.top, 10);
            EXPECT_EQ(r.right, 120);
            EXPECT_EQ(Ui_Dlg_Focus(dialog, 5), kUiOk);
            Headless_SetForeground(false);
            EXPECT_EQ(Ui_Dlg_Focus(dialog, 5), kUiErrUnsupported);
            Headless_SetForeground(true);
            EXPECT_EQ(Ui_Dlg_PlainStyle(dialog, 7), kUiOk);
            EXPECT_TRUE(Headless_Model(dialog)->Item(7)->plainTheme);
            ASSERT_EQ(Ui_Dlg_SetTitle(dialog, "Prefs"), kUiOk);
            ASSERT_EQ(Ui_Dlg_GetTitle(dialog, text, sizeof text), kUiOk);
            EXPECT_STREQ(text, "Prefs");
        },
        nullptr);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    const HeadlessDialog* d = Headless_LastDialog(kDialogPreferences);
    EXPECT_TRUE(d->Item(7)->checked);
    EXPECT_EQ(d->Item(1)->rect.left, 214 * 3 / 2);  // dialog units in pixels
    EXPECT_EQ(d->Item(1)->rect.top, 103 * 13 / 8);
}

// The placement rule: centred across, a third of the free height above,
// moved back onto the screen, never negative.
TEST(DialogPlacement, CentreOverTheOwnerAndStayOnTheScreen) {
    const UiRect screen = {0, 0, 768, 1024};
    struct Case {
        UiRect dialog, owner;
        int32_t left, top;
    } cases[] = {
        {{0, 0, 100, 200}, {100, 100, 400, 500}, 200, 166},   // (300 - 100) / 3 = 66
        {{0, 0, 500, 600}, {100, 100, 400, 500}, 0, 100},     // larger: top at the owner's top
        {{0, 0, 300, 400}, {600, 800, 760, 1020}, 624, 468},  // kept off the right and bottom
        {{0, 0, 900, 1200}, {0, 0, 768, 1024}, 0, 0},         // larger than the screen
    };
    for (const Case& c : cases) {
        int32_t left = -1, top = -1;
        Ui_Dlg_CenterRect(&c.dialog, &c.owner, &screen, &left, &top);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(top, c.top);
    }
}

TEST_F(DialogTest, CentringUsesTheOwnerWindow) {
    int owner = 0;
    Headless_SetWindowRect(&owner, {200, 300, 260, 400});  // smaller than the dialog
    state->parentWindow = &owner;
    Headless_QueueCall([](void* dialog, void*) { ASSERT_EQ(Ui_Dlg_Center(dialog), kUiOk); },
                       nullptr);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    const HeadlessDialog* d = Headless_LastDialog(kDialogPreferences);
    EXPECT_EQ(d->parent, &owner);
    EXPECT_EQ(d->window.top, 200);
    EXPECT_EQ((d->window.left + d->window.right) / 2, 350);
    EXPECT_EQ(state->parentWindow, &owner);  // restored after the dialog
}

TEST_F(DialogTest, UserItemsPaintThroughTheirProcedures) {
    Headless_QueueCall(
        [](void* dialog, void*) {
            Ui_Dlg_SetUserItemProc(dialog, 6, [](void* d, int32_t item, void* dc) {
                UiRect r;
                Ui_Dlg_ItemRect(d, item, &r);
                Ui_Draw_Rect(dc, &r, 0xFF0000, 1);
                const uint8_t rgb[8] = {1, 2, 3, 4, 5, 6, 0, 0};
                Ui_Draw_Image(dc, &r, rgb, 2, 1, 8);
                EXPECT_EQ(Ui_Draw_Image(dc, &r, rgb, 2, 1, 6), kUiErrArg);  // rows of whole words
            });
            Ui_Dlg_Invalidate(dialog, 6);
        },
        nullptr);
    Headless_QueueClick(1);
    int32_t result = 0;
    ASSERT_EQ(Run(kDialogPreferences, &result), kUiOk);
    const auto& draws = Headless_LastDialog(kDialogPreferences)->Item(6)->draws;
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].op, 'R');
    EXPECT_EQ(draws[1].op, 'M');
    EXPECT_EQ(draws[1].rgb, 0x010203u);
}

TEST_F(DialogTest, TheStateMakesTheArrowCurrent) {
    EXPECT_EQ(Ui_Cursor_Set(kUiCursorHand), kUiOk);
    EXPECT_EQ(Headless_Cursor(), kUiCursorHand);
    EXPECT_EQ(Ui_Cursor_Set(4321), kUiErrArg);
    UiState* other = nullptr;
    ASSERT_EQ(Ui_State_Open(&other, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    EXPECT_EQ(Headless_Cursor(), kUiCursorArrow);
    Ui_State_Close(&other);
}
