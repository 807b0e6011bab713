// Test main: every test runs with its own preferences folder, quiet alerts,
// no injected failures, and must end with as many live blocks as it began;
// the whole run on the kernel path VANTORIA_KERNEL_PATH names, if any.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_switches.h"
#include "tests/support/kernel_paths.h"
#include "ui/allocator.h"
#include "ui/platform/headless/headless.h"

namespace {
std::string gRoot;

class LiveBlockCheck : public ::testing::EmptyTestEventListener {
    uint32_t before_ = 0;
    void OnTestStart(const ::testing::TestInfo&) override {
        Headless_Reset();
        Headless_SetAlertEcho(false);
        Ui_Mem_InjectFailure(0, false);
        before_ = Ui_Mem_Stats().nMallocs;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        Ui_Mem_InjectFailure(0, false);
        const uint32_t after = Ui_Mem_Stats().nMallocs;
        EXPECT_EQ(after, before_) << "blocks leaked by this test";
    }
};

// Skips every test, with the reason, when the forced path cannot run here.
class KernelPathCheck : public ::testing::Environment {
    void SetUp() override {
        if (const char* why = KernelPathUnavailable()) GTEST_SKIP() << why;
    }
};
}  // namespace

std::string TestRoot() {
    return gRoot;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* why = nullptr;
    if (!SelectKernelPathFromEnvironment(&why)) {
        std::fprintf(stderr, "%s\n", why);
        return 2;
    }
    if (ForcedKernelPath() != kKernelPathBest) {
        std::printf("kernel path forced: %s\n", std::getenv(kKernelPathVariable));
    }
    ::testing::AddGlobalTestEnvironment(new KernelPathCheck);
    // Under $TMPDIR when it names a folder, as other programs do; else /tmp.
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = tmpdir != nullptr && tmpdir[0] == '/' ? tmpdir : "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::vector<char> tmpl(base.begin(), base.end());
    const char suffix[] = "/vantoria-test-XXXXXX";
    tmpl.insert(tmpl.end(), suffix, suffix + sizeof suffix);
    if (mkdtemp(tmpl.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a test folder under %s: %s\n", base.c_str(),
                     std::strerror(errno));
        return 2;
    }
    gRoot = std::string(tmpl.data()) + "/";
    const std::string config = gRoot + "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", (gRoot + "data").c_str(), 1);
    mkdir(config.c_str(), 0755);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LiveBlockCheck);
    const int rc = RUN_ALL_TESTS();
    if (rc == 0) {
        const std::string cmd = "rm -rf '" + gRoot + "'";
        if (std::system(cmd.c_str()) != 0) return 0;
    }
    return rc;
}
