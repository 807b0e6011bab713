// The built shared library as a host sees it: loaded through the host kit,
// driven through all six selectors, and exporting nothing but PluginMain.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostkit/hostkit.h"
#include "tests/support/test_support.h"

namespace {

const char* PluginPath() {
    const char* path = std::getenv("VANTORIA_PLUGIN");
    return path != nullptr ? path : "";
}

TEST(PluginModule, ExportsOnlyPluginMain) {
    const std::string command = std::string("nm -D --defined-only '") + PluginPath() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        const size_t space = s.rfind(' ');
        symbols.push_back(space == std::string::npos ? s : s.substr(space + 1));
    }
    ASSERT_EQ(pclose(pipe), 0) << command;
    EXPECT_EQ(symbols, std::vector<std::string>{"PluginMain"});
}

TEST(PluginModule, RunsEverySelectorThroughTheHostKit) {
    HKModule module;
    char error[512] = {};
    ASSERT_EQ(HK_LoadModule(PluginPath(), "PluginMain", &module, error, sizeof error), 0) << error;
    for (int32_t depth : {8, 16}) {
        const int32_t w = 5, h = 4, bps = depth / 8;
        std::vector<uint8_t> pixels(size_t(w * h * 3 * bps), 0x33);
        const std::vector<uint8_t> before = pixels;
        const HKImage image{w, h, 3, depth, w * 3 * bps, pixels.data()};
        HKHost host;
        ASSERT_EQ(HK_Host_Init(&host, &image, nullptr, nullptr), 0);
        const HKRunPlan plan{true, true};
        HKRun run;
        HK_RunFilter(&host, module.entry, &plan, &run);
        const int16_t expected[][2] = {
            {filterSelectorAbout, noErr},    {filterSelectorParameters, noErr},
            {filterSelectorPrepare, noErr},  {filterSelectorStart, noErr},
            {filterSelectorContinue, noErr}, {filterSelectorFinish, noErr},
        };
        ASSERT_EQ(run.stepCount, 6);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(run.steps[i].selector, expected[i][0]);
            EXPECT_EQ(run.steps[i].result, expected[i][1]) << HK_SelectorName(expected[i][0]);
        }
        EXPECT_EQ(run.steps[4].calls, 0) << "the plug-in asks for no area";
        EXPECT_EQ(host.bigDocument.PluginUsing32BitCoordinates, 1);
        EXPECT_EQ(host.unbalancedUnlocks, 0);
        EXPECT_EQ(pixels, before);
        HK_Host_Free(&host);
    }
    HK_UnloadModule(&module);
    EXPECT_EQ(module.library, nullptr);
}

// A host on Linux holds the diagnostics keys through the environment: a fresh
// copy of the module (its own lifetime) traces every call, ending each with
// the allocator's bookkeeping.
TEST(PluginModule, ModifiersFromTheEnvironmentSwitchTheTraceOn) {
    const std::string copy = MakeTempFolder("module") + "libvantoria-copy.so";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(PluginPath(), &bytes));
    ASSERT_TRUE(WriteWholeFile(copy, bytes));
    RemoveDebugLog();
    setenv("VANTORIA_MODIFIERS", "ctrl,shift", 1);
    HKModule module;
    char error[512] = {};
    ASSERT_EQ(HK_LoadModule(copy.c_str(), "PluginMain", &module, error, sizeof error), 0) << error;
    std::vector<uint8_t> pixels(4 * 3 * 3, 0x40);
    const HKImage image{4, 3, 3, 8, 12, pixels.data()};
    HKHost host;
    ASSERT_EQ(HK_Host_Init(&host, &image, nullptr, nullptr), 0);
    const HKRunPlan plan{false, true};
    HKRun run;
    HK_RunFilter(&host, module.entry, &plan, &run);
    unsetenv("VANTORIA_MODIFIERS");
    EXPECT_EQ(run.result, noErr);
    HK_Host_Free(&host);
    HK_UnloadModule(&module);
    const std::string log = ReadDebugLog();
    for (const char* line : {"-------------------------------\n", "DoParameters...\n",
                             "DoPrepare...\n", "DoStart...\n", "DoFinish...\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    // Every call ends with the high-water mark and the live blocks: none at the end.
    size_t calls = 0;
    for (size_t at = log.find("ul_maxTotal = "); at != std::string::npos;
         at = log.find("ul_maxTotal = ", at + 1))
        ++calls;
    EXPECT_EQ(calls, 4u) << "parameters, prepare, start, finish: start leaves nothing to continue";
    EXPECT_EQ(log.substr(log.size() - std::strlen("ul_nMallocs = 0\n")), "ul_nMallocs = 0\n");
}

}  // namespace
