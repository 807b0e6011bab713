// Tintwork stream reader: the input is a stream before scrambling (the
// target scrambles it as the writer does, so mutations land on the real
// structure). A stream the reader accepts must check as finished, write back
// to the same bytes, and run through the transform application driver.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/apply_driver.h"
#include "engine/tintwork.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kWidth = 9, kHeight = 6;

int32_t CountRows(void* context, const RowDesc* row) {
    if (row->width != kWidth || (row->data8 == nullptr && row->data16 == nullptr)) std::abort();
    ++*static_cast<uint32_t*>(context);
    return kUiOk;
}

void RunDriver(const uint8_t* stream, uint32_t size, const Tintwork* tw, uint8_t flavour) {
    const uint32_t channels = uint32_t(tw->inputChannels);
    const int32_t inDepth = 1 + (flavour & 1), outDepth = 1 + ((flavour >> 1) & 1);
    uint32_t rows = 0;
    ApplyDriverParams p = {};
    p.stream = stream;
    p.streamSize = size;
    p.inMax = inDepth == 2 ? 65535 : 255;
    p.outMax = outDepth == 2 ? 65535 : 255;
    p.sharpenStrength = (flavour >> 2) % 25;
    p.sharpenSelector = -1;
    p.placement = (flavour >> 4) % 3;
    p.width = kWidth;
    p.height = kHeight;
    p.inputDepth = inDepth;
    p.outputDepth = outDepth;
    p.sink = CountRows;
    p.sinkContext = &rows;
    p.planar = flavour >> 7;
    p.order = channels == 4 ? kRowOrderIdentity4 : channels == 3 ? kRowOrderIdentity3 : 0;
    ApplyDriver* d = nullptr;
    const int32_t status = OpenApplyDriver(&p, &d);
    if (status != kUiOk) {
        if (size <= kApplyDriverMaxStream && status != kUiErrMemory) std::abort();
        return;
    }
    std::vector<uint8_t> p8(kWidth * channels);
    std::vector<uint16_t> p16(kWidth * channels);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (size_t i = 0; i < p8.size(); ++i) {
            p8[i] = uint8_t(i * 37 + y * 11);
            p16[i] = uint16_t(i * 9473 + y * 2917);
        }
        RowDesc row{kWidth,
                    channels,
                    1,
                    uint32_t(p.planar),
                    p.order,
                    inDepth == 1 ? p8.data() : nullptr,
                    inDepth == 2 ? p16.data() : nullptr,
                    y};
        if (ApplyDriverRow(d, &row) != kUiOk) std::abort();
    }
    if (rows != kHeight) std::abort();
    CloseApplyDriver(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 600000) return 0;
    const uint32_t liveBefore = Ui_Mem_Stats().nMallocs;
    std::vector<uint8_t> stream(data, data + size);
    TwScrambleStream(stream.data(), uint32_t(size));
    Tintwork* tw = nullptr;
    const int32_t status = ReadTintworkStream(stream.data(), uint32_t(size), &tw);
    if (status != kUiOk) {
        if (tw != nullptr || (status != kUiErrFormat && status != kUiErrMemory)) std::abort();
    } else {
        if (CheckTintwork(tw) != kUiOk) std::abort();
        uint32_t length = 0;
        if (TintworkStreamSize(tw, &length) != kUiOk || length > size) std::abort();
        std::vector<uint8_t> again(length);
        TwStream out{again.data(), length, 0};
        if (WriteTintworkStream(tw, &out) != kUiOk) std::abort();
        if (std::memcmp(again.data(), stream.data(), length) != 0) std::abort();
        RunDriver(stream.data(), length, tw, size > 128 ? data[size - 1] : 0);
        DestroyTintwork(tw);
    }
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
    return 0;
}
