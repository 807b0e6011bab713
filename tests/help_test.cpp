// Resources as files, strings, the web page opener and the help dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/dialog_table.h"
#include "resources/help_text.h"
#include "tests/support/test_support.h"
#include "ui/alert.h"
#include "ui/help.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless_dialogs.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {
class HelpTest : public ::testing::Test {
  protected:
    UiState* state = nullptr;
    std::string folder;
    void SetUp() override {
        ASSERT_EQ(Ui_State_Open(&state, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
        folder = MakeTempFolder("help");
    }
    void TearDown() override { Ui_State_Close(&state); }

    // A help file with the given lines, each ended with CR LF.
    std::string HelpFileOf(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        const std::string path = folder + "help.tmp";
        EXPECT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end())));
        return path;
    }

    // The paragraphs of a topic, read as the help dialog reads them.
    std::vector<std::string> Paragraphs(const std::string& path, int32_t topic, int32_t* status) {
        HelpFile help = {};
        FLSpec spec;
        FL_DiskSpec(&spec, path.c_str());
        std::vector<std::string> out;
        *status = FLOpen(&help.file, &spec, kFLRead);
        if (*status != kUiOk) return out;
        *status = Ui_Help_FindTopic(&help, topic);
        for (int32_t more = *status == kUiOk; more;) {
            char text[1024];
            if (Ui_Help_ReadParagraph(&help, text, sizeof text, &more) != kUiOk) break;
            if (text[0] != 0 || more) out.push_back(text);
        }
        FLClose(&help.file);
        return out;
    }
};
}  // namespace

TEST_F(HelpTest, ResourceToFileCopiesTheHelpTextAndRefusesOtherResources) {
    const std::string path = folder + "out.txt";
    FLSpec spec;
    ASSERT_EQ(FL_DiskSpec(&spec, path.c_str()), kUiOk);
    ASSERT_EQ(Ui_ResToFile(state, kUiResTypeHelp, 1000, &spec), kUiOk);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(kHelpText, kHelpTextSize));

    EXPECT_EQ(Ui_ResToFile(state, 0x50495050 /* 'PIPP' */, 1000, &spec), kUiErrArg);
    EXPECT_EQ(Ui_ResToFile(state, kUiResTypeHelp, 127, &spec), kUiErrArg);
    EXPECT_EQ(Ui_ResToFile(state, kUiResTypeHelp, 32768, &spec), kUiErrArg);
    EXPECT_EQ(Ui_ResToFile(state, kUiResTypeHelp, 1001, &spec), kUiErrSeek);  // not found
}

TEST_F(HelpTest, MissingStringsAreEmptyAndLogged) {
    state->diagnostics = 1;
    RemoveDebugLog();
    char text[kUiStringCapacity] = "stale";
    EXPECT_EQ(Ui_ResToCString(state, static_cast<StringId>(4242), text, sizeof text), kUiErrArg);
    EXPECT_STREQ(text, "");
    EXPECT_STREQ(Ui_ResString(state, static_cast<StringId>(4242), nullptr), "");
    EXPECT_STREQ(Ui_ResString(state, kStrHelpTitleSuffix, nullptr), " Help");
    EXPECT_NE(ReadDebugLog().find("Ui_ResToCString, LoadString error = 4242"), std::string::npos);
    state->diagnostics = 0;
}

// Paragraph lines are joined by single spaces; the last topic before "##" is
// read to its end; a topic that is not there is a data format error.
TEST_F(HelpTest, TopicsAreFoundAndTheirParagraphsJoined) {
    const std::string path = HelpFileOf({"#10 First", "?", "one", "two", "*", "", "#11 Last", "?",
                                         "alpha", "beta", "gamma", "*", "?", "delta", "*", "##"});
    int32_t status = 0;
    EXPECT_EQ(Paragraphs(path, 10, &status), (std::vector<std::string>{"one two"}));
    EXPECT_EQ(status, kUiOk);
    EXPECT_EQ(Paragraphs(path, 11, &status),
              (std::vector<std::string>{"alpha beta gamma", "delta"}));
    EXPECT_EQ(status, kUiOk);
    Paragraphs(path, 12, &status);
    EXPECT_EQ(status, kUiErrFormat);
    // A paragraph cut short by the next header ends the topic there.
    const std::string cut = HelpFileOf({"#5 A", "?", "x", "y", "#6 B", "?", "z", "*", "##"});
    EXPECT_EQ(Paragraphs(cut, 5, &status), (std::vector<std::string>{"x y"}));
}

TEST_F(HelpTest, TheBuiltInTextHasItsFourTopics) {
    const std::string path = folder + "builtin.tmp";
    FLSpec spec;
    FL_DiskSpec(&spec, path.c_str());
    ASSERT_EQ(Ui_ResToFile(state, kUiResTypeHelp, 1000, &spec), kUiOk);
    for (int32_t topic : {2000, 2001, 2002, 2003}) {
        int32_t status = 0;
        const std::vector<std::string> p = Paragraphs(path, topic, &status);
        EXPECT_EQ(status, kUiOk);
        EXPECT_GE(p.size(), 2u) << topic;
        for (const std::string& s : p) EXPECT_EQ(s.find('\n'), std::string::npos);
    }
}

// The dialog: title, topic title, the text item grown to the laid-out
// height with the buttons moved below it, and the two web pages.
TEST_F(HelpTest, HelpDialogGrowsToItsTextAndOpensThePages) {
    char path[kUiPathCapacity];
    ASSERT_EQ(Ui_Help_Prepare(state, path), kUiOk);
    Headless_SetShellResult(42);
    Headless_QueueClick(kUiHelpGuide);
    Headless_QueueClick(kUiHelpFaq);
    Headless_QueueClick(kUiHelpOk);
    Ui_Help_Show(state, path, 2001);
    const HeadlessDialog* d = Headless_LastDialog(kDialogHelp);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->result, kUiHelpOk);
    EXPECT_EQ(d->title, "Vantoria Help");
    EXPECT_EQ(d->Item(kUiHelpTitle)->text, "Memory Colors");
    const HeadlessItem* text = d->Item(kUiHelpText);
    const int32_t grow = (text->rect.bottom - text->rect.top) - 10 * 13 / 8;
    EXPECT_GT(grow, 0);
    EXPECT_EQ(d->Item(kUiHelpOk)->rect.top, 36 * 13 / 8 + grow);
    EXPECT_EQ(d->Item(kUiHelpGuide)->rect.top, 36 * 13 / 8 + grow);
    EXPECT_EQ(d->window.bottom - d->window.top,
              56 * 13 / 8 + kHeadlessCaption + kHeadlessBorder + grow);
    // Three paragraphs drawn, each from the top of the space left.
    ASSERT_EQ(text->draws.size(), 3u);
    EXPECT_EQ(text->draws[0].rect.top, text->rect.top);
    EXPECT_EQ(text->draws[0].text.rfind("A memory colour is described by its hue, its chroma", 0),
              0u);
    EXPECT_EQ(Headless_ShellOpened(),
              (std::vector<std::string>{Ui_ResString(state, kStrUrlGuideMemoryColors, nullptr),
                                        Ui_ResString(state, kStrUrlFaq, nullptr)}));
    FLSpec spec;
    FL_DiskSpec(&spec, path);
    FLDelete(&spec);
}

TEST_F(HelpTest, UserGuidePageByTopic) {
    char path[kUiPathCapacity];
    ASSERT_EQ(Ui_Help_Prepare(state, path), kUiOk);
    Headless_SetShellResult(33);
    const struct {
        int32_t topic;
        StringId page;
    } pages[] = {{2000, kStrUrlGuideOverview},
                 {2001, kStrUrlGuideMemoryColors},
                 {2002, kStrUrlGuidePreferences},
                 {2003, kStrUrlGuideSharpenNoise}};
    for (const auto& p : pages) {
        Headless_QueueClick(kUiHelpGuide);
        Headless_QueueClick(kUiHelpOk);
        Ui_Help_Show(state, path, p.topic);
        EXPECT_EQ(Headless_ShellOpened().back(), Ui_ResString(state, p.page, nullptr)) << p.topic;
    }
    FLSpec spec;
    FL_DiskSpec(&spec, path);
    FLDelete(&spec);
}

TEST_F(HelpTest, BrowserFailureShowsTheNoteWithTheNumber) {
    Headless_SetShellResult(2);
    EXPECT_EQ(Ui_OpenWebPage(state, "https://example.invalid/"), kUiErrGeneral);
    const HeadlessDialog* d = Headless_LastDialog(kDialogAlert);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Item(kUiAlertMessage)->text, "Could not launch the Internet browser (error = 2).");
    EXPECT_FALSE(d->Item(kUiAlertButton2)->visible);
    EXPECT_EQ(d->Item(kUiAlertIconItem)->draws.at(0).id, -3);  // the note icon
    Headless_SetShellResult(33);
    EXPECT_EQ(Ui_OpenWebPage(state, "https://example.invalid/"), kUiOk);
}

TEST_F(HelpTest, MissingFileOrTopicIsReportedAndNoHelpShown) {
    const std::string missing = folder + "none.tmp";
    Ui_Help_Show(state, missing.c_str(), 2000);
    EXPECT_EQ(Headless_LastDialog(kDialogHelp), nullptr);
    const HeadlessDialog* alert = Headless_LastDialog(kDialogAlert);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->Item(kUiAlertMessage)->text,
              "A file open error occurred while opening file " + missing + ".");

    const std::string path = HelpFileOf({"#1 One", "?", "a", "*", "##"});
    Ui_Help_Show(state, path.c_str(), 2000);
    EXPECT_EQ(Headless_LastDialog(kDialogHelp), nullptr);
    EXPECT_EQ(Headless_LastDialog(kDialogAlert)->Item(kUiAlertMessage)->text,
              "A data format error occurred while reading file " + path + ".");

    const std::string unended = HelpFileOf({"#1 One", "?", "a", "*"});
    Ui_Help_Show(state, unended.c_str(), 2000);
    EXPECT_EQ(Headless_LastDialog(kDialogAlert)->Item(kUiAlertMessage)->text,
              "A file read error occurred while reading line 5 of file " + unended + ".");
}
