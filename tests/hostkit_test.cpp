// The host kit against a scripted stand-in plug-in: the order of selectors,
// advanceState's areas, padding and sampling, write-back, handles,
// properties, progress and abort.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "hostkit/hostkit.h"

namespace {

// The stand-in plug-in: records each call and runs the test's script for it.
std::vector<int16_t> gCalls;
std::function<int16_t(int16_t, FilterRecord*)> gScript;

void FakeEntry(int16_t selector, void* block, intptr_t*, int16_t* result) {
    gCalls.push_back(selector);
    *result = gScript
                  ? gScript(selector, selector == 0 ? nullptr : static_cast<FilterRecord*>(block))
                  : 0;
}

// An image whose samples encode their position: plane p of (x, y) = 10y + x + 100p
// (8-bit), or that times 100 (16-bit).
struct TestImage {
    std::vector<uint8_t> bytes;
    HKImage image;
    TestImage(int32_t w, int32_t h, int32_t planes, int32_t depth) {
        const int32_t bps = depth / 8;
        image = HKImage{w, h, planes, depth, w * planes * bps + 5, nullptr};  // padded rows
        bytes.assign(size_t(image.rowBytes) * size_t(h), 0);
        image.pixels = bytes.data();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int32_t p = 0; p < planes; ++p) Set(x, y, p, Expected(x, y, p));
    }
    uint32_t Expected(int32_t x, int32_t y, int32_t p) const {
        const uint32_t v = uint32_t(10 * y + x + 100 * p);
        return image.depth == 16 ? v * 100 : v;
    }
    uint8_t* At(int32_t x, int32_t y, int32_t p) {
        return image.pixels + size_t(y) * size_t(image.rowBytes) +
               size_t((x * image.planes + p) * image.depth / 8);
    }
    void Set(int32_t x, int32_t y, int32_t p, uint32_t v) {
        if (image.depth == 16) {
            const uint16_t s = uint16_t(v);
            std::memcpy(At(x, y, p), &s, 2);
        } else {
            *At(x, y, p) = uint8_t(v);
        }
    }
    uint32_t Get(int32_t x, int32_t y, int32_t p) {
        if (image.depth == 8) return *At(x, y, p);
        uint16_t s;
        std::memcpy(&s, At(x, y, p), 2);
        return s;
    }
};

// Reads sample p of pixel (x, y) of a lent buffer.
uint32_t Lent(const void* data, int32_t rowBytes, int32_t columnBytes, int32_t depth, int32_t x,
              int32_t y, int32_t p) {
    const uint8_t* q = static_cast<const uint8_t*>(data) + size_t(y) * size_t(rowBytes) +
                       size_t(x * columnBytes + p * depth / 8);
    if (depth == 8) return *q;
    uint16_t s;
    std::memcpy(&s, q, 2);
    return s;
}

class HostKitTest : public ::testing::Test {
  protected:
    HKHost host;
    void SetUp() override {
        gCalls.clear();
        gScript = nullptr;
        std::memset(&host, 0, sizeof host);
    }
    void TearDown() override {
        HK_Host_Free(&host);
        gScript = nullptr;
    }
    void Init(TestImage& t, HKOptions options = HK_DefaultOptions(), const HKMask* mask = nullptr) {
        ASSERT_EQ(HK_Host_Init(&host, &t.image, mask, &options), 0);
    }
};

TEST_F(HostKitTest, RecordDescribesTheDocument) {
    for (int32_t depth : {8, 16}) {
        TestImage t(7, 5, 4, depth);
        Init(t);
        const FilterRecord* r = host.record;
        EXPECT_EQ(r->imageMode, depth == 8 ? plugInModeRGBColor : plugInModeRGB48);
        EXPECT_EQ(r->depth, depth);
        EXPECT_EQ(r->planes, 4);
        EXPECT_EQ(r->imageSize.h, 7);
        EXPECT_EQ(r->imageSize.v, 5);
        EXPECT_EQ(r->filterRect.right, 7);
        EXPECT_EQ(r->bigDocumentData->filterRect32.bottom, 5);
        EXPECT_EQ(r->filterCase, filterCaseEditableTransparencyNoSelection);
        EXPECT_EQ(r->handleProcs->numHandleProcs, 8);
        EXPECT_EQ(r->inputRate, 0x10000);
        EXPECT_EQ(static_cast<PlatformData*>(r->platformData)->hwnd, 0);
        HK_Host_Free(&host);
    }
    TestImage t(2, 2, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.bigDocument = false;
    options.handleProcs = false;
    Init(t, options);
    EXPECT_EQ(host.record->bigDocumentData, nullptr);
    EXPECT_EQ(host.record->handleProcs, nullptr);
    EXPECT_EQ(host.record->filterCase, filterCaseFlatImageNoSelection);
}

TEST_F(HostKitTest, RejectsImpossibleImages) {
    uint8_t px[64] = {};
    const HKImage bad[] = {{0, 1, 3, 8, 3, px},
                           {1, 1, 2, 8, 3, px},
                           {1, 1, 3, 12, 6, px},
                           {2, 1, 3, 8, 5, px},
                           {1, 1, 3, 8, 3, nullptr}};
    for (const HKImage& im : bad) {
        EXPECT_EQ(HK_Host_Init(&host, &im, nullptr, nullptr), -1);
        HK_Host_Free(&host);
    }
}

TEST_F(HostKitTest, AdvanceLendsRequestedPlanesAndWritesOutputBack) {
    for (int32_t depth : {8, 16}) {
        for (bool wide : {false, true}) {
            TestImage t(6, 4, 3, depth);
            Init(t);
            FilterRecord* r = host.record;
            r->bigDocumentData->PluginUsing32BitCoordinates = wide;
            const VRect in{1, 2, 3, 5}, out{0, 1, 2, 3};
            if (wide) {
                r->bigDocumentData->inRect32 = in;
                r->bigDocumentData->outRect32 = out;
            } else {
                r->inRect = Rect{1, 2, 3, 5};
                r->outRect = Rect{0, 1, 2, 3};
            }
            r->inLoPlane = 1;
            r->inHiPlane = 2;
            r->outLoPlane = 0;
            r->outHiPlane = 2;
            ASSERT_EQ(r->advanceState(), noErr);
            const int32_t bps = depth / 8;
            EXPECT_EQ(r->inRowBytes, 3 * 2 * bps);
            EXPECT_EQ(r->inColumnBytes, 2 * bps);
            EXPECT_EQ(r->inPlaneBytes, bps);
            for (int32_t y = 0; y < 2; ++y)
                for (int32_t x = 0; x < 3; ++x)
                    for (int32_t p = 0; p < 2; ++p)
                        EXPECT_EQ(Lent(r->inData, r->inRowBytes, r->inColumnBytes, depth, x, y, p),
                                  t.Expected(x + 2, y + 1, p + 1));
            // Output comes pre-filled with the current pixels; changes go back
            // into the image at the next advance.
            EXPECT_EQ(Lent(r->outData, r->outRowBytes, r->outColumnBytes, depth, 1, 1, 2),
                      t.Expected(2, 1, 2));
            uint8_t* o = static_cast<uint8_t*>(r->outData) + r->outRowBytes + r->outColumnBytes;
            std::memset(o, 0x7F, size_t(r->outColumnBytes));
            if (wide) {
                r->bigDocumentData->inRect32 = r->bigDocumentData->outRect32 = VRect{0, 0, 0, 0};
            } else {
                r->inRect = r->outRect = Rect{0, 0, 0, 0};
            }
            ASSERT_EQ(r->advanceState(), noErr);
            const void* inData = r->inData;  // the record's pointers are only 4-byte aligned
            const void* outData = r->outData;
            EXPECT_EQ(inData, nullptr);
            EXPECT_EQ(outData, nullptr);
            const uint32_t changed = depth == 8 ? 0x7F : 0x7F7F;
            EXPECT_EQ(t.Get(2, 1, 0), t.Expected(2, 1, 0)) << "the document waits for the end";
            HK_CommitResult(&host);
            for (int32_t p = 0; p < 3; ++p) {
                EXPECT_EQ(t.Get(2, 1, p), changed);
                EXPECT_EQ(t.Get(1, 1, p), t.Expected(1, 1, p)) << "untouched";
            }
            HK_Host_Free(&host);
        }
    }
}

TEST_F(HostKitTest, PaddingAndBoundsFollowThePluginsChoice) {
    TestImage t(4, 3, 3, 8);
    Init(t);
    FilterRecord* r = host.record;
    r->inRect = Rect{-1, -1, 1, 1};
    r->inLoPlane = 0;
    r->inHiPlane = 0;
    EXPECT_EQ(r->advanceState(), paramErr) << "error on bounds is the default";
    r->inputPadding = plugInWantsEdgeReplication;
    ASSERT_EQ(r->advanceState(), noErr);
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 1, 8, 0, 0, 0), t.Expected(0, 0, 0));
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 1, 8, 1, 1, 0), t.Expected(0, 0, 0));
    r->inputPadding = 200;
    ASSERT_EQ(r->advanceState(), noErr);
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 1, 8, 0, 0, 0), 200u);
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 1, 8, 1, 1, 0), t.Expected(0, 0, 0));
    r->inRect = Rect{0, 0, 0, 0};
    r->outRect = Rect{2, 2, 4, 4};  // output never leaves the image
    r->outHiPlane = 2;
    EXPECT_EQ(r->advanceState(), paramErr);
    r->outRect = Rect{0, 0, 1, 1};
    r->outHiPlane = 3;  // a plane the image does not have
    EXPECT_EQ(r->advanceState(), paramErr);
}

TEST_F(HostKitTest, IntegralSamplingAndTheMask) {
    TestImage t(8, 6, 3, 8);
    std::vector<uint8_t> maskBytes(8 * 6);
    for (size_t i = 0; i < maskBytes.size(); ++i) maskBytes[i] = uint8_t(i);
    const HKMask mask{8, maskBytes.data()};
    Init(t, HK_DefaultOptions(), &mask);
    FilterRecord* r = host.record;
    EXPECT_EQ(r->haveMask, 1);
    EXPECT_EQ(r->filterCase, filterCaseFlatImageWithSelection);
    r->inputRate = r->maskRate = 2 << 16;
    r->inRect = Rect{0, 0, 3, 4};  // the whole image at half size
    r->maskRect = Rect{1, 1, 3, 3};
    r->inHiPlane = 2;
    ASSERT_EQ(r->advanceState(), noErr);
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 3, 8, 3, 2, 1), t.Expected(6, 4, 1));
    EXPECT_EQ(static_cast<uint8_t*>(r->maskData)[0], maskBytes[2 * 8 + 2]);
    EXPECT_EQ(static_cast<uint8_t*>(r->maskData)[r->maskRowBytes + 1], maskBytes[4 * 8 + 4]);
    r->inputRate = 0;  // old plug-ins: treated as 1
    ASSERT_EQ(r->advanceState(), noErr);
    EXPECT_EQ(Lent(r->inData, r->inRowBytes, 3, 8, 3, 2, 1), t.Expected(3, 2, 1));
}

TEST_F(HostKitTest, HandleBufferAndPropertyProcs) {
    TestImage t(2, 2, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.title = "Portrait.tif";
    Init(t, options);
    const HandleProcs* hp = host.record->handleProcs;
    Handle h = hp->newProc(10);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(host.liveHandles, 1);
    EXPECT_EQ(hp->getSizeProc(h), 10);
    Ptr p = hp->lockProc(h, 1);
    ASSERT_EQ(p, *h);
    EXPECT_EQ(HK_HandleLockCount(&host, h), 1);
    hp->unlockProc(h);
    hp->unlockProc(h);
    EXPECT_EQ(host.unbalancedUnlocks, 1);
    EXPECT_EQ(hp->setSizeProc(h, 100), noErr);
    EXPECT_EQ(hp->getSizeProc(h), 100);
    EXPECT_EQ((*h)[99], 0);
    hp->disposeProc(h);
    EXPECT_EQ(host.liveHandles, 0);
    int junk = 0;
    EXPECT_EQ(hp->lockProc(reinterpret_cast<Handle>(&junk), 0), nullptr) << "not a handle";

    Handle title = nullptr;
    const PropertyProcs* pp = host.record->propertyProcs;
    ASSERT_EQ(pp->getPropertyProc(PIFourCC("8BIM"), PIFourCC("titl"), 0, nullptr, &title), noErr);
    ASSERT_EQ(hp->getSizeProc(title), 12) << "bare bytes: no length, no terminator";
    EXPECT_EQ(std::memcmp(*title, "Portrait.tif", 12), 0);
    hp->disposeProc(title);
    intptr_t simple = 0;
    EXPECT_EQ(pp->getPropertyProc(PIFourCC("8BIM"), PIFourCC("zzzz"), 0, &simple, nullptr),
              errPlugInPropertyUndefined);

    const BufferProcs* bp = host.record->bufferProcs;
    BufferID id = nullptr;
    ASSERT_EQ(bp->allocateProc(1000, &id), noErr);
    ASSERT_NE(bp->lockProc(id, 0), nullptr);
    bp->unlockProc(id);
    bp->freeProc(id);
    EXPECT_EQ(host.liveBuffers, 0);
    EXPECT_EQ(bp->spaceProc(), 1 << 30);
}

TEST_F(HostKitTest, ProgressAndAbort) {
    TestImage t(2, 2, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.abortAfter = 3;
    Init(t, options);
    host.record->progressProc(5, 10);
    EXPECT_EQ(host.progressCalls, 1);
    EXPECT_EQ(host.progressDone, 5);
    EXPECT_EQ(host.progressTotal, 10);
    EXPECT_FALSE(host.record->abortProc());
    EXPECT_FALSE(host.record->abortProc());
    EXPECT_TRUE(host.record->abortProc());
}

TEST_F(HostKitTest, RunCallsTheSelectorsInAHostsOrder) {
    TestImage t(4, 4, 3, 8);
    Init(t);
    // Asks for one row per continue call and inverts it; stops after row 3.
    gScript = [](int16_t selector, FilterRecord* r) -> int16_t {
        if (selector == filterSelectorStart || selector == filterSelectorContinue) {
            if (selector == filterSelectorContinue) {
                uint8_t* o = static_cast<uint8_t*>(r->outData);
                for (int i = 0; i < 12; ++i) o[i] = uint8_t(255 - o[i]);
            }
            const int16_t row = selector == filterSelectorStart ? 0 : int16_t(r->outRect.top + 1);
            r->outRect = row < 4 ? Rect{row, 0, int16_t(row + 1), 4} : Rect{0, 0, 0, 0};
            r->outHiPlane = 2;
        }
        return noErr;
    };
    const HKRunPlan plan{true, true};
    HKRun run;
    HK_RunFilter(&host, FakeEntry, &plan, &run);
    EXPECT_EQ(run.result, noErr);
    EXPECT_EQ(gCalls, (std::vector<int16_t>{0, 1, 2, 3, 4, 4, 4, 4, 5}));
    ASSERT_EQ(run.stepCount, 6);
    EXPECT_EQ(run.steps[4].selector, filterSelectorContinue);
    EXPECT_EQ(run.steps[4].calls, 4);
    for (int32_t y = 0; y < 4; ++y)
        EXPECT_EQ(t.Get(3, y, 2), 255 - t.Expected(3, y, 2)) << "row " << y << " written back";
    EXPECT_STREQ(HK_SelectorName(run.steps[5].selector), "finish");
    EXPECT_STREQ(HK_SelectorName(42), "selector");
}

TEST_F(HostKitTest, RunStopsOrFinishesByTheStartResult) {
    const struct {
        int16_t failing;  // selector that fails
        int16_t code;
        std::vector<int16_t> calls;
    } cases[] = {
        {filterSelectorPrepare, memFullErr, {2}},
        {filterSelectorStart, filterBadMode, {2, 3}},
        {filterSelectorStart, userCanceledErr, {2, 3, 5}},  // finish after a cancel
        {filterSelectorFinish, filterBadParameters, {2, 3, 5}},
    };
    TestImage t(2, 2, 3, 8);
    Init(t);
    for (const auto& c : cases) {
        gCalls.clear();
        gScript = [&c](int16_t selector, FilterRecord*) -> int16_t {
            return selector == c.failing ? c.code : noErr;
        };
        const HKRunPlan replay{false, false};
        HKRun run;
        HK_RunFilter(&host, FakeEntry, &replay, &run);
        EXPECT_EQ(gCalls, c.calls) << c.failing;
        EXPECT_EQ(run.result, c.code);
    }
}

TEST_F(HostKitTest, LoadingReportsMissingModulesAndEntryPoints) {
    HKModule module;
    char error[256] = {};
    EXPECT_EQ(
        HK_LoadModule("/nonexistent/libnothing.so", "PluginMain", &module, error, sizeof error),
        -1);
    EXPECT_NE(std::strstr(error, "/nonexistent/libnothing.so"), nullptr);
    EXPECT_EQ(module.entry, nullptr);
    const char* plugin = std::getenv("VANTORIA_PLUGIN");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(HK_LoadModule(plugin, "NoSuchEntry", &module, error, sizeof error), -1);
    EXPECT_NE(std::strstr(error, "NoSuchEntry"), nullptr);
    EXPECT_EQ(module.library, nullptr);
}

TEST_F(HostKitTest, DescriptorsCarryTextsFromOneRunToTheNext) {
    TestImage t(2, 2, 3, 8);
    Init(t);
    PIDescriptorParameters* d = host.record->descriptorParameters;
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->descriptor, nullptr);
    const HandleProcs* hp = host.record->handleProcs;
    // The plug-in writes a text and an integer.
    PIWriteDescriptor w = d->writeDescriptorProcs->openWriteDescriptorProc();
    ASSERT_NE(w, nullptr);
    Handle text = hp->newProc(5);
    std::memcpy(*text, "hello", 5);
    EXPECT_EQ(d->writeDescriptorProcs->putIntegerProc(w, PIFourCC("Intg"), -42), noErr);
    EXPECT_EQ(d->writeDescriptorProcs->putTextProc(w, PIFourCC("Dt  "), text), noErr);
    hp->disposeProc(text);
    ASSERT_EQ(d->writeDescriptorProcs->closeWriteDescriptorProc(w, &d->descriptor), noErr);
    uint32_t size = 0;
    const uint8_t* recorded = HK_DescriptorText(&host, PIFourCC("Dt  "), &size);
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(recorded), size), "hello");
    EXPECT_EQ(HK_DescriptorText(&host, PIFourCC("Intg"), &size), nullptr) << "not a text";

    // ... and reads them back: keys in order, the expected ones marked.
    DescriptorKeyID keys[] = {PIFourCC("Dt  "), PIFourCC("Miss"), 0};
    PIReadDescriptor r = d->readDescriptorProcs->openReadDescriptorProc(d->descriptor, keys);
    ASSERT_NE(r, nullptr);
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    ASSERT_TRUE(d->readDescriptorProcs->getKeyProc(r, &key, &type, &flags));
    EXPECT_EQ(key, PIFourCC("Intg"));
    int32_t value = 0;
    EXPECT_EQ(d->readDescriptorProcs->getIntegerProc(r, &value), noErr);
    EXPECT_EQ(value, -42);
    ASSERT_TRUE(d->readDescriptorProcs->getKeyProc(r, &key, &type, &flags));
    EXPECT_EQ(type, typeChar);
    Handle back = nullptr;
    ASSERT_EQ(d->readDescriptorProcs->getTextProc(r, &back), noErr);
    EXPECT_EQ(hp->getSizeProc(back), 5);
    EXPECT_EQ(std::memcmp(*back, "hello", 5), 0);
    hp->disposeProc(back);
    EXPECT_FALSE(d->readDescriptorProcs->getKeyProc(r, &key, &type, &flags));
    EXPECT_EQ(keys[0], typeNull);
    EXPECT_EQ(keys[1], PIFourCC("Miss"));
    EXPECT_EQ(d->readDescriptorProcs->closeReadDescriptorProc(r), errMissingParameter);

    ASSERT_EQ(HK_SetDescriptorText(&host, PIFourCC("Dt  "), "abc", 3), 0);
    EXPECT_NE(HK_DescriptorText(&host, PIFourCC("Dt  "), &size), nullptr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(host.liveHandles, 1) << "the old descriptor was released";
    HK_ClearDescriptor(&host);
    EXPECT_EQ(host.liveHandles, 0);
    EXPECT_EQ(d->readDescriptorProcs->openReadDescriptorProc(nullptr, keys), nullptr);
}

TEST_F(HostKitTest, DisplayPixelsDrawsIntoTheFrame) {
    TestImage t(2, 2, 3, 8);
    Init(t);
    ASSERT_EQ(HK_SetFrame(&host, 4, 3), 0);
    uint8_t pixels[2 * 2 * 3] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    PSPixelMap map = {};
    map.version = 1;
    map.bounds = VRect{0, 0, 2, 2};
    map.imageMode = plugInModeRGBColor;
    map.rowBytes = 6;
    map.colBytes = 3;
    map.planeBytes = 1;
    map.baseAddr = pixels;
    const VRect src{1, 0, 2, 2};  // the second row
    ASSERT_EQ(host.record->displayPixels(&map, &src, 2, 1, nullptr), noErr);
    EXPECT_EQ(host.displayCalls, 1);
    const uint8_t* f = host.frame + (2 * 4 + 1) * 3;
    EXPECT_EQ(f[0], 70);
    EXPECT_EQ(f[5], 120);
    EXPECT_EQ(host.frame[0], 255) << "elsewhere the frame stays white";
    map.baseAddr = nullptr;
    EXPECT_EQ(host.record->displayPixels(&map, &src, 0, 0, nullptr), filterBadParameters);
    EXPECT_EQ(host.record->displayPixels(nullptr, &src, 0, 0, nullptr), filterBadParameters);
}

TEST_F(HostKitTest, TheColourPickerAnswersAsScripted) {
    TestImage t(2, 2, 3, 8);
    Init(t);
    HK_QueuePickerAnswer(&host, HKPickerAnswer{false, {12, 34, 56}});
    HK_QueuePickerAnswer(&host, HKPickerAnswer{true, {0, 0, 0}});
    ColorServicesInfo info = {};
    info.infoSize = sizeof info;
    info.selector = plugIncolorServicesChooseColor;
    info.resultSpace = plugIncolorServicesChosenSpace;
    ASSERT_EQ(host.record->colorServices(&info), noErr);
    EXPECT_EQ(info.resultSpace, plugIncolorServicesRGBSpace);
    EXPECT_EQ(info.colorComponents[1], 34);
    EXPECT_EQ(host.record->colorServices(&info), userCanceledErr);
    EXPECT_EQ(host.record->colorServices(&info), userCanceledErr) << "no answers left";
    info.selector = plugIncolorServicesGetSpecialColor;
    info.selectorParameter.specialColorID = 1;
    ASSERT_EQ(host.record->colorServices(&info), noErr);
    EXPECT_EQ(info.colorComponents[0], 255);
    info.infoSize = 8;
    EXPECT_EQ(host.record->colorServices(&info), paramErr);
}

TEST_F(HostKitTest, OlderAndSmallerHosts) {
    TestImage t(3, 2, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.recordBytes = 556;
    options.bigDocument = false;
    options.zeroRates = true;
    options.errorString = false;
    options.descriptors = false;
    options.advanceState = false;
    options.displayPixels = false;
    options.colorServices = false;
    options.samplingSupport = 0;
    Init(t, options);
    const FilterRecord* r = host.record;
    EXPECT_EQ(r->bigDocumentData, nullptr);
    EXPECT_EQ(r->inputRate, 0);
    EXPECT_EQ(r->errorString, nullptr);
    EXPECT_EQ(r->descriptorParameters, nullptr);
    EXPECT_EQ(r->advanceState, nullptr);
    EXPECT_EQ(r->displayPixels, nullptr);
    EXPECT_EQ(r->colorServices, nullptr);
    EXPECT_EQ(r->samplingSupport, 0);
    EXPECT_EQ(r->depth, 8) << "fields before offset 556 are all there";
}

TEST_F(HostKitTest, RelocatedBlocksKeepTheirContents) {
    TestImage t(2, 2, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.relocateHandles = true;
    Init(t, options);
    gScript = [](int16_t selector, FilterRecord* r) -> int16_t {
        if (selector == filterSelectorParameters) {
            r->parameters = r->handleProcs->newProc(8);
            std::memcpy(*r->parameters, "settings", 8);
        }
        return noErr;
    };
    ASSERT_EQ(HK_Call(&host, FakeEntry, filterSelectorParameters), noErr);
    const Handle first = host.record->parameters;
    ASSERT_EQ(HK_Call(&host, FakeEntry, filterSelectorPrepare), noErr);
    EXPECT_NE(Handle(host.record->parameters), first);
    EXPECT_EQ(std::memcmp(*host.record->parameters, "settings", 8), 0);
    EXPECT_EQ(host.liveHandles, 1);
}

TEST_F(HostKitTest, AbortAtARowAndTheResultOfAFailedRun) {
    TestImage t(2, 4, 3, 8);
    HKOptions options = HK_DefaultOptions();
    options.abortAtRow = 2;
    Init(t, options);
    FilterRecord* r = host.record;
    r->progressProc(1, 4);
    EXPECT_FALSE(r->abortProc());
    r->progressProc(2, 4);
    EXPECT_TRUE(r->abortProc());
    // A start that writes output and then fails leaves the document as it was.
    gScript = [](int16_t selector, FilterRecord* rec) -> int16_t {
        if (selector != filterSelectorStart) return noErr;
        rec->outRect = Rect{0, 0, 4, 2};
        rec->outHiPlane = 2;
        if (rec->advanceState() != noErr) return filterBadParameters;
        std::memset(rec->outData, 0, 4 * 6);
        rec->outRect = Rect{0, 0, 0, 0};
        rec->advanceState();
        return userCanceledErr;
    };
    const HKRunPlan plan{false, false};
    HKRun run;
    HK_RunFilter(&host, FakeEntry, &plan, &run);
    EXPECT_EQ(run.result, userCanceledErr);
    for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(t.Get(1, y, 2), t.Expected(1, y, 2));
}

// With the caller's block for the result, output of every plane is lent
// straight from it, output of some planes goes through a buffer as before,
// the document stays as it is until the run succeeds and then the two
// blocks trade places; a failed later run leaves the new document alone.
TEST_F(HostKitTest, TheCallersResultBlockBecomesTheDocument) {
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        TestImage t(4, 3, 4, depth);
        const std::vector<uint8_t> original = t.bytes;
        std::vector<uint8_t> block(t.bytes.size(), 0xA5);
        HKOptions options = HK_DefaultOptions();
        options.resultBlock = block.data();
        Init(t, options);
        const int32_t bps = depth / 8;
        gScript = [&](int16_t selector, FilterRecord* r) -> int16_t {
            if (selector != filterSelectorStart) return noErr;
            r->outRect = Rect{0, 0, 2, 4};
            r->outLoPlane = 0;
            r->outHiPlane = 3;
            if (r->advanceState() != noErr) return filterBadParameters;
            EXPECT_EQ(static_cast<uint8_t*>(r->outData), block.data());
            EXPECT_EQ(r->outRowBytes, t.image.rowBytes);
            EXPECT_EQ(Lent(r->outData, r->outRowBytes, r->outColumnBytes, depth, 3, 1, 2),
                      t.Expected(3, 1, 2));
            std::memset(static_cast<uint8_t*>(r->outData) + r->outRowBytes + r->outColumnBytes,
                        0x7F, size_t(r->outColumnBytes));
            r->outRect = Rect{1, 0, 3, 4};
            r->outHiPlane = 2;
            if (r->advanceState() != noErr) return filterBadParameters;
            EXPECT_EQ(r->outColumnBytes, 3 * bps);
            EXPECT_EQ(Lent(r->outData, r->outRowBytes, r->outColumnBytes, depth, 1, 0, 2),
                      depth == 8 ? 0x7Fu : 0x7F7Fu)
                << "what was written straight into the block";
            std::memset(static_cast<uint8_t*>(r->outData) + r->outRowBytes + 2 * r->outColumnBytes,
                        0x11, size_t(bps));
            r->outRect = Rect{0, 0, 0, 0};
            return r->advanceState();
        };
        const HKRunPlan plan{false, false};
        HKRun run;
        HK_RunFilter(&host, FakeEntry, &plan, &run);
        ASSERT_EQ(run.result, noErr);
        EXPECT_EQ(t.bytes, original) << "the caller's document block is left as it was";
        ASSERT_EQ(host.image.pixels, block.data());
        TestImage result = t;
        result.bytes = block;
        result.image.pixels = result.bytes.data();
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x)
                for (int32_t p = 0; p < 4; ++p) {
                    uint32_t want = t.Expected(x, y, p) & (depth == 8 ? 0xFFu : 0xFFFFu);
                    if (x == 1 && y == 1) want = depth == 8 ? 0x7F : 0x7F7F;
                    if (x == 2 && y == 2 && p == 0) want = depth == 8 ? 0x11 : 0x1111;
                    EXPECT_EQ(result.Get(x, y, p), want) << x << "," << y << "," << p;
                }
        // A run that writes output and fails: the document (now the block)
        // keeps the first run's result.
        gScript = [](int16_t selector, FilterRecord* r) -> int16_t {
            if (selector != filterSelectorStart) return noErr;
            r->outRect = Rect{0, 0, 3, 4};
            r->outHiPlane = 3;
            if (r->advanceState() != noErr) return filterBadParameters;
            std::memset(r->outData, 0, size_t(r->outRowBytes) * 3);
            return userCanceledErr;
        };
        HK_RunFilter(&host, FakeEntry, &plan, &run);
        EXPECT_EQ(run.result, userCanceledErr);
        EXPECT_EQ(block, result.bytes);
        HK_Host_Free(&host);
    }
}

// The rows of the result told final: those above each output area as the
// plug-in moves down, every row when the run succeeds, and -1 (then
// nothing) when an output area goes back above rows already told.
TEST_F(HostKitTest, RowsAreToldFinalAsThePluginMovesDown) {
    std::vector<int32_t> told;
    const struct {
        std::vector<int16_t> tops;  // of the output areas, in order
        int16_t result;
        std::vector<int32_t> told;
    } cases[] = {
        {{0, 2, 2, 5}, noErr, {2, 5, 8}},
        {{1, 4}, userCanceledErr, {1, 4}},
        {{0, 3, 1, 6}, noErr, {3, -1}},
    };
    for (const auto& c : cases) {
        TestImage t(2, 8, 3, 8);
        HKOptions options = HK_DefaultOptions();
        options.onRowsFinal = [](int32_t rows, void* context) {
            static_cast<std::vector<int32_t>*>(context)->push_back(rows);
        };
        options.callbackContext = &told;
        told.clear();
        Init(t, options);
        gScript = [&](int16_t selector, FilterRecord* r) -> int16_t {
            if (selector != filterSelectorStart) return noErr;
            r->outHiPlane = 2;
            for (int16_t top : c.tops) {
                r->outRect = Rect{top, 0, int16_t(top + 2), 2};
                if (r->advanceState() != noErr) return filterBadParameters;
            }
            r->outRect = Rect{0, 0, 0, 0};
            return r->advanceState() == noErr ? c.result : filterBadParameters;
        };
        const HKRunPlan plan{false, false};
        HKRun run;
        HK_RunFilter(&host, FakeEntry, &plan, &run);
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(told, c.told);
        HK_Host_Free(&host);
    }
}

// In place: output goes into the document itself, and input that asks
// again for rows lent as output gets them as they were, until input has
// moved below them; above that, and sampled, such input is refused.
TEST_F(HostKitTest, InPlaceInputKeepsTheRowsAsTheyWere) {
    for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(depth);
        TestImage t(3, 10, 4, depth);
        const TestImage original = t;
        HKOptions options = HK_DefaultOptions();
        options.resultBlock = t.image.pixels;
        Init(t, options);
        gScript = [&](int16_t selector, FilterRecord* r) -> int16_t {
            if (selector != filterSelectorStart) return noErr;
            r->inLoPlane = r->outLoPlane = 1;
            r->inHiPlane = r->outHiPlane = 3;
            // Overlapping strips: each zeroes its output, then the next
            // reads the overlap back as it was.
            for (int16_t top : {0, 2, 5}) {
                r->inRect = r->outRect = Rect{top, 0, int16_t(top + 4), 3};
                if (r->advanceState() != noErr) return filterBadParameters;
                for (int32_t y = 0; y < 4; ++y)
                    for (int32_t x = 0; x < 3; ++x)
                        for (int32_t p = 0; p < 3; ++p)
                            EXPECT_EQ(
                                Lent(r->inData, r->inRowBytes, r->inColumnBytes, depth, x, y, p),
                                t.Expected(x, top + y, p + 1) & (depth == 8 ? 0xFFu : 0xFFFFu))
                                << x << "," << top + y << "," << p;
                for (int32_t y = 0; y < 4; ++y)
                    std::memset(static_cast<uint8_t*>(r->outData) + y * r->outRowBytes, 0,
                                size_t(3 * r->outColumnBytes));
            }
            r->outRect = Rect{0, 0, 0, 0};
            r->inRect = Rect{4, 0, 6, 3};  // above the rows let go
            EXPECT_EQ(r->advanceState(), paramErr);
            r->inRect = Rect{6, 0, 9, 3};
            r->inputRate = 2 << 16;  // sampled over rows lent as output
            EXPECT_EQ(r->advanceState(), paramErr);
            r->inputRate = 1 << 16;
            r->inRect = Rect{0, 0, 0, 0};
            return r->advanceState();
        };
        const HKRunPlan plan{false, false};
        HKRun run;
        HK_RunFilter(&host, FakeEntry, &plan, &run);
        ASSERT_EQ(run.result, noErr);
        EXPECT_EQ(host.image.pixels, t.bytes.data());
        TestImage was = original;
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 3; ++x)
                for (int32_t p = 0; p < 4; ++p)
                    EXPECT_EQ(t.Get(x, y, p), y < 9 && p > 0 ? 0u : was.Get(x, y, p))
                        << x << "," << y << "," << p;
        HK_Host_Free(&host);
    }
}

}  // namespace
