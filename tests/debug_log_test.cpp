#include "ui/debug_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/support/test_support.h"
#include "ui/platform/headless/headless.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct FormatCase {
    std::string expected;
    int32_t conversions;
    std::string actual;
    int32_t actualConversions;
};

FormatCase Fmt(const char* expected, int32_t conversions, int32_t got, const char* buf) {
    return {expected, conversions, buf, got};
}

TEST(Sprintf, ConversionTable) {
    char b[64];
    const FormatCase cases[] = {
        Fmt("x=A", 1, Ui_Sprintf(b, sizeof b, "x=%c", 'A'), b),
        Fmt("[name]", 1, Ui_Sprintf(b, sizeof b, "[%s]", "name"), b),
        Fmt("-3 42", 2, Ui_Sprintf(b, sizeof b, "%d %d", -3, 42), b),
        Fmt("   -3", 1, Ui_Sprintf(b, sizeof b, "%5d", -3), b),
        Fmt("-0003", 1, Ui_Sprintf(b, sizeof b, "%05d", -3), b),
        Fmt("-2147483648", 1, Ui_Sprintf(b, sizeof b, "%d", INT32_MIN), b),
        Fmt("123456", 1, Ui_Sprintf(b, sizeof b, "%ld", 123456L), b),
        Fmt("-1", 1, Ui_Sprintf(b, sizeof b, "%ld", long(0xFFFFFFFFFFFFFFFFLL)), b),
        Fmt("    7", 1, Ui_Sprintf(b, sizeof b, "%5ld", 7L), b),
        Fmt("-   3", 1, Ui_Sprintf(b, sizeof b, "%5ld", -3L), b),
        Fmt("00007", 1, Ui_Sprintf(b, sizeof b, "%05ld", 7L), b),
        Fmt("FF ff", 2, Ui_Sprintf(b, sizeof b, "%X %x", 255u, 255u), b),
        Fmt("00ff", 1, Ui_Sprintf(b, sizeof b, "%04x", 255u), b),
        Fmt("ffffffff", 1, Ui_Sprintf(b, sizeof b, "%x", 0xFFFFFFFFu), b),
        Fmt("-0.500000", 1, Ui_Sprintf(b, sizeof b, "%f", -0.5), b),
        Fmt("3.141593", 1, Ui_Sprintf(b, sizeof b, "%f", 3.14159265), b),
        Fmt("0.000001", 1, Ui_Sprintf(b, sizeof b, "%f", 0.0000005), b),
        Fmt("1.000000", 1, Ui_Sprintf(b, sizeof b, "%f", 0.9999997), b),
        Fmt("0.000000", 1, Ui_Sprintf(b, sizeof b, "%f", 0.0), b),
        Fmt("nan inf -inf", 3,
            Ui_Sprintf(b, sizeof b, "%f %f %f", std::nan(""), HUGE_VAL, -HUGE_VAL), b),
        Fmt("100%", 0, Ui_Sprintf(b, sizeof b, "100%%"), b),
        Fmt("a!b", 0, Ui_Sprintf(b, sizeof b, "a%!b"), b),
        Fmt("[]", 0, Ui_Sprintf(b, sizeof b, "[%5s]", "dropped"), b),
        Fmt("q", 0, Ui_Sprintf(b, sizeof b, "%q"), b),
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
        EXPECT_EQ(c.actualConversions, c.conversions) << c.expected;
    }
}

TEST(Sprintf, HugeValuesInFullAndCutAtCapacity) {
    char big[400];
    Ui_Sprintf(big, sizeof big, "%f", 1e300);
    EXPECT_EQ(std::string(big).size(), 301u + 7u);
    EXPECT_THAT(std::string(big), StartsWith("1000"));
    EXPECT_THAT(std::string(big), EndsWith(".000000"));

    char small[8];
    std::memset(small, 'z', sizeof small);
    Ui_Sprintf(small, sizeof small, "%s and more", "abcdef");
    EXPECT_STREQ(small, "abcdef ");
    Ui_Sprintf(small, sizeof small, "%f", -1e300);
    EXPECT_STREQ(small, "-100000");
    char one[1] = {'z'};
    Ui_Sprintf(one, 1, "text");
    EXPECT_EQ(one[0], 0);
}

TEST(DebugLog, OnlyLevelOneWritesAndEveryLineGetsOneLineFeed) {
    RemoveDebugLog();
    EXPECT_EQ(Ui_Debug_Log(0, "trace"), 0);
    EXPECT_EQ(Ui_Debug_Log(2, "trace"), 0);
    EXPECT_FALSE(FileExists(DebugLogPath()));
    EXPECT_EQ(Ui_Debug_Log(1, "first"), 0);
    EXPECT_EQ(Ui_Debug_Log(1, ""), 0);
    EXPECT_EQ(Ui_Debug_Logf(1, "value %d", 7), 0);
    EXPECT_EQ(ReadDebugLog(), "first\n\nvalue 7\n");
    EXPECT_THAT(DebugLogPath(), EndsWith("/Quorvane/QuorvaneDebug.txt"));
}

TEST(DebugLog, LevelOneCreatesTheFolder) {
    const std::string appData = MakeTempFolder("appdata");
    Headless_SetAppDataFolder(appData.c_str(), 0);
    EXPECT_FALSE(FileExists(appData + "Quorvane"));
    EXPECT_EQ(Ui_Debug_Log(1, "guard"), 0);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(appData + "Quorvane/QuorvaneDebug.txt", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "guard\n");
}

TEST(DebugLog, NullMessageAndUnwritableFileAreAlerted) {
    EXPECT_EQ(Ui_Debug_Log(1, nullptr), -1);
    ASSERT_EQ(Headless_AlertCount(), 1);
    EXPECT_STREQ(Headless_Alert(0)->text, "Ui_Debug_Log: null msg");
    EXPECT_EQ(Ui_Debug_Log(0, nullptr), 0);

    // A folder standing where the log file should be makes fopen fail.
    Headless_ClearAlerts();
    const std::string appData = MakeTempFolder("blocked");
    Headless_SetAppDataFolder(appData.c_str(), 0);
    ASSERT_EQ(mkdir((appData + "Quorvane").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((appData + "Quorvane/QuorvaneDebug.txt").c_str(), 0755), 0);
    EXPECT_EQ(Ui_Debug_Log(1, "line"), -4);
    ASSERT_EQ(Headless_AlertCount(), 2);
    EXPECT_STREQ(Headless_Alert(0)->text, "Ui_Debug_Log: fopen error");
    EXPECT_THAT(std::string(Headless_Alert(1)->text), HasSubstr("QuorvaneDebug.txt"));
}

TEST(DebugAlert, ShownOnlyAtLevelOne) {
    Ui_Debug_Alert(0, "hidden");
    Ui_Debug_Alert(1, "shown");
    ASSERT_EQ(Headless_AlertCount(), 1);
    EXPECT_STREQ(Headless_Alert(0)->text, "shown");
}

}  // namespace
