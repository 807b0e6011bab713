// The filtering pass driven as a host drives it: the built module for whole
// runs, the statically linked entry point where a test needs the module's
// inside (failure injection, alerts, questions). Strips, depths, selections,
// extra planes, noise removal and sharpening, abort, replays of recorded
// actions on every kind of host, and the failures the start stage reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "editor/stored_prefs.h"
#include "engine/compile_edit_tw.h"
#include "engine/noise.h"
#include "engine/noise_mask.h"
#include "engine/sharpen.h"
#include "host/blocks.h"
#include "host/filter_image.h"
#include "host/script_params.h"
#include "tests/support/alert_messages.h"
#include "tests/support/plugin_host.h"
#include "tests/support/prefs_samples.h"
#include "ui/allocator.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A preferences file whose previous settings apply the given sharpen and
// noise removal (start mode Previous).
void WritePrefs(PrefsRecord prefs) {
    ASSERT_EQ(Ui_Prefs_WriteAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind,
                                WriteStoredPrefs, &prefs),
              0);
}

PrefsRecord WithFilters(int32_t sharpen, const int32_t radius[3], uint8_t lumaChroma = 0) {
    PrefsRecord p = DefaultPrefs();
    p.startMode = kStartPrevious;
    p.previous.doSharpen = sharpen > 0 ? 1 : 0;
    p.previous.sharpenStrength = sharpen;
    p.previous.sharpenMode = -1;
    const bool noise = radius != nullptr;
    p.previous.doRemoveNoise = noise ? 1 : 0;
    p.previous.noiseFlag = lumaChroma;
    for (int32_t c = 0; c < 3; ++c) {
        p.previous.noiseRadius[c] = noise ? radius[c] : 0;
        p.previous.noiseThreshold[c] = noise ? 255 : 0;
    }
    p.previous.noiseExtra = 1;
    return p;
}

// A replay reads the reduced image for its analysis first; the strips of the
// pass follow that read.
constexpr int32_t kPreviewReads = 1;

class FilterPassTest : public ::testing::Test {
  protected:
    PluginHost h;
    void SetUp() override {
        std::remove(PrefsFilePath().c_str());
        RemoveDebugLog();
        Headless_SetAlertEcho(false);
    }
    DataBlock* Data() { return h.Locked<DataBlock>(reinterpret_cast<Handle>(h.host.data)); }
    ParametersBlock* Parameters() { return h.Locked<ParametersBlock>(h.host.record->parameters); }

    // A whole first run; rowSkip, when given, replaces the planned strip height.
    HKRun Run(int16_t rowSkip = 0) {
        rowSkip_ = rowSkip;
        h.host.options.beforeStart = [](HKHost* host, void* context) {
            const int16_t rows = *static_cast<int16_t*>(context);
            if (rows > 0) (*reinterpret_cast<DataBlock**>(host->data))->rowSkip = rows;
        };
        h.host.options.beforeStartContext = &rowSkip_;
        const HKRunPlan plan{false, true};
        HKRun run;
        HK_RunFilter(&h.host, h.entry, &plan, &run);
        return run;
    }
    int16_t rowSkip_ = 0;
    // The document after a run of the module over d.
    Bytes Filtered(const TestDocument& d, int16_t rowSkip = 0, HKOptions o = HK_DefaultOptions()) {
        h.Open(d, o);
        EXPECT_EQ(Run(rowSkip).result, noErr);
        return h.doc.pixels;
    }
};

TEST_F(FilterPassTest, TheIdentityLeavesEightBitImagesAsTheyAre) {
    h.entry = ModuleEntry();
    for (int32_t planes : {3, 4}) {
        const TestDocument d(37, 23, planes, 8);
        h.Open(d);
        const HKRun run = Run();
        EXPECT_EQ(run.result, noErr);
        EXPECT_EQ(h.doc.pixels, d.pixels) << planes;
        EXPECT_EQ(h.host.progressCalls, 23);
        EXPECT_EQ(h.host.progressTotal, 23);
        EXPECT_EQ(h.host.inAreaCount, kPreviewReads + 1) << "one strip";
        EXPECT_EQ(h.host.record->autoMask, 0);
    }
    EXPECT_EQ(ReadDebugLog().find("ul_nMallocs"), std::string::npos) << "no block left at finish";
}

TEST_F(FilterPassTest, AReplayAppliesTheCompiledSettings) {
    PrefsRecord p = WithFilters(0, nullptr);
    p.previous.brightness = 0.75f;
    p.previous.contrast = 0.6f;
    WritePrefs(p);
    const TestDocument d(21, 13, 3, 8);
    h.Open(d);
    ASSERT_EQ(Run().result, noErr);

    // The same settings compiled here and applied pixel by pixel.
    uint8_t none[3] = {};
    IPImage view = {
        kIPImageColour, 3, 1, 0, 0, 72.0f, 3, 3, {none, none + 1, none + 2, nullptr}, 0};
    TWHandle handle = {};
    ASSERT_EQ(CompileEditTW(&p.previous, &view, nullptr, &handle), kUiOk);
    int32_t changed = 0;
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x) {
            const uint8_t in[3] = {uint8_t(d.Get(x, y, 0)), uint8_t(d.Get(x, y, 1)),
                                   uint8_t(d.Get(x, y, 2))};
            uint16_t out[3];
            ASSERT_EQ(TwApplyPixel8(handle.tintwork, in, out), kUiOk);
            for (int32_t c = 0; c < 3; ++c) {
                EXPECT_EQ(h.doc.Get(x, y, c), out[c]) << x << "," << y << "," << c;
                changed += out[c] != in[c];
            }
        }
    EXPECT_GT(changed, d.width * d.height) << "the settings change the image";
    DestroyTintwork(handle.tintwork);
}

TEST_F(FilterPassTest, SixteenBitSamplesComeBackHalvedFromTheDoubledRange) {
    h.entry = ModuleEntry();
    TestDocument d(9, 7, 4, 16);
    d.Set(0, 0, 0, 32768);
    d.Set(1, 0, 1, 32767);
    d.Set(2, 0, 2, 1);
    d.Set(3, 0, 3, 32768);  // transparency
    d.Set(4, 0, 3, 12345);
    h.Open(d);
    ASSERT_EQ(Run().result, noErr);
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x)
            for (int32_t c = 0; c < 4; ++c) {
                const uint32_t v = d.Get(x, y, c);  // d is the untouched copy
                const uint32_t expected = c < 3 && v == 32768 ? 32767 : v;
                ASSERT_EQ(h.doc.Get(x, y, c), expected) << x << "," << y << " plane " << c;
            }
}

// Five and six planes take the pass's row path for any number of planes:
// the identity gives back every sample (a 16-bit colour sample of 32768 as
// 32767), and with a correction and a selection the colour planes come out
// as those of the three-plane document, the further planes untouched.
TEST_F(FilterPassTest, DocumentsOfFiveAndSixPlanesAtBothDepths) {
    h.entry = ModuleEntry();
    for (int32_t depth : {8, 16}) {
        for (int32_t planes : {5, 6}) {
            const TestDocument d(13, 9, planes, depth);
            h.Open(d);
            ASSERT_EQ(Run().result, noErr) << planes << " planes, " << depth;
            for (int32_t y = 0; y < d.height; ++y)
                for (int32_t x = 0; x < d.width; ++x)
                    for (int32_t c = 0; c < planes; ++c) {
                        const uint32_t v = d.Get(x, y, c);
                        const uint32_t expected = c < 3 && v == 32768 ? 32767 : v;
                        ASSERT_EQ(h.doc.Get(x, y, c), expected)
                            << planes << " planes, " << depth << ": " << x << "," << y << " " << c;
                    }
        }
    }
    PrefsRecord p = WithFilters(0, nullptr);
    p.previous.brightness = 0.7f;
    WritePrefs(p);
    for (int32_t depth : {8, 16}) {
        TestDocument flat(13, 9, 3, depth);
        flat.mask.assign(size_t(flat.width) * size_t(flat.height), 0);
        for (size_t i = 0; i < flat.mask.size(); ++i) flat.mask[i] = uint8_t(i * 37 % 256);
        TestDocument corrected = flat;
        corrected.pixels = Filtered(flat);
        ASSERT_NE(corrected.pixels, flat.pixels);
        for (int32_t planes : {5, 6}) {
            TestDocument d(13, 9, planes, depth);
            d.mask = flat.mask;
            TestDocument out = d;
            out.pixels = Filtered(d);
            for (int32_t y = 0; y < d.height; ++y)
                for (int32_t x = 0; x < d.width; ++x)
                    for (int32_t c = 0; c < planes; ++c)
                        ASSERT_EQ(out.Get(x, y, c), c < 3 ? corrected.Get(x, y, c) : d.Get(x, y, c))
                            << planes << " planes, " << depth << ": " << x << "," << y << " " << c;
        }
    }
}

// ---- Selections ------------------------------------------------------------------

TEST_F(FilterPassTest, SelectionsBlendOnceAndLeaveUnselectedPixelsExactly) {
    WritePrefs(WithFilters(12, nullptr));
    TestDocument d(30, 12, 3, 8);
    const Bytes plain = Filtered(d);
    ASSERT_NE(plain, d.pixels) << "the sharpen changes the image";
    d.mask.assign(size_t(d.width) * size_t(d.height), 0);
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x)
            d.mask[size_t(y * d.width + x)] = x < 10 ? 0 : x < 20 ? 128 : 255;
    h.Open(d);
    ASSERT_EQ(Run().result, noErr);
    EXPECT_EQ(h.host.record->autoMask, 0) << "the plug-in blends itself";
    TestDocument sharp = d;
    sharp.pixels = plain;
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x)
            for (int32_t c = 0; c < 3; ++c) {
                const uint32_t s = d.Get(x, y, c), p = sharp.Get(x, y, c);
                const uint32_t m = d.mask[size_t(y * d.width + x)];
                const uint32_t expected = m == 0     ? s
                                          : m == 255 ? p
                                                     : (s * (255 - m) + p * m + 128) >> 8;
                ASSERT_EQ(h.doc.Get(x, y, c), expected) << x << "," << y << " mask " << m;
            }
}

// ---- Strips ------------------------------------------------------------------------

TEST_F(FilterPassTest, StripsStayInsideTheFilterRectangleAndChangeNothingOfTheResult) {
    WritePrefs(WithFilters(10, nullptr));
    const TestDocument d(33, 40, 3, 8);
    HKOptions o = HK_DefaultOptions();
    o.filterRect = VRect{3, 2, 37, 30};
    const Bytes whole = Filtered(d, 0, o);
    ASSERT_EQ(h.host.inAreaCount, kPreviewReads + 1);
    for (int16_t rowSkip : {1, 2, 5, 9}) {
        EXPECT_EQ(Filtered(d, rowSkip, o), whole) << rowSkip;
        const int32_t count = h.host.inAreaCount;
        ASSERT_GT(count, kPreviewReads + 1);
        ASSERT_LE(count, kHKMaxLoggedAreas);
        for (int32_t k = 0; k < count; ++k) {
            const VRect& a = h.host.inAreas[k];
            EXPECT_TRUE(a.top >= 3 && a.bottom <= 37 && a.left == 2 && a.right == 30)
                << rowSkip << ": strip " << k;
            if (k <= kPreviewReads) continue;
            // Each strip is fetched for the row below the last one and
            // starts four rows higher (not above the filter rectangle), for
            // the rows the sharpen holds back.
            const int32_t row = h.host.inAreas[k - 1].bottom;
            EXPECT_EQ(a.top, std::max(row - 4, 3)) << rowSkip << ": strip " << k;
            EXPECT_GE(a.bottom, row + 1) << "the strip holds its row";
        }
        EXPECT_EQ(h.host.inAreas[count - 1].bottom, 37);
        EXPECT_EQ(h.host.abortPolls, count - kPreviewReads) << "abort polled once per strip";
    }
    // Outside the filter rectangle nothing changes.
    TestDocument out = d;
    out.pixels = whole;
    for (int32_t y = 0; y < d.height; ++y)
        for (int32_t x = 0; x < d.width; ++x) {
            if (y >= 3 && y < 37 && x >= 2 && x < 30) continue;
            ASSERT_EQ(out.Get(x, y, 1), d.Get(x, y, 1)) << x << "," << y;
        }
}

TEST_F(FilterPassTest, NoiseRemovalHoldsBackRowsOfAnyChannelWithinItsStrips) {
    const int32_t lumaOnly[3] = {3, 0, 0};
    const int32_t chroma[3] = {0, 2, 5};
    for (const int32_t* radius : {lumaOnly, chroma}) {
        for (int32_t sharpen : {0, 6}) {
            WritePrefs(WithFilters(sharpen, radius));
            const TestDocument d(21, 30, 3, 8);
            const Bytes whole = Filtered(d);
            EXPECT_NE(whole, d.pixels);
            for (int16_t rowSkip : {1, 3, 7}) EXPECT_EQ(Filtered(d, rowSkip), whole) << rowSkip;
        }
    }
}

TEST_F(FilterPassTest, StripMargins) {
    FilterSettings f = {};
    f.noise.noiseRadius[0] = 3;
    f.noise.noiseRadius[1] = 2;
    f.noise.noiseRadius[2] = 1;
    f.noise.noiseRadius[3] = 16;  // not a channel of the pass
    EXPECT_EQ(StripMargin(f, 1), 0);
    f.doSharpen = 1;
    EXPECT_EQ(StripMargin(f, 1), 4);
    f.doRemoveNoise = 1;
    EXPECT_EQ(StripMargin(f, 1), 10);
    f.doSharpen = 0;
    EXPECT_EQ(StripMargin(f, 1), 6);
    EXPECT_EQ(StripMargin(f, 0), 0) << "the stage switched off";
    // A stored radius past the noise engine's limit, which refuses it when
    // the pass opens it, counts as the limit: no overflow.
    f.doSharpen = 1;
    f.noise.noiseRadius[1] = INT32_MAX;
    EXPECT_EQ(StripMargin(f, 1), 2 * kNoiseMaxRadius + 4);
    f.noise.noiseRadius[1] = INT32_MIN;
    EXPECT_EQ(StripMargin(f, 1), 6 + 4);
}

// Stored sharpen / noise values outside their ranges (preferences, settings
// files and descriptors hold any number): a selector of no use with the
// sharpen off does not stop the pass, one with the sharpen on and a radius
// past the noise engine's limit are refused, the image untouched.
TEST_F(FilterPassTest, StoredFilterSettingsOutsideTheirRanges) {
    const TestDocument d(19, 14, 3, 8);
    const int32_t huge[3] = {0, INT32_MAX, 3};
    PrefsRecord offButOdd = WithFilters(0, nullptr);
    offButOdd.previous.sharpenMode = 99;
    offButOdd.previous.sharpenStrength = 1000;
    PrefsRecord onAndOdd = WithFilters(6, nullptr);
    onAndOdd.previous.sharpenMode = 99;
    const struct {
        const char* name;
        PrefsRecord prefs;
        int16_t result;
    } cases[] = {
        {"sharpen off, selector 99", offButOdd, noErr},
        {"sharpen on, selector 99", onAndOdd, filterBadParameters},
        {"huge radius", WithFilters(6, huge), filterBadParameters},
    };
    for (const auto& c : cases) {
        WritePrefs(c.prefs);
        h.Open(d);
        EXPECT_EQ(Run(3).result, c.result) << c.name;
        EXPECT_EQ(h.doc.pixels, d.pixels) << c.name;
    }
}

TEST_F(FilterPassTest, AOneRowImageIsOneStrip) {
    WritePrefs(WithFilters(24, nullptr));
    const TestDocument d(17, 1, 3, 8);
    EXPECT_EQ(Filtered(d), d.pixels) << "a sharpen needs more than four rows";
    EXPECT_EQ(h.host.inAreaCount, kPreviewReads + 1);
    EXPECT_EQ(h.host.maxInRows, 1);
    EXPECT_EQ(Data()->rowSkip, 1);
}

// ---- The stages in their order ---------------------------------------------------------

// Noise removal, then the sharpen, run by hand over a whole 8-bit image.
struct Rows {
    std::vector<Bytes> rows;
    static int32_t Take(void* context, const RowDesc* row) {
        Rows* r = static_cast<Rows*>(context);
        r->rows.emplace_back(row->data8, row->data8 + row->width * 3);
        return 0;
    }
};

Bytes NoiseThenSharpen(TestDocument d, const EditPars& p) {
    const uint32_t w = uint32_t(d.width), h = uint32_t(d.height);
    Rows denoised, sharpened;
    NoiseParams n = {};
    n.width = w;
    n.height = h;
    n.colorKind = 1;
    n.lumaChroma = p.noiseFlag;
    n.channels = 3;
    for (int32_t c = 0; c < 3; ++c) {
        n.radius[c] = p.noiseRadius[c];
        n.threshold[c] = p.noiseThreshold[c];
    }
    n.maskShape = uint32_t(p.noiseExtra);
    n.planarOutput = 1;
    n.order = kRowOrderIdentity3;
    n.outputDepth = 1;
    n.sink = Rows::Take;
    n.sinkContext = &denoised;
    Mask2dState* noise = nullptr;
    EXPECT_EQ(mask2dOpen(&noise, &n), 0);
    Bytes planar(w * 3);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < 3; ++c)
                planar[c * w + x] = uint8_t(d.Get(int32_t(x), int32_t(y), c));
        RowDesc row = {w, 3, 1, 1, kRowOrderIdentity3, planar.data(), nullptr, y};
        EXPECT_EQ(mask2dPutRow(noise, &row), 0);
    }
    mask2dClose(&noise);
    SharpenParams sp = {
        p.sharpenStrength, p.sharpenMode, w, h, 3, 1, 1, kRowOrderIdentity3, 1, 0, 255,
        Rows::Take,        &sharpened};
    SharpenWindow* window = nullptr;
    EXPECT_EQ(sharpenOpen(&window, &sp), 0);
    for (uint32_t y = 0; y < h; ++y) {
        RowDesc row = {w, 3, 1, 1, kRowOrderIdentity3, denoised.rows[y].data(), nullptr, y};
        EXPECT_EQ(sharpenPutRow(window, &row), 0);
    }
    sharpenClose(&window);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int32_t c = 0; c < 3; ++c)
                d.Set(int32_t(x), int32_t(y), c, sharpened.rows[y][c * w + x]);
    return d.pixels;
}

TEST_F(FilterPassTest, NoiseIsRemovedBeforeTheTransformAndTheSharpenComesAfter) {
    const int32_t radius[3] = {0, 4, 3};
    const PrefsRecord p = WithFilters(9, radius, 1);
    WritePrefs(p);
    const TestDocument d(26, 19, 3, 8);
    const Bytes expected = NoiseThenSharpen(d, p.previous);
    EXPECT_EQ(Filtered(d, 5), expected);
}

// ---- Abort, and what every run leaves behind ------------------------------------------

TEST_F(FilterPassTest, AnAbortEndsWithCancelAndAnUntouchedImage) {
    WritePrefs(WithFilters(6, nullptr));
    const TestDocument d(12, 30, 3, 8);
    HKOptions o = HK_DefaultOptions();
    o.abortAtRow = 10;
    h.Open(d, o);
    const uint32_t live = Ui_Mem_Stats().nMallocs;
    const HKRun run = Run(4);
    EXPECT_EQ(run.result, userCanceledErr);
    ASSERT_EQ(run.stepCount, 4);
    EXPECT_EQ(run.steps[3].selector, filterSelectorFinish) << "finish follows a cancel";
    EXPECT_EQ(run.steps[3].result, noErr);
    EXPECT_EQ(h.doc.pixels, d.pixels);
    EXPECT_GT(h.host.advanceCalls, 2) << "strips were written before the abort";
    EXPECT_EQ(Ui_Mem_Stats().nMallocs, live);
}

TEST_F(FilterPassTest, EveryStartRewritesThePreferencesFile) {
    h.entry = ModuleEntry();
    h.Open(TestDocument(8, 6, 3, 8));
    ASSERT_EQ(h.Call(filterSelectorParameters), noErr);
    for (int32_t i = 0; i < 2; ++i) {
        std::remove(PrefsFilePath().c_str());
        ASSERT_EQ(h.Call(filterSelectorPrepare), noErr);
        ASSERT_EQ(h.Call(filterSelectorStart), noErr);
        EXPECT_TRUE(FileExists(PrefsFilePath())) << i;
    }
    // A replay without the dialog rewrites it too, with the settings it applied.
    PrefsRecord file = DefaultPrefs();
    ASSERT_EQ(Ui_Prefs_ReadAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind, ReadStoredPref,
                               nullptr, &file),
              0);
    EXPECT_EQ(file.previous.brightness, 0.5f);
}

// ---- Replays on every kind of host ---------------------------------------------------

struct HostVariant {
    const char* name;
    void (*apply)(HKOptions*);
};

const HostVariant kVariants[] = {
    {"full host", [](HKOptions*) {}},
    {"556-byte record",
     [](HKOptions* o) {
         o->recordBytes = 556;
         o->bigDocument = false;
     }},
    {"no big documents", [](HKOptions* o) { o->bigDocument = false; }},
    {"zero sampling rates", [](HKOptions* o) { o->zeroRates = true; }},
    {"no error string", [](HKOptions* o) { o->errorString = false; }},
    {"relocated blocks", [](HKOptions* o) { o->relocateHandles = true; }},
};

class ReplayTest : public FilterPassTest, public ::testing::WithParamInterface<HostVariant> {};

TEST_P(ReplayTest, ARecordedActionReplaysOnAnotherImage) {
    h.entry = ModuleEntry();
    HKOptions o = HK_DefaultOptions();
    GetParam().apply(&o);
    const int32_t radius[3] = {0, 2, 2};
    WritePrefs(WithFilters(8, radius, 1));
    TestDocument d(24, 18, 3, 16);
    d.Set(3, 3, 0, 32768);
    h.Open(d, o);
    ASSERT_EQ(Run().result, noErr);
    const Bytes first = h.doc.pixels;
    ASSERT_NE(first, d.pixels);
    uint32_t size = 0;
    const uint8_t* text = HK_DescriptorText(&h.host, kScriptDataKey, &size);
    ASSERT_NE(text, nullptr);
    const Bytes recorded(text, text + size);

    // A host started afresh: no blocks, preferences of their defaults, the
    // recorded descriptor and no dialog.
    std::remove(PrefsFilePath().c_str());
    PluginHost replay;
    replay.entry = ModuleEntry();
    o.playInfo = plugInDialogDontDisplay;
    replay.Open(d, o);
    ASSERT_EQ(HK_SetDescriptorText(&replay.host, kScriptDataKey, recorded.data(), size), 0);
    const HKRun run = replay.Run(false);
    EXPECT_EQ(run.result, noErr);
    EXPECT_EQ(run.steps[0].selector, filterSelectorPrepare);
    EXPECT_EQ(replay.doc.pixels, first) << "processed identically";
    EXPECT_NE(HK_DescriptorText(&replay.host, kScriptDataKey, &size), nullptr) << "recorded again";
}

INSTANTIATE_TEST_SUITE_P(Hosts, ReplayTest, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<HostVariant>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != 0; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             return name;
                         });

// A recording replayed without the editor applies its previous settings in
// every start mode; the start mode it carries (reset here) governs a replay
// that shows the editor, and stays the stored one.
TEST_F(FilterPassTest, ARecordingMadeInTheResetModeReplaysItsSettings) {
    const int32_t radius[3] = {0, 2, 2};
    PrefsRecord recording = WithFilters(8, radius, 1);
    recording.previous.brightness = 0.7f;
    const TestDocument d(24, 18, 3, 8);
    WritePrefs(recording);
    const Bytes applied = Filtered(d);
    ASSERT_NE(applied, d.pixels);
    recording.startMode = kStartReset;
    Bytes blob(kScriptBlobBytes), text(ScriptTextBytes(kScriptBlobBytes));
    ASSERT_EQ(EncodeScriptBlob(&recording, blob.data(), kScriptBlobBytes), kUiOk);
    PackScriptText(blob.data(), kScriptBlobBytes, text.data());
    const struct {
        int16_t playInfo;
        const Bytes& expected;
    } cases[] = {{plugInDialogDontDisplay, applied}, {plugInDialogDisplay, d.pixels}};
    for (const auto& c : cases) {
        std::remove(PrefsFilePath().c_str());
        PluginHost replay;
        HKOptions o = HK_DefaultOptions();
        o.playInfo = c.playInfo;
        replay.Open(d, o);
        ASSERT_EQ(
            HK_SetDescriptorText(&replay.host, kScriptDataKey, text.data(), uint32_t(text.size())),
            0);
        EXPECT_EQ(replay.Run(false).result, noErr);
        EXPECT_EQ(replay.doc.pixels, c.expected) << c.playInfo;
        PrefsRecord stored = DefaultPrefs();
        ASSERT_EQ(Ui_Prefs_ReadAll(nullptr, PrefsFilePath().c_str(), kUiPrefsFileKind,
                                   ReadStoredPref, nullptr, &stored),
                  0);
        EXPECT_EQ(stored.startMode, uint32_t(kStartReset)) << c.playInfo;
    }
}

// ---- What the start stage refuses ----------------------------------------------------

TEST_F(FilterPassTest, HostsAndImagesItCannotWorkWith) {
    const struct {
        const char* name;
        void (*spoil)(HKOptions*);
        void (*record)(FilterRecord*);
        int16_t result;
        const char* alert;  // the first alert's text begins with this; null: none
    } cases[] = {
        {"fewer than three planes", nullptr, [](FilterRecord* r) { r->planes = 2; },
         userCanceledErr, "All three RGB channels must be write enabled."},
        {"no advanceState", [](HKOptions* o) { o->advanceState = false; }, nullptr,
         errPlugInHostInsufficient, "This plug-in needs a host that supports version 3.0"},
        {"no displayPixels", [](HKOptions* o) { o->displayPixels = false; }, nullptr,
         errPlugInHostInsufficient, "This plug-in needs a host that supports version 2.5.2"},
        {"no sampling", [](HKOptions* o) { o->samplingSupport = 0; }, nullptr,
         errPlugInHostInsufficient, nullptr},
        {"greyscale", nullptr, [](FilterRecord* r) { r->imageMode = plugInModeGrayScale; },
         filterBadMode, nullptr},
        {"12 bits", nullptr, [](FilterRecord* r) { r->depth = 12; }, filterBadParameters, nullptr},
        {"an unusable monitor space", nullptr,
         [](FilterRecord* r) {
             r->monitor =
                 PlugInMonitor{20 << 16, 42000, 21000, 19660, 39321, 9830, 3932, 20495, 21561, 0};
         },
         filterBadParameters, "An error occurred while verifying the RGB working space."},
    };
    for (const auto& c : cases) {
        const TestDocument d(8, 6, 3, 8);
        HKOptions o = HK_DefaultOptions();
        if (c.spoil != nullptr) c.spoil(&o);
        h.Open(d, o);
        ASSERT_EQ(h.FirstCall(filterSelectorParameters, false), noErr) << c.name;
        ASSERT_EQ(h.Call(filterSelectorPrepare), noErr) << c.name;
        if (c.record != nullptr) c.record(h.host.record);
        Headless_ClearAlerts();
        Headless_ResetDialogs();
        EXPECT_EQ(h.Call(filterSelectorStart), c.result) << c.name;
        EXPECT_EQ(h.host.advanceCalls, 0) << c.name;
        // Alerts of the library, or the host's message box when it is too old.
        std::vector<std::string> shown = AlertMessages();
        for (int32_t i = 0; i < Headless_AlertCount(); ++i)
            shown.push_back(Headless_Alert(i)->text);
        if (c.alert == nullptr) {
            EXPECT_TRUE(shown.empty()) << c.name;
            continue;
        }
        ASSERT_GE(shown.size(), 1u) << c.name;
        EXPECT_THAT(shown[0], ::testing::StartsWith(c.alert)) << c.name;
    }
    // Without handle procs nothing can be kept: every stage says so.
    HKOptions o = HK_DefaultOptions();
    o.handleProcs = false;
    h.Open(TestDocument(8, 6, 3, 8), o);
    for (int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart})
        EXPECT_EQ(h.FirstCall(selector, false), errPlugInHostInsufficient) << selector;
}

TEST_F(FilterPassTest, TheMonitorGivesTheWorkingSpace) {
    const TestDocument d(8, 6, 3, 8);
    h.Open(d);
    // Gamma 1.8, the primaries and white of a common monitor space, 16.16.
    h.host.record->monitor =
        PlugInMonitor{118000, 41943, 21627, 19661, 39322, 9830, 3932, 20495, 21561, 0};
    ASSERT_EQ(h.FirstCall(filterSelectorParameters, true), noErr);
    ASSERT_EQ(h.Call(filterSelectorPrepare), noErr);
    ASSERT_EQ(h.Call(filterSelectorStart), noErr);
    const RefRGB& ref = Data()->edit.pars.refRGB;
    EXPECT_NEAR(ref.gamma, 118000 / 65536.0, 1e-6);
    EXPECT_EQ(ref.primaries[0], 0.64f) << "four decimals";
    EXPECT_EQ(ref.primaries[1], 0.33f);
    EXPECT_NEAR(ref.xyzWhite[1], 1.0, 1e-6);
    EXPECT_NEAR(ref.xyzWhite[0], 20495.0 / 21561.0, 1e-5);
    const std::string log = ReadDebugLog();
    EXPECT_TRUE(LogHas(log, "Host provides monitor information..."));
    EXPECT_TRUE(LogHas(log, "primaries: 0.640000 0.330000 0.300000 0.600000 0.150000 0.060000"));
    EXPECT_EQ(Parameters()->prefs.previous.refRGB.gamma, ref.gamma) << "what the run applied";
}

TEST_F(FilterPassTest, SettingsOfAnotherWorkingSpaceAreAppliedOnlyWhenTheUserGoesOn) {
    PrefsRecord p = WithFilters(10, nullptr);
    p.previous.refRGB.gamma = 1.0f;
    p.previous.brightness = 0.75f;
    const TestDocument d(12, 9, 3, 8);
    for (int32_t answer : {2, 1}) {
        WritePrefs(p);
        h.Open(d);
        Headless_ResetDialogs();
        Headless_QueueClick(answer);
        const HKRun run = Run();
        ASSERT_EQ(AlertMessages().size(), 1u);
        EXPECT_EQ(AlertMessages()[0],
                  "The RGB working space has changed. Your saved settings may not produce the "
                  "desired result.");
        EXPECT_EQ(Headless_LastDialog(kDialogAlert)->Item(1)->text, "Use Anyway");
        if (answer == 2) {
            EXPECT_EQ(run.result, userCanceledErr);
            EXPECT_EQ(h.doc.pixels, d.pixels);
            continue;
        }
        EXPECT_EQ(run.result, noErr);
        EXPECT_NE(h.doc.pixels, d.pixels) << "the stored sharpen applied";
        const EditPars& applied = Data()->edit.pars;
        EXPECT_EQ(applied.brightness, 0.75f);
        EXPECT_FLOAT_EQ(applied.refRGB.gamma, 2.2f) << "the current working space kept";
        EXPECT_EQ(applied.doSharpen, 1);
    }
}

TEST_F(FilterPassTest, TheResetModeStartsFromTheStoredDefaults) {
    PrefsRecord p = WithFilters(10, nullptr);
    p.startMode = kStartReset;
    p.previous.brightness = 0.75f;
    p.previous.customBinColors[0].samplesBin[0].count = 4;
    WritePrefs(p);
    const TestDocument d(12, 9, 3, 8);
    EXPECT_EQ(Filtered(d), d.pixels) << "reset: no sharpen";
    const EditPars& applied = Data()->edit.pars;
    EXPECT_EQ(applied.brightness, 0.5f);
    EXPECT_EQ(applied.doSharpen, 0);
    EXPECT_EQ(applied.sharpenStrength, 6) << "the record's sharpen defaults";
    EXPECT_EQ(applied.sharpenMode, -1);
    EXPECT_EQ(applied.noiseRadius[1], 8) << "and its noise defaults";
    EXPECT_EQ(applied.customBinColors[0].samplesBin[0].count, 0);
    EXPECT_EQ(applied.customBinColors[0].fcn.baseHue, p.previous.customBinColors[0].fcn.baseHue);
}

// ---- Out of memory anywhere in a whole run ---------------------------------------------

TEST_F(FilterPassTest, OutOfMemoryAtAnyRequestOfAWholeRun) {
    const int32_t radius[3] = {0, 2, 1};
    WritePrefs(WithFilters(6, radius, 1));
    std::vector<uint8_t> prefsBefore;
    ASSERT_TRUE(ReadWholeFile(PrefsFilePath(), &prefsBefore));
    const TestDocument d(10, 14, 4, 16);
    Bytes good;
    {
        h.Open(d);
        ASSERT_EQ(Run(3).result, noErr);
        good = h.doc.pixels;
    }
    for (bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            ASSERT_TRUE(WriteWholeFile(PrefsFilePath(), prefsBefore));
            h.Open(d);
            Host_ResetModuleStateForTesting();
            Ui_Mem_InjectFailure(n, persistent);
            const HKRun run = Run(3);
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, 0u) << "request " << n;
            EXPECT_EQ(h.host.unbalancedUnlocks, 0);
            if (!reached) {
                EXPECT_EQ(run.result, noErr);
                EXPECT_EQ(h.doc.pixels, good);
                break;
            }
            const int16_t r = run.result;
            EXPECT_TRUE(r == noErr || r == memFullErr || r == userCanceledErr ||
                        r == filterBadParameters)
                << "request " << n << ": " << r;
            // A run that failed leaves the image; one that filtered and only
            // failed to record its settings at finish has the full result.
            const bool filtered =
                run.stepCount >= 4 && run.steps[2].result == noErr && run.steps[3].result == noErr;
            EXPECT_EQ(h.doc.pixels, filtered ? good : d.pixels) << "request " << n;
            ASSERT_LT(n, 5000u);
        }
    }
}

}  // namespace
