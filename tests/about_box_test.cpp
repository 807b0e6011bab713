// The About box on the headless backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/about_box.h"
#include "resources/dialog_table.h"
#include "resources/pictures.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
class AboutBoxTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    }
    void TearDown() override { Ui_State_Close(&state); }
};
}  // namespace

// Title, picture and the centred lines: the version, two blank lines, the
// four notice lines, a blank line and the credit lines, 16 pixels apart with
// two credit lines (1022 is empty).
TEST_F(AboutBoxTest, ShowsTheVersionAndNoticeLines) {
    Headless_QueueClick(1);
    ASSERT_EQ(RunAboutBox(state), kUiOk);
    const HeadlessDialog* d = Headless_LastDialog(kDialogAbout);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->ranOutOfEvents);
    EXPECT_EQ(d->title, "About Vantoria");
    const auto& picture = d->Item(3)->draws;
    ASSERT_EQ(picture.size(), 1u);
    EXPECT_EQ(picture[0].op, 'B');
    EXPECT_EQ(picture[0].id, kBitmapAbout);

    const HeadlessItem* text = d->Item(4);
    std::vector<std::string> lines;
    std::vector<int32_t> offsets;
    for (const HeadlessDrawOp& op : text->draws) {
        EXPECT_EQ(op.flags, 1);  // centred
        lines.push_back(op.text);
        offsets.push_back(op.rect.top - text->rect.top);
    }
    char s[kUiStringCapacity];
    const std::vector<std::string> want = {"Version: 2.0",
                                           Ui_ResString(state, kStrAboutLine1, s),
                                           Ui_ResString(state, kStrAboutLine2, s),
                                           Ui_ResString(state, kStrAboutLine3, s),
                                           Ui_ResString(state, kStrAboutLine4, s),
                                           Ui_ResString(state, kStrNoticeSummary, s),
                                           Ui_ResString(state, kStrNoticeCopyright, s),
                                           Ui_ResString(state, kStrNoticeExtra, s)};
    EXPECT_EQ(lines, want);
    EXPECT_EQ(offsets, (std::vector<int32_t>{0, 48, 64, 80, 96, 128, 144, 160}));
}

TEST_F(AboutBoxTest, AnyOfTheFirstFourItemsCloses) {
    for (int32_t item : {1, 3, 4}) {
        Headless_QueueClick(item);
        ASSERT_EQ(RunAboutBox(state), kUiOk);
        const HeadlessDialog* d = Headless_LastDialog(kDialogAbout);
        EXPECT_EQ(d->result, item);
        EXPECT_FALSE(d->ranOutOfEvents);
    }
    Headless_QueueCommand(2, 0);
    ASSERT_EQ(RunAboutBox(state), kUiOk);
    EXPECT_EQ(Headless_LastDialog(kDialogAbout)->result, 2);
}
