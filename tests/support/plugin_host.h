// A host over an in-memory document for tests that drive the plug-in: the
// module's entry point statically linked (its allocator, log and headless
// backend are the test's own) or the built shared library loaded as a host
// loads it. The document is an interleaved 8- or 16-bit image with a
// recognisable pattern and an optional selection.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/module_state.h"
#include "host/plugin_main.h"
#include "hostkit/hostkit.h"
#include "tests/support/test_support.h"
#include "ui/allocator.h"
#include "ui/paths.h"
#include "ui/platform/headless/headless.h"

// Pixels of a test document in the host's own scale (16-bit: 0..32768).
struct TestDocument {
    int32_t width = 0, height = 0, planes = 3, depth = 8;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> mask;  // empty: no selection

    TestDocument() = default;
    TestDocument(int32_t w, int32_t h, int32_t p, int32_t d)
        : width(w), height(h), planes(p), depth(d) {
        pixels.assign(size_t(RowBytes()) * size_t(h), 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int32_t c = 0; c < p; ++c) Set(x, y, c, Pattern(x, y, c));
    }
    // Rows carry two bytes of padding past the last pixel.
    int32_t RowBytes() const { return width * planes * depth / 8 + 2; }
    uint32_t Max() const { return depth == 16 ? 32768u : 255u; }
    // A pattern that differs in every plane and reaches both ends of the range.
    uint32_t Pattern(int32_t x, int32_t y, int32_t c) const {
        const uint32_t v = uint32_t(x * 37 + y * 91 + c * 53) % 256u;
        return depth == 16 ? (v * 32768u + 127u) / 255u : v;
    }
    uint8_t* At(int32_t x, int32_t y, int32_t c) {
        return pixels.data() + size_t(y) * size_t(RowBytes()) +
               size_t(x * planes + c) * size_t(depth / 8);
    }
    const uint8_t* At(int32_t x, int32_t y, int32_t c) const {
        return const_cast<TestDocument*>(this)->At(x, y, c);
    }
    uint32_t Get(int32_t x, int32_t y, int32_t c) const {
        if (depth == 8) return *At(x, y, c);
        uint16_t s;
        std::memcpy(&s, At(x, y, c), 2);
        return s;
    }
    void Set(int32_t x, int32_t y, int32_t c, uint32_t v) {
        if (depth == 8) {
            *At(x, y, c) = uint8_t(v);
        } else {
            const uint16_t s = uint16_t(v);
            std::memcpy(At(x, y, c), &s, 2);
        }
    }
    HKImage Image() { return HKImage{width, height, planes, depth, RowBytes(), pixels.data()}; }
    HKMask Mask() { return HKMask{width, mask.empty() ? nullptr : mask.data()}; }
};

// The preferences file of the plug-in in the test's preferences folder.
inline std::string PrefsFilePath() {
    char path[kUiPathCapacity];
    if (Ui_Path_SetToPrefFile(nullptr, "Vantoria Plugin Prefs", path, sizeof path) != 0) return "";
    return path;
}

inline bool LogHas(const std::string& log, const std::string& line) {
    return log.find(line + "\n") != std::string::npos;
}

// The built module, loaded once per test program.
inline HKEntryProc ModuleEntry() {
    static HKModule module = {nullptr, nullptr};
    if (module.entry == nullptr) {
        char error[512] = {};
        const char* path = std::getenv("VANTORIA_PLUGIN");
        if (path == nullptr || HK_LoadModule(path, "PluginMain", &module, error, sizeof error) != 0)
            ADD_FAILURE() << "cannot load the module: " << error;
    }
    return module.entry;
}

// A host over one document, calling the given entry point.
struct PluginHost {
    TestDocument doc;
    HKHost host = {};
    HKEntryProc entry = PluginMain;

    ~PluginHost() { HK_Host_Free(&host); }

    void Open(const TestDocument& d, HKOptions options = HK_DefaultOptions()) {
        HK_Host_Free(&host);
        doc = d;
        const HKImage image = doc.Image();
        const HKMask mask = doc.Mask();
        ASSERT_EQ(HK_Host_Init(&host, &image, &mask, &options), 0);
    }
    int16_t Call(int16_t selector) { return HK_Call(&host, entry, selector); }
    // The first call of the statically linked module's lifetime.
    int16_t FirstCall(int16_t selector, bool diagnostics) {
        Host_ResetModuleStateForTesting();
        Headless_SetKeyDown(0x11, diagnostics);
        Headless_SetKeyDown(0x10, diagnostics);
        const int16_t result = Call(selector);
        Headless_SetKeyDown(0x11, false);
        Headless_SetKeyDown(0x10, false);
        return result;
    }
    HKRun Run(bool withParameters) {
        const HKRunPlan plan{false, withParameters};
        HKRun run;
        HK_RunFilter(&host, entry, &plan, &run);
        return run;
    }
    template <typename Block>
    Block* Locked(Handle h) {
        return h != nullptr ? reinterpret_cast<Block*>(*h) : nullptr;
    }
    // A whole run of d after a first parameters call: its result, the most
    // the plug-in held at once during it and the bufferSpace prepare asked
    // for. (A ballast block first lifts the live total above any earlier
    // mark, so the mark after the run less that total is the run's.)
    struct PeakRun {
        int16_t result;
        uint32_t peak;
        int32_t bufferSpace;
    };
    PeakRun RunMeasuringPeak(const TestDocument& d) {
        PeakRun out = {-1, 0, 0};
        HKOptions o = HK_DefaultOptions();
        o.beforeStart = [](HKHost* h, void* space) {
            *static_cast<int32_t*>(space) = h->record->bufferSpace;
        };
        o.beforeStartContext = &out.bufferSpace;
        Open(d, o);
        if (FirstCall(filterSelectorParameters, false) != noErr) return out;
        void* ballast = Ui_Malloc(Ui_Mem_Stats().maxTotal + 64);
        if (ballast == nullptr) return out;
        const uint32_t live = Ui_Mem_Stats().total;
        out.result = Run(false).result;
        out.peak = Ui_Mem_Stats().maxTotal - live;
        Ui_Free(ballast);
        return out;
    }
};
