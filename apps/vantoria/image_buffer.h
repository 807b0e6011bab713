// An image held by the batch command: interleaved RGB or RGBA samples, 8 or
// 16 bits, in the plug-in interface's scale (16-bit samples 0..32768), so
// that the host kit can lend it to the plug-in as it stands. Alpha is
// unassociated here whatever the file declared; a TIFF's unspecified extra
// sample is kept beside the pixels, out of the plug-in's sight.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/hostkit.h"

struct ImageMetadata;  // image_io.cpp

// Image-sized blocks come from the host kit's large-page memory: a fresh
// block of a hundred megabytes costs a few dozen faults instead of tens of
// thousands. Growing a vector leaves the new bytes unset (every caller writes
// all the samples it makes room for), so that a block is touched once, by
// what fills it.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
    T* allocate(size_t n) {
        void* block = n <= SIZE_MAX / sizeof(T) ? HK_AllocLarge(n * sizeof(T)) : nullptr;
        if (block == nullptr) throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, size_t) { HK_FreeLarge(block); }
    template <typename U>
    void construct(U* at) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const LargeBlockAllocator<U>&) const {
        return false;
    }
};

using PixelBytes = std::vector<uint8_t, LargeBlockAllocator<uint8_t>>;

struct ImageBuffer {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;  // 3 or 4
    int32_t depth = 0;   // 8 or 16
    PixelBytes pixels;
    std::vector<uint8_t> iccProfile;  // the file's embedded profile, empty when none
    int32_t tiffCompression = 0;      // a TIFF's compression scheme (0: not read from a TIFF)
    bool associatedAlpha = false;     // the file holds the alpha premultiplied (TIFF)
    // A TIFF's unspecified extra sample, one per pixel at the image's depth in
    // the file's own scale; empty when none.
    std::vector<uint8_t> extraSamples;
    // Everything else the file carried (EXIF, XMP, IPTC, orientation,
    // resolution, text), reattached when the image is written; null when none.
    std::shared_ptr<const ImageMetadata> metadata;

    int32_t RowBytes() const { return width * planes * (depth / 8); }
    HKImage View() { return HKImage{width, height, planes, depth, RowBytes(), pixels.data()}; }
};

// File sample (0..65535) to interface sample (0..32768) and back, both
// rounded: (v * 32768 + 32767) / 65535, and (s * 65535 + 16384) / 32768 with s
// at most 32768. Written with shifts alone (x / 65535 is (x + (x >> 16) + 1)
// >> 16 for every x these make), so that loops over whole rows vectorize.
inline uint16_t ToInterface16(uint16_t v) {
    const uint32_t x = (uint32_t(v) << 15) + 32767u;
    return uint16_t((x + (x >> 16) + 1u) >> 16);
}
inline uint16_t FromInterface16(uint16_t s) {
    const uint32_t c = s > 32768 ? 32768u : s;
    return uint16_t(((c << 16) - c + 16384u) >> 15);
}

// The conversion of every 16-bit value, as a table.
inline std::vector<uint16_t> Table16(uint16_t (*convert)(uint16_t)) {
    std::vector<uint16_t> table(65536);
    for (uint32_t v = 0; v < 65536; ++v) table[v] = convert(uint16_t(v));
    return table;
}

// Converts count 16-bit samples (host byte order) through a Table16.
inline void ConvertSamples16(uint8_t* bytes, size_t count, const uint16_t* table) {
    for (size_t i = 0; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, bytes + 2 * i, 2);
        v = table[v];
        std::memcpy(bytes + 2 * i, &v, 2);
    }
}

// Converts every 16-bit sample of a buffer between the file and the
// interface scales; 8-bit buffers are left alone.
inline void Convert16(ImageBuffer* image, uint16_t (*convert)(uint16_t)) {
    if (image->depth != 16) return;
    const std::vector<uint16_t> table = Table16(convert);
    ConvertSamples16(image->pixels.data(), image->pixels.size() / 2, table.data());
}
