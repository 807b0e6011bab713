// The batch command as a user runs it: PNG round trips through the plug-in,
// refusals and errors that leave every file as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// The command sits beside the plug-in module; builds without apps have none.
std::string Command() {
    const char* plugin = std::getenv("VANTORIA_PLUGIN");
    if (plugin == nullptr) return std::string();
    std::string dir(plugin);
    dir = dir.substr(0, dir.rfind('/') + 1);
    const std::string command = dir + "vantoria";
    return FileExists(command) ? command : std::string();
}

int RunCommand(const std::string& arguments) {
    const std::string line = Command() + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class BatchCommandTest : public ::testing::Test {
  protected:
    std::string dir;
    void SetUp() override {
        if (Command().empty()) GTEST_SKIP() << "this build has no batch command";
        dir = MakeTempFolder("batch");
    }
};

TEST_F(BatchCommandTest, PngSurvivesARunUnchangedAtBothDepths) {
    for (const char* spec : {"31x17", "31x17x16"}) {
        const std::string first = dir + "first.png", second = dir + "second.png";
        ASSERT_EQ(RunCommand(std::string("--synthetic ") + spec + " " + first), 0) << spec;
        ASSERT_EQ(RunCommand(first + " " + second), 0) << spec;
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(ReadWholeFile(first, &a));
        ASSERT_TRUE(ReadWholeFile(second, &b));
        EXPECT_GT(a.size(), 8u);
        EXPECT_EQ(a, b) << spec << ": the plug-in does not change pixels yet";
    }
}

TEST_F(BatchCommandTest, BadRequestsLeaveEveryFileAsItWas) {
    const std::string photo = dir + "photo.png", out = dir + "out.png";
    ASSERT_EQ(RunCommand("--synthetic 8x8 " + photo), 0);
    std::vector<uint8_t> original;
    ASSERT_TRUE(ReadWholeFile(photo, &original));
    std::vector<uint8_t> damaged(original.begin(), original.begin() + long(original.size() / 2));
    ASSERT_TRUE(WriteWholeFile(dir + "damaged.png", damaged));
    ASSERT_TRUE(WriteWholeFile(dir + "text.png", std::vector<uint8_t>(40, 'x')));

    const struct {
        std::string arguments;
        int exit;
    } cases[] = {
        {photo + " " + photo, 1},  // never overwrites its input
        {dir + "damaged.png " + out, 1},
        {dir + "text.png " + out, 1},
        {dir + "missing.png " + out, 1},
        {"--plugin " + dir + "nothing.so " + photo + " " + out, 1},
        {"", 2},
        {photo, 2},
        {"--synthetic 0x5 " + out, 2},
        {"--synthetic 5x5x12 " + out, 2},
        {"--bogus " + photo + " " + out, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunCommand(c.arguments), c.exit) << c.arguments;
        EXPECT_FALSE(FileExists(out)) << c.arguments;
        EXPECT_FALSE(FileExists(out + ".part")) << c.arguments;
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(photo, &now));
        EXPECT_EQ(now, original) << c.arguments;
    }
}

}  // namespace
