// Shared body of the Tintwork stream fuzz targets: the input is a stream
// before scrambling (scrambled here as the writer does, so mutations land on
// the real structure). A stream the reader refuses leaves nothing behind; one
// it accepts must check as finished and write back to the same bytes, and is
// then handed to the target's own use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/tintwork.h"
#include "ui/allocator.h"
#include "ui/status.h"

// stream: the accepted stream as read (scrambled), length: the bytes the
// Tintwork takes of it; input and size: the fuzz input itself.
using TintworkStreamUse = void (*)(const uint8_t* stream, uint32_t length, const Tintwork* tw,
                                   const uint8_t* input, size_t size);

inline void CheckTintworkStreamRoundTrip(const uint8_t* data, size_t size, TintworkStreamUse use) {
    if (size > 600000) return;
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
        if (use != nullptr) use(stream.data(), length, tw, data, size);
        DestroyTintwork(tw);
    }
    if (Ui_Mem_Stats().nMallocs != liveBefore) std::abort();
}
