// Test helpers for the row-streaming filters: an image held as plain samples,
// its rows in either layout, a sink that collects the rows a filter passes
// on, and the allocation-failure loop over an open call.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/row_desc.h"
#include "ui/allocator.h"

// Samples at (y * width + x) * channels + c, whatever the layout of the rows.
struct RowImage {
    uint32_t width = 0, height = 0, channels = 0;
    std::vector<int32_t> s;

    RowImage() = default;
    RowImage(uint32_t w, uint32_t h, uint32_t ch, int32_t fill = 0)
        : width(w), height(h), channels(ch), s(size_t(w) * h * ch, fill) {}
    int32_t& at(uint32_t x, uint32_t y, uint32_t c) {
        return s[(size_t(y) * width + x) * channels + c];
    }
    int32_t at(uint32_t x, uint32_t y, uint32_t c) const {
        return s[(size_t(y) * width + x) * channels + c];
    }
};

inline size_t RowIndex(bool planar, uint32_t width, uint32_t channels, uint32_t x, uint32_t c) {
    return planar ? size_t(c) * width + x : size_t(x) * channels + c;
}

// Row y of the image into whichever of the two buffers is given.
inline void CopyRowOut(const RowImage& im, uint32_t y, bool planar, uint8_t* d8, uint16_t* d16) {
    for (uint32_t x = 0; x < im.width; ++x) {
        for (uint32_t c = 0; c < im.channels; ++c) {
            const size_t i = RowIndex(planar, im.width, im.channels, x, c);
            if (d8 != nullptr) d8[i] = uint8_t(im.at(x, y, c));
            if (d16 != nullptr) d16[i] = uint16_t(im.at(x, y, c));
        }
    }
}

// Collects the rows a filter passes on into `image`, with their user values;
// returns failStatus instead when the row with index failAtRow arrives.
struct RowCollector {
    RowImage image;
    std::vector<uint64_t> users;
    uint32_t failAtRow = UINT32_MAX;
    int32_t failStatus = -6;

    void Reset(const RowImage& like) {
        image = RowImage(like.width, like.height, like.channels, -1);
        users.clear();
    }
    static int32_t Sink(void* context, const RowDesc* row) {
        RowCollector* col = static_cast<RowCollector*>(context);
        const uint32_t y = uint32_t(col->users.size());
        if (y == col->failAtRow) return col->failStatus;
        RowImage& im = col->image;
        if (y >= im.height || row->width != im.width || row->channels != im.channels) return -99;
        if ((row->data8 == nullptr) == (row->data16 == nullptr)) return -98;
        for (uint32_t x = 0; x < row->width; ++x) {
            for (uint32_t c = 0; c < row->channels; ++c) {
                const size_t i = RowIndex(row->planar != 0, row->width, row->channels, x, c);
                im.at(x, y, c) = row->data8 != nullptr ? row->data8[i] : row->data16[i];
            }
        }
        col->users.push_back(row->user);
        return 0;
    }
};

// Fails the Nth allocation, N = 1, 2, …, once and from then on, until open
// no longer reaches request N: every failing run must return kUiErrMemory and
// leave *handle null (the test main checks that nothing leaked); the final run
// must succeed and is closed.
template <typename Handle, typename Open, typename Close>
void ExpectOpenReportsEveryAllocationFailure(Open open, Close close) {
    for (bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            Ui_Mem_InjectFailure(n, persistent);
            Handle* handle = nullptr;
            const int32_t status = open(&handle);
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            if (!reached) {
                EXPECT_EQ(status, 0);
                close(&handle);
                break;
            }
            EXPECT_EQ(status, -3) << "request " << n << (persistent ? " on" : "");
            EXPECT_EQ(handle, nullptr);
        }
    }
}
