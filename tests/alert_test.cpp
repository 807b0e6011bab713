// Alerts: the error sentence, the advice by code, and the alert dialog's
// buttons, labels and icons on the headless backend.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/dialog_table.h"
#include "tests/support/test_support.h"
#include "ui/alert.h"
#include "ui/draw.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
class AlertTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    }
    void TearDown() override { Ui_State_Close(&state); }
};

const HeadlessDialog* LastAlert() {
    return Headless_LastDialog(kDialogAlert);
}
}  // namespace

TEST_F(AlertTest, CancelShowsNothing) {
    EXPECT_EQ(Ui_Alert_DoOrvexError(state, kUiErrCancelled, "saving x", nullptr), kUiErrCancelled);
    EXPECT_EQ(Ui_Alert_ReportError(state, kUiErrCancelled, nullptr, nullptr), kUiErrCancelled);
    EXPECT_EQ(Headless_DialogCount(), 0);
}

// Message by code, the context joined by " while ", and the advice the error
// report picks when none is given.
TEST_F(AlertTest, SentenceAndAdviceByCode) {
    struct Case {
        int32_t code;
        const char* context;
        const char* sentence;
        const char* advice;
    } cases[] = {
        {-3, "creating profile Portrait.icc",
         "There was not enough memory available while creating profile Portrait.icc.", ""},
        {-12, nullptr, "An unknown error occurred", ""},
        {-1, "launching Vantoria", "A problem occurred while launching Vantoria.", ""},
        {-4, "opening file a.txt", "A file open error occurred while opening file a.txt.",
         "For reading, make sure the file exists.\n\nFor writing, make sure your disk has enough "
         "room and is not locked."},
        {-5, nullptr, "A file read error occurred", "Make sure the file has not been corrupted."},
        {-7, nullptr, "A file seek error occurred", "Make sure the file has not been corrupted."},
        {-6, nullptr, "A file write error occurred",
         "Make sure there is room for the file on the disk."},
        {-8, nullptr, "A data format error occurred",
         "Make sure you have selected the correct type of file."},
        {-11, nullptr, "A timeout error occurred", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ui_Alert_ReportError(state, c.code, c.context, nullptr), c.code);
        const HeadlessDialog* d = LastAlert();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Item(kUiAlertMessage)->text, c.sentence);
        EXPECT_EQ(d->Item(kUiAlertAdvice)->text, c.advice);
        EXPECT_EQ(d->title, "Vantoria");
    }
    // The formatted form takes the context from the string table.
    Ui_Alert_ReportErrorf(state, kUiErrMemory, kStrCtxCreatingProfile, nullptr, "Portrait.icc");
    EXPECT_EQ(LastAlert()->Item(kUiAlertMessage)->text,
              "There was not enough memory available while creating profile Portrait.icc.");
    // Advice given explicitly wins over the table.
    Ui_Alert_ReportError(state, kUiErrOpen, nullptr, "Check the working space.");
    EXPECT_EQ(LastAlert()->Item(kUiAlertAdvice)->text, "Check the working space.");
    // Without a library state nothing is shown.
    const int32_t shown = Headless_DialogCount();
    EXPECT_EQ(Ui_Alert_ReportError(nullptr, kUiErrRead, nullptr, nullptr), kUiErrRead);
    EXPECT_EQ(Headless_DialogCount(), shown);
}

// The sentence never passes its buffer: it is cut at capacity - 1.
TEST_F(AlertTest, SentenceIsCutAtTheBufferCapacity) {
    char small[24];
    std::memset(small, 'x', sizeof small);
    Ui_Alert_ErrorSentence(state, kUiErrMemory, "writing file z", small, sizeof small);
    EXPECT_STREQ(small, "There was not enough me");  // 23 bytes and the terminator
    char tiny[1] = {'x'};
    Ui_Alert_ErrorSentence(state, kUiErrMemory, nullptr, tiny, 1);
    EXPECT_EQ(tiny[0], 0);

    const std::string path(3000, 'p');
    Ui_Alert_DoOrvexError(state, kUiErrWrite, path.c_str(), nullptr);
    const std::string& text = LastAlert()->Item(kUiAlertMessage)->text;
    EXPECT_EQ(text.size(), kUiAlertTextCapacity - 1);
    EXPECT_EQ(text.rfind("A file write error occurred while ppp", 0), 0u);
}

TEST_F(AlertTest, OneAndTwoButtonFormsWithTheirIcons) {
    struct Case {
        int32_t kind;
        int32_t buttons;
        int32_t icon;
    } cases[] = {{kUiAlertStop, 1, kUiIconStop},
                 {kUiAlertCaution, 2, kUiIconCaution},
                 {kUiAlertNote, 1, kUiIconNote},
                 {1005, 1, 1005}};
    for (const Case& c : cases) {
        const UiAlert alert = {"Message", nullptr, c.kind, c.buttons, nullptr, nullptr};
        Headless_QueueClick(kUiAlertButton2);  // refused when hidden
        if (c.buttons == 1) Headless_QueueClick(kUiAlertButton1);
        int32_t pressed = 0;
        ASSERT_EQ(Ui_Alert_Show(state, &alert, 1, &pressed), kUiOk);
        const HeadlessDialog* d = LastAlert();
        EXPECT_EQ(pressed, c.buttons == 2 ? 2 : 1);
        EXPECT_EQ(d->Item(kUiAlertButton2)->visible, c.buttons == 2);
        EXPECT_EQ(Headless_QueuedEvents(), 0);
        const auto& draws = d->Item(kUiAlertIconItem)->draws;
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].op, 'I');
        EXPECT_EQ(draws[0].id, c.icon);
        // Centred across the top of the item.
        const UiRect& item = d->Item(kUiAlertIconItem)->rect;
        EXPECT_EQ(draws[0].rect.top, item.top);
        EXPECT_EQ(draws[0].rect.left - item.left, item.right - draws[0].rect.right);
    }
    EXPECT_EQ(Headless_Beeps(), 4);
}

TEST_F(AlertTest, QuestionReturnsThePressedButton) {
    for (int32_t button : {1, 2}) {
        Headless_QueueClick(button);
        int32_t pressed = 0;
        ASSERT_EQ(Ui_Alert_Question(state, "Use these settings?", "Yes", "No", 0, &pressed), kUiOk);
        EXPECT_EQ(pressed, button);
        EXPECT_EQ(LastAlert()->Item(1)->text, "Yes");
        EXPECT_EQ(LastAlert()->Item(2)->text, "No");
    }
    EXPECT_EQ(Headless_Beeps(), 0);
}

// A label wider than its button (with 20 pixels of margin) widens the button
// to the left; widening button 1 moves button 2 by the same amount. A short
// label leaves both as laid out.
TEST_F(AlertTest, LongLabelsWidenTheirButtonsToTheLeft) {
    const UiRect one = {int16_t(78 * 13 / 8), int16_t(222 * 3 / 2), int16_t(92 * 13 / 8),
                        int16_t(272 * 3 / 2)};
    const UiRect two = {one.top, int16_t(166 * 3 / 2), one.bottom, int16_t(216 * 3 / 2)};
    const char* longLabel = "Continue with these settings";  // 28 characters: 168 + 20 pixels
    const int32_t grow = 168 + 20 - (one.right - one.left);
    ASSERT_GT(grow, 0);

    int32_t pressed = 0;
    ASSERT_EQ(Ui_Alert_Question(state, "Go on?", "Yes", "No", 0, &pressed), kUiOk);
    EXPECT_EQ(std::memcmp(&LastAlert()->Item(1)->rect, &one, sizeof one), 0);
    EXPECT_EQ(std::memcmp(&LastAlert()->Item(2)->rect, &two, sizeof two), 0);

    ASSERT_EQ(Ui_Alert_Question(state, "Go on?", longLabel, "Stop", 0, &pressed), kUiOk);
    const HeadlessDialog* d = LastAlert();
    EXPECT_EQ(d->Item(1)->rect.left, one.left - grow);
    EXPECT_EQ(d->Item(1)->rect.right, one.right);
    EXPECT_EQ(d->Item(2)->rect.left, two.left - grow);
    EXPECT_EQ(d->Item(2)->rect.right, two.right - grow);

    ASSERT_EQ(Ui_Alert_Question(state, "Go on?", "No", longLabel, 0, &pressed), kUiOk);
    d = LastAlert();
    EXPECT_EQ(d->Item(1)->rect.left, one.left);
    EXPECT_EQ(d->Item(2)->rect.left, two.left - grow);
    EXPECT_EQ(d->Item(2)->rect.right, two.right);
}
