// The entry point, called directly (statically linked) with a host kit record:
// dispatch, the diagnostics switch, the library state around each call, the
// handles, the rectangles, the capability checks and the bookkeeping lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "host/blocks.h"
#include "host/handle_lock.h"
#include "host/host_checks.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/plugin_main.h"
#include "hostkit/hostkit.h"
#include "tests/support/test_support.h"
#include "ui/allocator.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Matcher;
using ::testing::Not;
using ::testing::StartsWith;

// The log holds a line that ends in this text.
Matcher<const std::string&> HasLine(const std::string& line) {
    return HasSubstr(line + "\n");
}
Matcher<const std::string&> HasLineIf(bool present, const std::string& line) {
    if (present) return HasLine(line);
    return Not(HasLine(line));
}

template <typename R>
std::array<int32_t, 4> Edges(const R& r) {
    return {r.top, r.left, r.bottom, r.right};
}

class PluginMainTest : public ::testing::Test {
  protected:
    std::vector<uint8_t> pixels = std::vector<uint8_t>(4 * 3 * 3, 100);
    HKHost host = {};

    void SetUp() override {
        Host_ResetModuleStateForTesting();
        RemoveDebugLog();
    }
    void TearDown() override { HK_Host_Free(&host); }

    void MakeHost(const HKOptions& options) {
        const HKImage image{4, 3, 3, 8, 12, pixels.data()};
        ASSERT_EQ(HK_Host_Init(&host, &image, nullptr, &options), 0);
    }
    void MakeHost() { MakeHost(HK_DefaultOptions()); }

    // The first call of the module's lifetime, with Ctrl and Shift as given.
    int16_t FirstCall(int16_t selector, bool diagnostics) {
        Headless_SetKeyDown(0x11, diagnostics);
        Headless_SetKeyDown(0x10, diagnostics);
        const int16_t result = HK_Call(&host, PluginMain, selector);
        Headless_SetKeyDown(0x11, false);
        Headless_SetKeyDown(0x10, false);
        return result;
    }
    int16_t Call(int16_t selector) { return HK_Call(&host, PluginMain, selector); }

    // Gives the host two blocks of the right sizes, not yet filled.
    void GiveBlocks() {
        host.record->parameters = host.handleProcs.newProc(int32_t(sizeof(ParametersBlock)));
        host.data =
            reinterpret_cast<intptr_t>(host.handleProcs.newProc(int32_t(sizeof(DataBlock))));
    }
};

TEST_F(PluginMainTest, CtrlAndShiftAtTheFirstCallSwitchDiagnosticsOnForGood) {
    MakeHost();
    EXPECT_EQ(FirstCall(filterSelectorAbout, true), noErr);
    ASSERT_EQ(Headless_AlertCount(), 1);
    EXPECT_STREQ(Headless_Alert(0)->text, "Vantoria Diagnostics enabled");
    EXPECT_EQ(Call(filterSelectorPrepare), noErr);  // keys released: still on
    const std::string log = ReadDebugLog();
    const char* lines[] = {"-------------------------------",
                           "Ui_State_Open : Diagnostics enabled",
                           "DoAbout...",
                           "...DoAbout",
                           "Ui_State_Close",
                           "DoPrepare...",
                           "...DoPrepare",
                           "ul_nMallocs = 0"};
    for (const char* line : lines) EXPECT_THAT(log, HasLine(line));
    EXPECT_THAT(log, HasSubstr("Ui_State_Open, resSrc = "));
    EXPECT_THAT(log, HasSubstr("ul_maxTotal = "));
    EXPECT_THAT(log, StartsWith("-------------------------------")) << "the trace begins with it";
    EXPECT_EQ(Headless_AlertCount(), 1) << "the keys are read once";
}

TEST_F(PluginMainTest, DiagnosticsNeedBothKeysAndShiftIsAskedOnlyWithCtrlDown) {
    const struct {
        bool ctrl, shift, on;
        int32_t shiftQueries;
    } cases[] = {{false, false, false, 0},
                 {false, true, false, 0},
                 {true, false, false, 1},
                 {true, true, true, 1}};
    MakeHost();
    for (const auto& c : cases) {
        Host_ResetModuleStateForTesting();
        Headless_Reset();
        Headless_SetAlertEcho(false);
        RemoveDebugLog();
        Headless_SetKeyDown(0x11, c.ctrl);
        Headless_SetKeyDown(0x10, c.shift);
        EXPECT_EQ(Call(filterSelectorContinue), noErr);
        EXPECT_EQ(gDiagnostics, c.on ? 1 : 0);
        EXPECT_EQ(Headless_KeyQueryCount(0x11), 1);
        EXPECT_EQ(Headless_KeyQueryCount(0x10), c.shiftQueries);
        EXPECT_THAT(ReadDebugLog(), HasLineIf(c.on, "DoContinue..."));
        EXPECT_EQ(Headless_AlertCount(), c.on ? 1 : 0);
    }
}

TEST_F(PluginMainTest, KeysPressedAfterTheFirstCallChangeNothing) {
    MakeHost();
    EXPECT_EQ(FirstCall(filterSelectorParameters, false), noErr);
    Headless_SetKeyDown(0x11, true);
    Headless_SetKeyDown(0x10, true);
    EXPECT_EQ(Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(Headless_KeyQueryCount(0x11), 1);
    EXPECT_EQ(Headless_AlertCount(), 0);
    EXPECT_FALSE(FileExists(DebugLogPath())) << "diagnostics off: no trace lines";
}

TEST_F(PluginMainTest, EachSelectorRunsItsHandlerInsideTheLibraryState) {
    const struct {
        int16_t selector;
        const char* handler;  // null: no handler
        int16_t result;
    } cases[] = {
        {filterSelectorAbout, "DoAbout", noErr},
        {filterSelectorParameters, "DoParameters", noErr},
        {filterSelectorPrepare, "DoPrepare", noErr},
        {filterSelectorStart, "DoStart", noErr},
        {filterSelectorContinue, "DoContinue", noErr},
        {filterSelectorFinish, "DoFinish", noErr},
        {6, nullptr, noErr},
        {-1, nullptr, noErr},
        {32767, nullptr, noErr},
    };
    MakeHost();
    FirstCall(filterSelectorContinue, true);
    const char* handlers[] = {"DoAbout", "DoParameters", "DoPrepare",
                              "DoStart", "DoContinue",   "DoFinish"};
    for (const auto& c : cases) {
        RemoveDebugLog();
        const int32_t classes = Headless_UserItemClassRegistrations();
        EXPECT_EQ(Call(c.selector), c.result) << c.selector;
        EXPECT_EQ(Headless_UserItemClassRegistrations(), classes) << "state closed";
        const std::string log = ReadDebugLog();
        for (const char* h : handlers) {
            const bool expected = c.handler != nullptr && std::strcmp(h, c.handler) == 0;
            EXPECT_THAT(log, HasLineIf(expected, std::string(h) + "...")) << c.selector;
            EXPECT_THAT(log, HasLineIf(expected, "..." + std::string(h))) << c.selector;
        }
        EXPECT_THAT(log, HasLine("Ui_State_Close")) << c.selector;
        EXPECT_THAT(log, HasSubstr("ul_maxTotal = ")) << c.selector;
        EXPECT_THAT(log, HasLine("ul_nMallocs = 0")) << c.selector;
        EXPECT_EQ(host.unbalancedUnlocks, 0);
    }
}

TEST_F(PluginMainTest, LibraryStateFailureCancelsTheCallBeforeAnyHandler) {
    MakeHost();
    Headless_SetUserItemClassFailure(true);
    EXPECT_EQ(FirstCall(filterSelectorContinue, true), userCanceledErr);
    const std::string log = ReadDebugLog();
    EXPECT_THAT(log, Not(HasLine("DoContinue...")));
    EXPECT_THAT(log, Not(HasSubstr("ul_maxTotal"))) << "no bookkeeping";
}

TEST_F(PluginMainTest, OutOfMemoryAtAnyRequestCancelsCleanly) {
    MakeHost();
    GiveBlocks();
    FirstCall(filterSelectorPrepare, false);
    for (bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            Ui_Mem_InjectFailure(n, persistent);
            const int16_t result = Call(filterSelectorFinish);
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, 0u) << n;
            EXPECT_EQ(host.unbalancedUnlocks, 0);
            EXPECT_EQ(HK_HandleLockCount(&host, host.record->parameters), 0);
            if (!reached) {
                EXPECT_EQ(result, noErr);
                break;
            }
            // Without the library state the call is cancelled; a failure
            // while recording the settings leaves the finish result alone.
            EXPECT_EQ(result, n == 1 ? userCanceledErr : noErr) << "request " << n;
        }
    }
}

TEST_F(PluginMainTest, MissingInstanceIsReportedAndTheCallGoesOn) {
    MakeHost();
    Headless_SetInstanceMissing(true);
    host.record->inRect = Rect{0, 0, 1, 1};
    host.options.bigDocument = false;
    host.record->bigDocumentData = nullptr;
    EXPECT_EQ(FirstCall(filterSelectorContinue, false), noErr);
    ASSERT_EQ(Headless_AlertCount(), 1);
    EXPECT_STREQ(Headless_Alert(0)->text, "Vantoria was called without required parameters.");
    EXPECT_EQ(host.record->inRect.bottom, 0) << "the handler still ran";
}

TEST_F(PluginMainTest, ContinueEmptiesAllThreeRectanglesOfEitherWidth) {
    for (bool big : {true, false}) {
        HKOptions options = HK_DefaultOptions();
        options.bigDocument = big;
        HK_Host_Free(&host);
        MakeHost(options);
        FilterRecord* r = host.record;
        r->inRect = r->outRect = r->maskRect = Rect{0, 0, 2, 2};
        host.bigDocument.inRect32 = host.bigDocument.outRect32 = host.bigDocument.maskRect32 =
            VRect{0, 0, 2, 2};
        EXPECT_EQ(FirstCall(filterSelectorContinue, false), noErr);
        if (big) {
            EXPECT_EQ(host.bigDocument.PluginUsing32BitCoordinates, 1);
            for (const VRect& v : {host.bigDocument.inRect32, host.bigDocument.outRect32,
                                   host.bigDocument.maskRect32})
                EXPECT_EQ(Edges(v), (std::array<int32_t, 4>{0, 0, 0, 0}));
            EXPECT_EQ(r->inRect.bottom, 2) << "16-bit fields untouched";
        } else {
            for (const Rect& v : {r->inRect, r->outRect, r->maskRect})
                EXPECT_EQ(Edges(v), (std::array<int32_t, 4>{0, 0, 0, 0}));
        }
        Host_ResetModuleStateForTesting();
    }
}

TEST_F(PluginMainTest, RectanglesAre32BitWheneverTheHostHasBigDocuments) {
    MakeHost();
    host.bigDocument.filterRect32 = VRect{0, 0, 70000, 100000};
    EXPECT_EQ(FirstCall(filterSelectorPrepare, false), noErr);
    const VRect f = GetFilterRect();
    EXPECT_EQ(f.bottom, 70000);
    EXPECT_EQ(f.right, 100000);
    SetOutRect(VRect{10, 20, 40000, 90000});
    EXPECT_EQ(GetOutRect().right, 90000);
    EXPECT_EQ(host.bigDocument.outRect32.bottom, 40000);
    EXPECT_EQ(host.record->outRect.bottom, 0);

    // Without big documents the 16-bit fields are widened, and narrowed with a clamp.
    host.record->bigDocumentData = nullptr;
    host.record->filterRect = Rect{-5, 1, 3, 4};
    const VRect g = GetFilterRect();
    EXPECT_EQ(Edges(g), (std::array<int32_t, 4>{-5, 1, 3, 4}));
    SetInRect(VRect{-40000, 0, 40000, 12});
    EXPECT_EQ(host.record->inRect.top, -32768);
    EXPECT_EQ(host.record->inRect.bottom, 32767);
    EXPECT_EQ(host.record->inRect.right, 12);
    EXPECT_EQ(GetInRect().right, 12);
    SetMaskRect(VRect{1, 2, 3, 4});
    EXPECT_EQ(GetMaskRect().left, 2);
}

TEST_F(PluginMainTest, FinishLocksBothHandlesAndTheEndOfTheCallUnlocksThem) {
    MakeHost();
    GiveBlocks();
    EXPECT_EQ(FirstCall(filterSelectorFinish, false), noErr);
    EXPECT_EQ(HK_HandleLockCount(&host, host.record->parameters), 0);
    EXPECT_EQ(HK_HandleLockCount(&host, reinterpret_cast<Handle>(host.data)), 0);
    EXPECT_EQ(host.unbalancedUnlocks, 0);
    EXPECT_EQ(gParametersBlock, nullptr);
    EXPECT_EQ(gDataBlock, nullptr);
}

// The lock failures: the result stored and the line logged.
Ptr RefuseLock(Handle, Boolean) {
    return nullptr;
}

TEST_F(PluginMainTest, LockFailuresStoreTheirResults) {
    const struct {
        const char* name;
        void (*setup)(HKHost*);
        int16_t result;
        const char* lines[2];
    } cases[] = {
        {"no handle procs",
         [](HKHost* h) { h->record->handleProcs = nullptr; },
         errPlugInHostInsufficient,
         {"LockHandles: handleProcs NULL", nullptr}},
        {"no blocks",
         [](HKHost*) {},
         filterBadParameters,
         {"LockHandles: parameters NULL", "LockHandles: gDataHandle NULL"}},
        {"no data block",
         [](HKHost* h) { h->data = 0; },
         filterBadParameters,
         {"LockHandles: gDataHandle NULL", nullptr}},
        {"lock refused",
         [](HKHost* h) { h->handleProcs.lockProc = RefuseLock; },
         memFullErr,
         {"LockHandles: lockProc failure", nullptr}},
    };
    for (const auto& c : cases) {
        Host_ResetModuleStateForTesting();
        HK_Host_Free(&host);
        MakeHost();
        RemoveDebugLog();
        if (std::strcmp(c.name, "no blocks") != 0) GiveBlocks();
        c.setup(&host);
        EXPECT_EQ(FirstCall(filterSelectorFinish, true), c.result) << c.name;
        const std::string log = ReadDebugLog();
        for (const char* line : c.lines) {
            if (line == nullptr) continue;
            EXPECT_THAT(log, HasLine(line)) << c.name;
        }
        EXPECT_EQ(host.unbalancedUnlocks, 0) << c.name;
        EXPECT_EQ(gParametersBlock, nullptr);
    }
}

TEST_F(PluginMainTest, HandlesNotLockedInACallAreNotUnlocked) {
    MakeHost();
    GiveBlocks();
    for (int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart,
                             filterSelectorContinue, int16_t(9)})
        EXPECT_EQ(Call(selector), noErr) << selector;
    EXPECT_EQ(host.unbalancedUnlocks, 0);
}

TEST_F(PluginMainTest, BookkeepingLinesAtTheirLevels) {
    MakeHost();
    host.record->bufferSpace = 1;
    EXPECT_EQ(FirstCall(filterSelectorContinue, false), noErr);
    const UiMemStats stats = Ui_Mem_Stats();
    std::string log = ReadDebugLog();
    EXPECT_THAT(log, HasLine("Over max: ul_maxTotal = " + std::to_string(stats.maxTotal) +
                             ", bufferSpace = 1"));
    EXPECT_THAT(log, Not(HasLine("ul_maxTotal = " + std::to_string(stats.maxTotal))))
        << "the plain line only with diagnostics on";

    RemoveDebugLog();
    host.record->bufferSpace = 0;
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    host.record->bufferSpace = int32_t(stats.maxTotal);
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    EXPECT_FALSE(FileExists(DebugLogPath())) << "within bounds: nothing written";

    // Blocks still live at finish are always reported.
    host.record->bufferSpace = 0;
    GiveBlocks();
    void* leftover = Ui_Malloc(10);
    EXPECT_EQ(Call(filterSelectorFinish), noErr);
    EXPECT_EQ(Call(filterSelectorContinue), noErr);
    Ui_Free(leftover);
    log = ReadDebugLog();
    EXPECT_EQ(log, "ul_nMallocs = 1\n") << "only at finish, and only the level-1 line";
}

TEST_F(PluginMainTest, MissingRecordOrResultSlotDoesNotCrash) {
    MakeHost();
    int16_t result = 0;
    intptr_t data = 0;
    Host_ResetModuleStateForTesting();
    PluginMain(filterSelectorContinue, nullptr, &data, &result);
    EXPECT_EQ(result, filterBadParameters);
    result = 0;
    PluginMain(filterSelectorAbout, nullptr, &data, &result);
    EXPECT_EQ(result, noErr);
    PluginMain(filterSelectorFinish, host.record, nullptr, nullptr);
    PluginMain(filterSelectorContinue, host.record, &data, nullptr);
    SUCCEED();
}

TEST_F(PluginMainTest, HostWithoutAdvanceStateOrDisplayPixelsIsWarnedOfTheVersion) {
    MakeHost();
    FirstCall(filterSelectorPrepare, false);
    host.record->displayPixels = nullptr;
    EXPECT_TRUE(Host_HasAdvanceState());
    EXPECT_EQ(Headless_AlertCount(), 0);
    host.record->advanceState = nullptr;
    EXPECT_FALSE(Host_HasAdvanceState());
    EXPECT_FALSE(Host_HasDisplayPixels());
    ASSERT_EQ(Headless_AlertCount(), 2);
    EXPECT_EQ(Headless_Alert(0)->kind, kPlatBoxWarning);
    EXPECT_NE(std::strstr(Headless_Alert(0)->text, " 3.0 "), nullptr) << Headless_Alert(0)->text;
    EXPECT_NE(std::strstr(Headless_Alert(1)->text, " 2.5.2 "), nullptr) << Headless_Alert(1)->text;
    EXPECT_EQ(std::strstr(Headless_Alert(1)->text, "^"), nullptr);
}

TEST(HostText, PlaceholdersAndVersions) {
    const char* args[] = {"A", "bee"};
    const struct {
        const char* text;
        int32_t argCount;
        size_t capacity;
        const char* expected;
    } cases[] = {
        {"x^0y^1z^2w", 2, 64, "xAybeezw"},  // ^2 has no argument: empty
        {"^1^1", 1, 64, ""},
        {"^3 ^^0 ^", 2, 64, "^3 ^A ^"},  // only ^0 to ^2 are placeholders
        {"abc^1def", 2, 6, "abcbe"},     // cut at capacity - 1
    };
    for (const auto& c : cases) {
        char out[64];
        Host_ExpandPlaceholders(out, c.capacity, c.text, args, c.argCount);
        EXPECT_STREQ(out, c.expected) << c.text;
    }
    char version[16];
    Host_FormatVersion(version, sizeof version, 3.0, 1, false);
    EXPECT_STREQ(version, "3.0");
    Host_FormatVersion(version, sizeof version, 2.502, 3, true);
    EXPECT_STREQ(version, "2.5.2");
}

TEST(HostResult, StatusCodesBecomeHostCodes) {
    const struct {
        int32_t status;
        int16_t result;
    } cases[] = {{0, 0},       {-10, -128},  {-3, -108},    {-9, -30900}, {-1, -30100},
                 {-2, -30100}, {-8, -30100}, {-11, -30100}, {7, -30100}};
    for (const auto& c : cases) EXPECT_EQ(Host_ResultFromStatus(c.status), c.result) << c.status;
}

}  // namespace
