// Tintwork stream reader and the transform application driver: a stream the
// reader accepts (see the shared body) also runs through the driver.
#include <cstdlib>
#include <vector>

#include "engine/apply_driver.h"
#include "fuzz/tintwork_stream_round_trip.h"

namespace {

constexpr uint32_t kWidth = 9, kHeight = 6;

int32_t CountRows(void* context, const RowDesc* row) {
    if (row->width != kWidth || (row->data8 == nullptr && row->data16 == nullptr)) std::abort();
    ++*static_cast<uint32_t*>(context);
    return kUiOk;
}

// The last byte of a long input chooses depths, sharpen, placement and layout.
void RunDriver(const uint8_t* stream, uint32_t size, const Tintwork* tw, const uint8_t* input,
               size_t inputSize) {
    const uint8_t flavour = inputSize > 128 ? input[inputSize - 1] : 0;
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
    CheckTintworkStreamRoundTrip(data, size, RunDriver);
    return 0;
}
