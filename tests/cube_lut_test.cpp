// The .cube writer: the file parsed back (title, size, node order), an
// identity correction giving the node colours, a real correction giving the
// Tintwork's output at each node, and failing disks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "icc/cube_lut.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/compiled_correction.h"
#include "tests/support/test_support.h"
#include "ui/file_layer.h"

namespace {

struct CubeFile {
    std::string title;
    int size = 0;
    std::vector<double> values;  // three per line, in file order
};

// Parses the keyword lines and the data lines; false on anything else.
bool ParseCube(const std::string& path, CubeFile* cube) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("TITLE ", 0) == 0) {
            cube->title = line.substr(6);
        } else if (line.rfind("LUT_3D_SIZE ", 0) == 0) {
            cube->size = std::stoi(line.substr(12));
        } else if (line.rfind("DOMAIN_", 0) == 0) {
            if (line != "DOMAIN_MIN 0.0 0.0 0.0" && line != "DOMAIN_MAX 1.0 1.0 1.0") return false;
        } else {
            double r, g, b;
            char extra;
            if (std::sscanf(line.c_str(), "%lf %lf %lf %c", &r, &g, &b, &extra) != 3) return false;
            cube->values.insert(cube->values.end(), {r, g, b});
        }
    }
    return true;
}

class CubeLut : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeTempFolder("cube"); }
    std::string folder_;
};

}  // namespace

TEST_F(CubeLut, NeutralCorrectionGivesTheNodeColours) {
    CompiledCorrection c;
    CompileCorrection(true, 1, &c);
    const std::string path = folder_ + "neutral.cube";
    ASSERT_EQ(WriteCubeLut(c.tw(), "Beach \"warm\"", path.c_str()), kUiOk);
    CubeFile cube;
    ASSERT_TRUE(ParseCube(path, &cube));
    EXPECT_EQ(cube.title, "\"Beach  warm \"");
    EXPECT_EQ(cube.size, 33);
    ASSERT_EQ(cube.values.size(), 33u * 33 * 33 * 3);
    // Red varies fastest: line n is node (n % 33, n / 33 % 33, n / 1089).
    double worst = 0;
    for (uint32_t n = 0; n < 33 * 33 * 33; ++n) {
        const uint32_t idx[3] = {n % 33, n / 33 % 33, n / 1089};
        for (int k = 0; k < 3; ++k)
            worst = std::max(worst, std::fabs(cube.values[n * 3 + k] - idx[k] / 32.0));
    }
    EXPECT_LE(worst, 0.5 / 255 + 1e-6);
    EXPECT_DOUBLE_EQ(cube.values[3], 0.031373);  // node 1: code 8, six decimals
}

TEST_F(CubeLut, EachEntryIsTheTintworkAppliedToItsNode) {
    CompiledCorrection c;
    CompileCorrection(false, 1, &c);
    const std::string path = folder_ + "corrected.cube";
    ASSERT_EQ(WriteCubeLut(c.tw(), "corrected", path.c_str()), kUiOk);
    CubeFile cube;
    ASSERT_TRUE(ParseCube(path, &cube));
    ASSERT_EQ(cube.values.size(), 33u * 33 * 33 * 3);
    uint32_t changed = 0;
    for (uint32_t n = 0; n < 33 * 33 * 33; ++n) {
        const uint8_t node[3] = {uint8_t(n % 33 * 255 / 32.0 + 0.5),
                                 uint8_t(n / 33 % 33 * 255 / 32.0 + 0.5),
                                 uint8_t(n / 1089 * 255 / 32.0 + 0.5)};
        uint16_t out[4];
        ASSERT_EQ(TwApplyPixel8(c.tw(), node, out), kUiOk);
        for (int k = 0; k < 3; ++k) {
            ASSERT_NEAR(cube.values[n * 3 + k], out[k] / 255.0, 5e-7) << n << " " << k;
            changed += out[k] != node[k];
        }
    }
    EXPECT_GT(changed, 10000u);
}

TEST_F(CubeLut, AFailingDiskKeepsTheFormerFileAndLeavesNoOther) {
    CompiledCorrection c;
    CompileCorrection(true, 1, &c);
    const std::string path = folder_ + "kept.cube";
    const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
    ASSERT_TRUE(WriteWholeFile(path, old));
    for (const int32_t fault : {kFLFaultWrite, kFLFaultFlush, kFLFaultClose, kFLFaultRename}) {
        FL_InjectFault(fault, 1);
        EXPECT_EQ(WriteCubeLut(c.tw(), "t", path.c_str()), kUiErrWrite) << fault;
        FL_InjectFault(fault, 0);
        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(path, &now));
        EXPECT_EQ(now, old);
    }
    const uint32_t requests = RunAllocationFailureLoop(
        [&]() -> int32_t { return WriteCubeLut(c.tw(), "t", path.c_str()); });
    EXPECT_GE(requests, 1u);
    EXPECT_EQ(WriteCubeLut(nullptr, "t", path.c_str()), kUiErrArg);
    EXPECT_EQ(WriteCubeLut(c.tw(), "t", ""), kUiErrArg);
}
