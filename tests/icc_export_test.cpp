// The profile export: the grid function's colour chain and its 16-bit Lab
// encoding, the exported profile read back by an independent colour engine,
// the proposed name and the save dialog, the description, failing disks,
// failing Tintworks and running out of memory.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/colour_science.h"
#include "icc/profile_export.h"
#include "tests/support/alert_messages.h"
#include "tests/support/alloc_failure_loop.h"
#include "tests/support/compiled_correction.h"
#include "tests/support/icc_bytes.h"
#include "tests/support/test_support.h"
#include "tests/support/working_space_fixture.h"
#include "ui/file_layer.h"
#include "ui/paths.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/state.h"

namespace {

ProfileExportSource SourceOf(const CompiledCorrection& c, const char* name = "beach.tif") {
    return ProfileExportSource{&c.pars, c.tw(), name, 1, nullptr};
}

// The Lab of an 8-bit colour through our own chain, node by node: the
// Tintwork, the transfer function, the working space's matrix, Bradford to
// the 5000 K daylight white, Lab against that white.
void ChainLab(const CompiledCorrection& c, const uint8_t rgb[3], double lab[3]) {
    uint16_t out[4];
    ASSERT_EQ(TwApplyPixel8(c.tw(), rgb, out), kUiOk);
    const double max = c.tw()->outputDepth == 2 ? 65535.0 : 255.0;
    WorkingSpaceMatrices m(c.pars.refRGB);
    ASSERT_NE(m.toXYZ, nullptr);
    float xyz[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const double linear = std::pow(out[k] / max, double(c.pars.refRGB.gamma));
        for (int j = 0; j < 3; ++j) xyz[j] += float(linear * MatrixAt(m.toXYZ, k, j));
    }
    float white[3], adapted[3], l[3];
    ASSERT_EQ(DaylightXYZ(5000.0f, white), kUiOk);
    ASSERT_EQ(AdaptXYZ(xyz, adapted, c.pars.refRGB.xyzWhite, white, kAdaptBradford), kUiOk);
    ASSERT_EQ(XYZToLabAtTemperature(adapted, l, 5000.0f), kUiOk);
    // Within what the 16-bit encoding holds: L 0 .. 100, a and b -128 .. 127.996.
    lab[0] = std::min(std::max(double(l[0]), 0.0), 100.0);
    for (int i = 1; i < 3; ++i) lab[i] = std::min(std::max(double(l[i]), -128.0), 32767 / 256.0);
}

// The export's grid node for an 8-bit colour.
void GridNode(const CompiledCorrection& c, const uint8_t rgb[3], uint16_t out[3]) {
    ExportGridContext context;
    const ProfileExportSource source = SourceOf(c);
    ASSERT_EQ(InitExportGridContext(&source, &context), kUiOk);
    const double in[3] = {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0};
    ASSERT_EQ(ExportGridNode(in, out, &context), kUiOk);
}

class IccExport : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeTempFolder("export"); }
    std::string folder_;
};

// How many of the alerts shown name text.
int Occurrences(const std::vector<std::string>& alerts, const std::string& text) {
    int n = 0;
    for (const std::string& a : alerts) n += a.find(text) != std::string::npos ? 1 : 0;
    return n;
}

}  // namespace

TEST(IccExportGrid, NeutralSettingsMapWhiteAndBlackToTheEncodingsEnds) {
    for (const int32_t depth : {1, 2}) {
        SCOPED_TRACE(depth);
        CompiledCorrection c;
        CompileCorrection(true, depth, &c);
        uint16_t white[3], black[3], grey[3];
        const uint8_t w[3] = {255, 255, 255}, k[3] = {0, 0, 0}, g[3] = {128, 128, 128};
        GridNode(c, w, white);
        GridNode(c, k, black);
        GridNode(c, g, grey);
        EXPECT_EQ(white[0], 65280);
        EXPECT_NEAR(white[1], 32768, 8);
        EXPECT_NEAR(white[2], 32768, 8);
        EXPECT_EQ(black[0], 0);
        EXPECT_EQ(black[1], 32768);
        EXPECT_EQ(black[2], 32768);
        // Grey 128 with gamma 2.2: Y = 0.2195, L = 54.0.
        EXPECT_NEAR(grey[0] / 652.8, 116 * std::cbrt(std::pow(128 / 255.0, 2.2)) - 16, 0.05);
        EXPECT_NEAR(grey[1], 32768, 8);
    }
}

TEST(IccExportGrid, SamplesReachTheTintworkAtItsInputDepth) {
    // The same correction taking 16-bit input must give the same nodes: an
    // 8-bit sample handed over unscaled would read as nearly black.
    CompiledCorrection c;
    CompileCorrection(false, 1, &c);
    const uint8_t colours[][3] = {{255, 255, 255}, {200, 150, 100}, {30, 60, 90}, {128, 128, 0}};
    std::vector<uint16_t> eight;
    for (const auto& rgb : colours) {
        uint16_t out[3];
        GridNode(c, rgb, out);
        eight.insert(eight.end(), out, out + 3);
    }
    ASSERT_EQ(TWHandleSetDepth(&c.handle, kTwSideInput, 2), kUiOk);
    for (size_t i = 0; i < 4; ++i) {
        uint16_t out[3];
        GridNode(c, colours[i], out);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], eight[i * 3 + k], 64) << i << " " << k;
    }
    // 16-bit output is scaled by its own maximum: white stays near L 100.
    ASSERT_EQ(TWHandleSetDepth(&c.handle, kTwSideOutput, 2), kUiOk);
    uint16_t white[3];
    GridNode(c, colours[0], white);
    EXPECT_NEAR(white[0], eight[0], 260);
}

TEST_F(IccExport, AnIndependentEngineReadsTheSameLabAsOurChain) {
    // A wide space with gamma 1.8 and a white near 5000 K, so the adaptation
    // works on a white other than the default's.
    const RefRGB wide = {
        1.8f, {0.9642f, 1.0f, 0.8249f}, {0.7347f, 0.2653f, 0.1596f, 0.8404f, 0.0366f, 0.0001f}};
    struct Case {
        const char* name;
        bool neutral;
        const RefRGB* space;
    } cases[] = {{"neutral", true, nullptr}, {"corrected", false, nullptr}, {"wide", false, &wide}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const bool neutral = k.neutral;
        CompiledCorrection c;
        CompileCorrection(neutral, 1, &c, k.space);
        const std::string path = folder_ + k.name + ".icc";
        const ProfileExportSource source = SourceOf(c);
        ASSERT_EQ(ExportProfileToPath(&source, path.c_str()), kUiOk);

        cmsHPROFILE profile = cmsOpenProfileFromFile(path.c_str(), "r");
        ASSERT_NE(profile, nullptr);
        EXPECT_EQ(cmsGetDeviceClass(profile), cmsSigInputClass);
        EXPECT_EQ(cmsGetColorSpace(profile), cmsSigRgbData);
        EXPECT_EQ(cmsGetPCS(profile), cmsSigLabData);
        EXPECT_NEAR(cmsGetProfileVersion(profile), 2.1, 1e-9);
        EXPECT_TRUE(cmsIsTag(profile, cmsSigAToB0Tag));
        char text[64] = {};
        cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
        EXPECT_STREQ(text, k.name);
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM xform = cmsCreateTransform(profile, TYPE_RGB_8, lab, TYPE_Lab_DBL,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        ASSERT_NE(xform, nullptr);
        // The 8-bit values on grid nodes (node 8 i of 41 is 51 i): the table
        // gives the node itself, so only the 16-bit encoding rounds.
        double worst = 0, worstOff = 0;
        for (int r = 0; r <= 255; r += 51)
            for (int g = 0; g <= 255; g += 51)
                for (int b = 0; b <= 255; b += 51) {
                    const uint8_t rgb[3] = {uint8_t(r), uint8_t(g), uint8_t(b)};
                    double theirs[3], ours[3];
                    cmsDoTransform(xform, rgb, theirs, 1);
                    ChainLab(c, rgb, ours);
                    for (int k = 0; k < 3; ++k)
                        worst = std::max(worst, std::fabs(theirs[k] - ours[k]));
                }
        // Between the nodes the engine interpolates the table.
        uint32_t seed = 12345;
        for (int i = 0; i < 500; ++i) {
            uint8_t rgb[3];
            for (uint8_t& v : rgb) v = uint8_t((seed = seed * 1103515245u + 12345u) >> 23);
            double theirs[3], ours[3];
            cmsDoTransform(xform, rgb, theirs, 1);
            ChainLab(c, rgb, ours);
            for (int k = 0; k < 3; ++k)
                worstOff = std::max(worstOff, std::fabs(theirs[k] - ours[k]));
        }
        EXPECT_LT(worst, 0.01);
        EXPECT_LT(worstOff, 2.0);  // the 41-point table's interpolation, steepest near black
        // White is L 100 in the v2 encoding (a v4 reading would give 100.39).
        const uint8_t white[3] = {255, 255, 255};
        double l[3];
        cmsDoTransform(xform, white, l, 1);
        if (neutral) {
            EXPECT_NEAR(l[0], 100.0, 0.002);
        }
        cmsDeleteTransform(xform);
        cmsCloseProfile(lab);
        cmsCloseProfile(profile);
    }
}

TEST(IccExportName, ProposedNameFitsThePathBuffer) {
    const std::string longName = std::string(300, 'n') + ".tif";
    const std::string longFolder = "/" + std::string(250, 'f') + "/";
    const std::string folder = "/home/u/.local/share/icc/";
    struct Case {
        std::string folder, document, expected;
    } cases[] = {
        {folder, "beach.tif", folder + "beach.icc"},
        {folder, "/photos/beach.tif", folder + "beach.icc"},
        {folder, "beach", folder + "beach.icc"},
        {folder, "a.b.c", folder + "a.b.icc"},
        {folder, "", folder + "Untitled.icc"},
        // Too long: the name is cut before its extension.
        {folder, longName, folder + std::string(255 - folder.size() - 4, 'n') + ".icc"},
        // A folder that leaves no room: the name alone.
        {longFolder, "beach.tif", "beach.icc"},
    };
    for (const Case& k : cases) {
        char path[kUiPathCapacity];
        ASSERT_EQ(
            ProposeProfileName(k.folder.c_str(), k.document.c_str(), "icc", path, sizeof path),
            kUiOk)
            << k.document;
        EXPECT_EQ(std::string(path), k.expected);
        EXPECT_LT(std::string(path).size(), kUiPathCapacity);
    }
    char description[64];
    ProfileDescription("/some/folder/beach.icc", description, sizeof description);
    EXPECT_STREQ(description, "beach");
    ProfileDescription("/some/folder/noext", description, sizeof description);
    EXPECT_STREQ(description, "noext");
}

TEST_F(IccExport, TheSaveDialogStartsInTheColourProfileFolder) {
    UiState* state = nullptr;
    ASSERT_EQ(Ui_State_Open(&state, nullptr, nullptr, kStrProductName, 0), kUiOk);
    CompiledCorrection c;
    CompileCorrection(true, 1, &c);
    const ProfileExportSource source = SourceOf(c, "/pictures/beach.tif");
    RemoveDebugLog();
    char colour[kUiPathCapacity];
    ASSERT_EQ(Ui_Path_SetToColorFolder(colour, sizeof colour), kUiOk);
    const std::string chosen = folder_ + "chosen";  // the dialog adds ".icc"
    Headless_QueueFileDialogAnswer(chosen.c_str());
    ASSERT_EQ(ExportProfile(state, &source), kUiOk);
    ASSERT_EQ(Headless_FileDialogCount(), 1);
    const HeadlessFileDialog* asked = Headless_FileDialog(0);
    EXPECT_TRUE(asked->save);
    EXPECT_STREQ(asked->prompt, "Save ICC profile");
    EXPECT_STREQ(asked->defExt, "icc");
    EXPECT_EQ(std::string(asked->initial), std::string(colour) + "beach.icc");
    std::vector<uint8_t> b;
    ASSERT_TRUE(ReadWholeFile(chosen + ".icc", &b));
    const IccTagEntry desc = FindIccTag(b, IccSig("desc"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[desc.offset + 12])), "chosen");
    EXPECT_EQ(b.size(), Be32(b, 0));
    const std::string trace = ReadDebugLog();
    EXPECT_LT(trace.find("ExportProfile..."), trace.find("...ExportProfile")) << trace;

    // A cancel is silent and writes nothing.
    RemoveDebugLog();
    Headless_QueueFileDialogAnswer(nullptr);
    EXPECT_EQ(ExportProfile(state, &source), kUiErrCancelled);
    EXPECT_TRUE(AlertMessages().empty());

    // No colour-profile folder: reported as such.
    const std::string data = std::getenv("XDG_DATA_HOME"), home = std::getenv("HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "", 1);
    const int32_t status = ExportProfile(state, &source);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(status, kUiErrGeneral);
    EXPECT_EQ(Occurrences(AlertMessages(), "while finding ICC profile folder."), 1);
    EXPECT_EQ(Headless_FileDialogCount(), 2);
    Ui_State_Close(&state);
}

TEST_F(IccExport, FailuresAreReportedOnceAndLeaveNoFile) {
    CompiledCorrection c;
    CompileCorrection(false, 1, &c);
    ProfileExportSource source = SourceOf(c);
    ASSERT_EQ(Ui_State_Open(&source.ui, Plat_ModuleInstance(), nullptr, kStrProductName, 0), kUiOk);
    const std::string path = folder_ + "fail.icc";
    // A failing disk: -6 with the writing context, nothing at the path.
    for (const int32_t fault : {kFLFaultWrite, kFLFaultClose}) {
        Headless_ResetDialogs();
        FL_InjectFault(fault, 1);
        EXPECT_EQ(ExportProfileToPath(&source, path.c_str()), kUiErrWrite);
        FL_InjectFault(fault, 0);
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(AlertMessages(),
                  std::vector<std::string>{"A file write error occurred while writing profile " +
                                           path + "."});
    }
    // A Tintwork that cannot be applied: reported once as editing colour.
    Tintwork* unfinished = nullptr;
    ASSERT_EQ(CreateTintwork(&unfinished, 3, 3, kTwSpaceRgb, kTwSpaceRgb, 1, kTwKindUniform0, 1),
              kUiOk);
    ProfileExportSource broken = source;
    broken.tintwork = unfinished;
    Headless_ResetDialogs();
    EXPECT_EQ(ExportProfileToPath(&broken, path.c_str()), kUiErrArg);
    DestroyTintwork(unfinished);
    const std::vector<std::string> alerts = AlertMessages();
    EXPECT_EQ(Occurrences(alerts, "while editing color."), 1);
    EXPECT_EQ(Occurrences(alerts, "writing profile"), 0);
    EXPECT_FALSE(FileExists(path));
    Ui_State_Close(&source.ui);
}

TEST_F(IccExport, RunningOutOfMemoryReleasesTheTableAndLeavesNoFile) {
    CompiledCorrection c;
    CompileCorrection(false, 1, &c);
    const ProfileExportSource source = SourceOf(c);
    const std::string path = folder_ + "memory.icc";
    const uint32_t requests = RunAllocationFailureLoop([&]() -> int32_t {
        std::remove(path.c_str());
        const int32_t status = ExportProfileToPath(&source, path.c_str());
        EXPECT_EQ(FileExists(path), status == kUiOk);
        return status;
    });
    EXPECT_GE(requests, 7u);
}

namespace {

// Runs a command and returns what it printed (stdout and stderr).
std::string RunTool(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace

TEST_F(IccExport, ArgyllReadsEveryTagAndLooksUpFiniteLab) {
    ASSERT_NE(RunTool("command -v iccdump; command -v xicclu").find("xicclu"), std::string::npos)
        << "Argyll's iccdump and xicclu are needed (scripts/setup.sh installs them)";
    CompiledCorrection c;
    CompileCorrection(false, 1, &c);
    const std::string path = folder_ + "argyll.icc";
    const ProfileExportSource source = SourceOf(c);
    ASSERT_EQ(ExportProfileToPath(&source, path.c_str()), kUiOk);
    // The dump decodes all four tags, with no complaint anywhere.
    const std::string dump = RunTool("iccdump -v 3 '" + path + "'");
    for (const char* expected : {"Version      = 2.1.0", "Device Class = Input",
                                 "Conn. Space  = Lab", "tag 3:", "sig      'desc'",
                                 "TextDescription:", "sig      'cprt'", "Text:", "sig      'wtpt'",
                                 "XYZArray:", "sig      'A2B0'", "Lut16:", "CLUT resolution = 41",
                                 "Input Table entries = 4096", "Output Table entries = 4096"})
        EXPECT_NE(dump.find(expected), std::string::npos) << expected;
    EXPECT_EQ(dump.find("tag 4:"), std::string::npos);
    for (const char* complaint : {"rror", "arning", "nknown", "ailed"})
        EXPECT_EQ(dump.find(complaint), std::string::npos) << complaint << "\n"
                                                           << dump.substr(0, 2000);
    // Lookups give finite Lab: white near L 100 (the v2 encoding), black 0.
    const std::string lookup =
        RunTool("printf '1 1 1\\n0 0 0\\n0.5 0.2 0.1\\n' | xicclu -v0 -ff -ip -pl '" + path + "'");
    double lab[3][3] = {};
    ASSERT_EQ(std::sscanf(lookup.c_str(), "%lf %lf %lf %lf %lf %lf %lf %lf %lf", &lab[0][0],
                          &lab[0][1], &lab[0][2], &lab[1][0], &lab[1][1], &lab[1][2], &lab[2][0],
                          &lab[2][1], &lab[2][2]),
              9)
        << lookup;
    for (const auto& row : lab)
        for (double v : row) EXPECT_TRUE(std::isfinite(v)) << lookup;
    EXPECT_NEAR(lab[0][0], 100.0, 0.01) << lookup;
    EXPECT_NEAR(lab[1][0], 0.0, 0.01) << lookup;
    const uint8_t rgb[3] = {128, 51, 26};
    double ours[3];
    ChainLab(c, rgb, ours);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(lab[2][k], ours[k], 1.0) << lookup;
}
