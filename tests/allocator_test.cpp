#include "ui/allocator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/test_support.h"
#include "ui/platform/headless/headless.h"

namespace {

using ::testing::HasSubstr;

TEST(Allocator, CountsBlocksAndBytesWithGuards) {
    const UiMemStats before = Ui_Mem_Stats();
    void* zero = Ui_Malloc(0);
    ASSERT_NE(zero, nullptr);
    void* ten = Ui_Malloc(10);
    ASSERT_NE(ten, nullptr);
    UiMemStats during = Ui_Mem_Stats();
    EXPECT_EQ(during.nMallocs, before.nMallocs + 2);
    EXPECT_EQ(during.total, before.total + 24 + 34);
    EXPECT_GE(during.maxTotal, during.total);
    EXPECT_EQ(during.serial, before.serial + 2);

    // Head: "fire", total, serial (big-endian), "wall"; trailer "FIREWALL".
    const unsigned char* head = static_cast<unsigned char*>(ten) - 16;
    EXPECT_EQ(0, std::memcmp(head, "fire", 4));
    EXPECT_EQ(0, std::memcmp(head + 4, "\0\0\0\x22", 4));
    const uint32_t serial =
        (uint32_t(head[8]) << 24) | (head[9] << 16) | (head[10] << 8) | head[11];
    EXPECT_EQ(serial, before.serial + 1);
    EXPECT_EQ(0, std::memcmp(head + 12, "wall", 4));
    EXPECT_EQ(0, std::memcmp(static_cast<char*>(ten) + 10, "FIREWALL", 8));
    EXPECT_EQ(Ui_MemCheck(ten), 0);

    EXPECT_EQ(Ui_Free(zero), 0);
    EXPECT_EQ(Ui_Free(ten), 0);
    EXPECT_EQ(Ui_Free(nullptr), 0);
    EXPECT_EQ(Ui_Mem_Stats().total, before.total);
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, before.nMallocs);
    EXPECT_EQ(Headless_AlertCount(), 0);
}

TEST(Allocator, RefusesSizesThatWouldWrap) {
    const UiMemStats before = Ui_Mem_Stats();
    EXPECT_EQ(Ui_Malloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(Ui_Malloc(0xFFFFFFFFu - 23), nullptr);
    EXPECT_EQ(Ui_MallocArray(size_t(1) << 31, 4), nullptr);
    EXPECT_EQ(Ui_MallocArray(SIZE_MAX / 2, 3), nullptr);
    EXPECT_EQ(Ui_Mem_Stats().total, before.total);
    EXPECT_EQ(Ui_Mem_Stats().maxTotal, before.maxTotal);
}

TEST(Allocator, FailedRequestCountsInHighWaterMarkOnly) {
    const UiMemStats before = Ui_Mem_Stats();
    Ui_Mem_InjectFailure(1, false);
    EXPECT_EQ(Ui_Malloc(1u << 30), nullptr);
    EXPECT_EQ(Ui_Mem_Stats().total, before.total);
    EXPECT_GE(Ui_Mem_Stats().maxTotal, before.total + (1u << 30) + 24);
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, before.nMallocs);
}

TEST(Allocator, InjectedFailuresTransientAndPersistent) {
    Ui_Mem_InjectFailure(2, false);
    void* a = Ui_Malloc(8);
    void* b = Ui_Malloc(8);
    void* c = Ui_Malloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_NE(c, nullptr);
    EXPECT_EQ(Ui_Mem_RequestCount(), 3u);
    Ui_Free(a);
    Ui_Free(c);

    Ui_Mem_InjectFailure(2, true);
    a = Ui_Malloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(Ui_Malloc(8), nullptr);
    EXPECT_EQ(Ui_Malloc(8), nullptr);
    Ui_Free(a);
}

struct GuardCase {
    const char* name;
    int offset;  // byte to damage, relative to the caller's area of 10 bytes
    const char* reportLine;
    const char* characters;  // the eight lines after the report line
};

class AllocatorGuards : public ::testing::TestWithParam<GuardCase> {};

TEST_P(AllocatorGuards, DamageIsReportedAndBlockStillReleased) {
    const GuardCase& c = GetParam();
    RemoveDebugLog();
    const UiMemStats before = Ui_Mem_Stats();
    char* p = static_cast<char*>(Ui_Malloc(10));
    ASSERT_NE(p, nullptr);
    p[c.offset] = '#';
    EXPECT_EQ(Ui_MemCheck(p), -2);
    EXPECT_EQ(Ui_Free(p), 0);
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, before.nMallocs);
    EXPECT_EQ(Ui_Mem_Stats().total, before.total);

    // Written at level 1, so with diagnostics off too; reported twice (check, free).
    EXPECT_THAT(ReadDebugLog(),
                HasSubstr(std::string("Firewall Error:\n") + c.reportLine +
                          std::to_string(before.serial) + ", remaining = \n" + c.characters));
    ASSERT_EQ(Headless_AlertCount(), 2);
    EXPECT_STREQ(Headless_Alert(0)->text, "Firewall failure!");
    EXPECT_STREQ(Headless_Alert(0)->caption, " ");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AllocatorGuards,
    ::testing::Values(
        GuardCase{"OnePastEnd", 10,
                  "End firewall destroyed, size = 34, id = ", "*\nI\nR\nE\nW\nA\nL\nL\n"},
        GuardCase{"LastTrailerByte", 17,
                  "End firewall destroyed, size = 34, id = ", "F\nI\nR\nE\nW\nA\nL\n*\n"},
        GuardCase{"HeadWall", -2,
                  "Start firewall destroyed, size = 34, id = ", "f\ni\nr\ne\nw\na\n*\nl\n"},
        GuardCase{"HeadFire", -16,
                  "Start firewall destroyed, size = 34, id = ", "*\ni\nr\ne\nw\na\nl\nl\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A damaged recorded size (guard words intact) is reported and not taken off
// the running total: the real block of 28 bytes stays counted in it.
TEST(Allocator, DamagedSizeIsReportedAndNotSubtracted) {
    struct Case {
        uint8_t sizeHighByte, sizeLowByte;
        const char* report;
    };
    const Case cases[] = {
        {0x7F, 28, "Freeing too much, size = 2130706460, total = "},  // far above the total
        {0, 23, "Size below the guards, size = 23, id = "},
        {0, 0, "Size below the guards, size = 0, id = "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        RemoveDebugLog();
        Headless_ClearAlerts();
        const UiMemStats before = Ui_Mem_Stats();
        unsigned char* p = static_cast<unsigned char*>(Ui_Malloc(4));
        ASSERT_NE(p, nullptr);
        p[-12] = c.sizeHighByte;
        p[-9] = c.sizeLowByte;
        EXPECT_EQ(Ui_MemCheck(p), -2);
        EXPECT_EQ(Ui_Free(p), 0);
        EXPECT_THAT(ReadDebugLog(), HasSubstr(std::string("Firewall Error:\n") + c.report));
        EXPECT_EQ(Headless_AlertCount(), 2);
        EXPECT_EQ(Ui_Mem_Stats().nMallocs, before.nMallocs);
        EXPECT_EQ(Ui_Mem_Stats().total, before.total + 28);
    }
}

}  // namespace
