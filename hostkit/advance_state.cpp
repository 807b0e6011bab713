// advanceState: the host lends the plug-in the areas it asked for (input
// from the document, output pre-filled with the result so far, selection
// mask) and writes the previous output back into the result first.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "hostkit/hostkit_internal.h"

namespace {

bool Empty(const VRect& r) {
    return r.bottom <= r.top || r.right <= r.left;
}

VRect Widen(const Rect& r) {
    return VRect{r.top, r.left, r.bottom, r.right};
}

// Integral sampling: the rate rounded to a whole step; 0 (old plug-ins) means 1.
int32_t Step(Fixed rate) {
    const int32_t step = int32_t((int64_t(rate) + 0x8000) >> 16);
    return step < 1 ? 1 : step;
}

// One sample of the image at (x, y), 8 or 16 bits, as a 32-bit value.
uint32_t Sample(const HKImage& im, int32_t x, int32_t y, int32_t plane) {
    const uint8_t* p = im.pixels + size_t(y) * size_t(im.rowBytes);
    if (im.depth == 16) {
        uint16_t v;
        std::memcpy(&v, p + (size_t(x) * size_t(im.planes) + size_t(plane)) * 2, 2);
        return v;
    }
    return p[size_t(x) * size_t(im.planes) + size_t(plane)];
}

void Load(const uint8_t* p, int32_t bytes, uint32_t* v) {
    if (bytes == 2) {
        uint16_t s;
        std::memcpy(&s, p, 2);
        *v = s;
    } else {
        *v = *p;
    }
}

void Store(uint8_t* p, int32_t bytes, uint32_t v) {
    if (bytes == 2) {
        const uint16_t s = uint16_t(v);
        std::memcpy(p, &s, 2);
    } else {
        *p = uint8_t(v);
    }
}

// Fill value of a padding byte (0..255) at the image's depth.
uint32_t PadValue(int16_t padding, int32_t depth) {
    return depth == 16 ? (uint32_t(padding) * 32768u + 127u) / 255u : uint32_t(padding);
}

// Maps a sampled coordinate into the image by the padding rule. Returns false
// when the sample is outside and the plug-in asked for an error; *fill is set
// for a constant (or undefined) fill.
bool Place(int32_t& c, int32_t limit, int16_t padding, bool* fill) {
    if (c >= 0 && c < limit) return true;
    if (padding == plugInWantsErrorOnBoundsException) return false;
    if (padding == plugInWantsEdgeReplication) {
        c = c < 0 ? 0 : limit - 1;
        return true;
    }
    *fill = true;
    return true;
}

// Bytes of a lent area, or 0 when it is too large for a 32-bit row stride.
size_t AreaBytes(const VRect& r, int32_t planes, int32_t bytes, int32_t* rowBytes) {
    const int64_t row = int64_t(r.right - int64_t(r.left)) * planes * bytes;
    const int64_t total = row * (int64_t(r.bottom) - r.top);
    if (row <= 0 || row > INT32_MAX || total <= 0 || total > (int64_t(1) << 34)) return 0;
    *rowBytes = int32_t(row);
    return size_t(total);
}

// Copies the samples of planes lo..hi of n pixels from src (the image's
// layout) to dst (only those planes), or back with toImage.
void CopyPixels(uint8_t* dst, const uint8_t* src, int32_t n, int32_t imagePlanes, int32_t lo,
                int32_t planes, int32_t bytes, bool toImage) {
    if (planes == imagePlanes) {
        std::memcpy(dst, src, size_t(n) * size_t(planes * bytes));
        return;
    }
    const size_t pixel = size_t(planes * bytes), imagePixel = size_t(imagePlanes * bytes);
    const size_t offset = size_t(lo * bytes);
    for (int32_t x = 0; x < n; ++x) {
        if (toImage)
            std::memcpy(dst + size_t(x) * imagePixel + offset, src + size_t(x) * pixel, pixel);
        else
            std::memcpy(dst + size_t(x) * pixel, src + size_t(x) * imagePixel + offset, pixel);
    }
}

// A host keeps the buffers it took back for the next request of the same
// area, so that a pass of strips asks the system for memory once rather than
// at every strip (fresh pages cost a fault each). The sanitizer build gives
// each one back as it is taken back, so that a view kept past its release is
// caught there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepSpares = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kKeepSpares = false;
#else
constexpr bool kKeepSpares = true;
#endif
#else
constexpr bool kKeepSpares = true;
#endif

// A buffer of at least `bytes` for an area: its spare when that is large
// enough, else a new one (the spare given back).
uint8_t* TakeBuffer(uint8_t*& spare, size_t bytes) {
    uint8_t* buffer = spare;
    spare = nullptr;
    if (buffer != nullptr && HK_LargeBytes(buffer) >= bytes) return buffer;
    HK_FreeLarge(buffer);
    return static_cast<uint8_t*>(HK_AllocLarge(bytes));
}

// Fills a lent buffer from im: planes lo..hi of rect at the given step.
// Rows that lie inside the image at full resolution are copied whole.
OSErr Fill(const HKImage& im, const VRect& rect, int16_t lo, int16_t hi, int32_t step,
           int16_t padding, uint8_t*& spare, uint8_t** out, int32_t* rowBytes) {
    const int32_t bytes = im.depth / 8;
    if (lo < 0 || hi < lo || hi >= im.planes) return paramErr;
    const int32_t planes = hi - lo + 1;
    const size_t total = AreaBytes(rect, planes, bytes, rowBytes);
    if (total == 0) return paramErr;
    uint8_t* buffer = TakeBuffer(spare, total);
    if (buffer == nullptr) return memFullErr;
    const uint32_t padValue = padding >= 0 ? PadValue(padding, im.depth) : 0;
    const bool columnsInside = step == 1 && rect.left >= 0 && rect.right <= im.width;
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        uint8_t* row = buffer + size_t(y - rect.top) * size_t(*rowBytes);
        if (columnsInside && y >= 0 && y < im.height) {
            const uint8_t* src = im.pixels + size_t(y) * size_t(im.rowBytes) +
                                 size_t(rect.left) * size_t(im.planes * bytes);
            CopyPixels(row, src, rect.right - rect.left, im.planes, lo, planes, bytes, false);
            continue;
        }
        for (int32_t x = rect.left; x < rect.right; ++x) {
            int32_t sx = int32_t(int64_t(x) * step), sy = int32_t(int64_t(y) * step);
            bool fill = false;
            if (!Place(sx, im.width, padding, &fill) || !Place(sy, im.height, padding, &fill)) {
                HK_FreeLarge(buffer);
                return paramErr;
            }
            uint8_t* px = row + size_t(x - rect.left) * size_t(planes * bytes);
            for (int32_t p = 0; p < planes; ++p)
                Store(px + p * bytes, bytes, fill ? padValue : Sample(im, sx, sy, lo + p));
        }
    }
    *out = buffer;
    return noErr;
}

// Replaces the buffer lent through slot, keeping the one taken back as the
// area's spare; the caller stores the result in the record's field (a 4-byte
// aligned pointer, so it is assigned, not referenced).
uint8_t* Lend(uint8_t*& slot, uint8_t*& spare, uint8_t* buffer) {
    if (slot != nullptr) {
        if (kKeepSpares && spare == nullptr) {
            spare = slot;
        } else {
            HK_FreeLarge(slot);
        }
    }
    slot = buffer;
    return buffer;
}

VRect FilterRect(const HKHost* host) {
    const FilterRecord* r = host->record;
    const BigDocumentStruct* big = r->bigDocumentData;
    return big != nullptr && big->PluginUsing32BitCoordinates != 0 ? big->filterRect32
                                                                   : Widen(r->filterRect);
}

}  // namespace

VRect HK_RequestedRect(const HKHost* host, HKArea area) {
    const FilterRecord* r = host->record;
    const BigDocumentStruct* big = r->bigDocumentData;
    const bool wide = big != nullptr && big->PluginUsing32BitCoordinates != 0;
    switch (area) {
        case kHKAreaIn:
            return wide ? big->inRect32 : Widen(r->inRect);
        case kHKAreaOut:
            return wide ? big->outRect32 : Widen(r->outRect);
        case kHKAreaMask:
            return wide ? big->maskRect32 : Widen(r->maskRect);
    }
    return VRect{0, 0, 0, 0};
}

bool HK_AnyAreaRequested(const HKHost* host) {
    return !Empty(HK_RequestedRect(host, kHKAreaIn)) ||
           !Empty(HK_RequestedRect(host, kHKAreaOut)) ||
           !Empty(HK_RequestedRect(host, kHKAreaMask));
}

// Copies the output lent by the previous request back into the result; with
// autoMask the host blends it with the document by the selection first.
void HK_WriteBackOutput(HKHost* host) {
    if (host->outBuffer == nullptr) return;  // none lent, or lent straight from the result
    host->resultCurrent = false;
    const HKImage& doc = host->image;
    const int32_t bytes = doc.depth / 8;
    const int32_t planes = host->outHiPlane - host->outLoPlane + 1;
    const VRect& o = host->outRect;
    const int32_t rowBytes = host->record->outRowBytes;
    const bool blend =
        host->record->autoMask != 0 && host->record->haveMask != 0 && host->mask.data != nullptr;
    for (int32_t y = o.top; y < o.bottom; ++y) {
        const uint8_t* src = host->outBuffer + size_t(y - o.top) * size_t(rowBytes);
        const size_t rowStart = size_t(y) * size_t(doc.rowBytes);
        if (!blend) {
            CopyPixels(host->result + rowStart + size_t(o.left) * size_t(doc.planes * bytes), src,
                       o.right - o.left, doc.planes, host->outLoPlane, planes, bytes, true);
            continue;
        }
        for (int32_t x = o.left; x < o.right; ++x) {
            const uint32_t m = host->mask.data[size_t(y) * size_t(host->mask.rowBytes) + size_t(x)];
            for (int32_t p = 0; p < planes; ++p) {
                const size_t at =
                    rowStart +
                    (size_t(x) * size_t(doc.planes) + size_t(host->outLoPlane + p)) * size_t(bytes);
                uint32_t v = 0;
                Load(src + (size_t(x - o.left) * size_t(planes) + size_t(p)) * size_t(bytes), bytes,
                     &v);
                if (m != 255) {
                    uint32_t d = 0;
                    Load(doc.pixels + at, bytes, &d);
                    v = (d * (255 - m) + v * m + 127) / 255;
                }
                Store(host->result + at, bytes, v);
            }
        }
    }
    host->record->outData = Lend(host->outBuffer, host->spareOut, nullptr);
}

void HK_TellRowsFinal(HKHost* host, int32_t rows) {
    const HKOptions& o = host->options;
    if (o.onRowsFinal == nullptr || host->rowsFinal < 0 || rows == host->rowsFinal) return;
    host->rowsFinal = rows > host->rowsFinal ? rows : -1;
    o.onRowsFinal(host->rowsFinal, o.callbackContext);
}

void HK_ReleaseAreas(HKHost* host) {
    host->record->inData = Lend(host->inBuffer, host->spareIn, nullptr);
    host->record->outData = Lend(host->outBuffer, host->spareOut, nullptr);
    host->record->maskData = Lend(host->maskBuffer, host->spareMask, nullptr);
}

void HK_FreeSpares(HKHost* host) {
    for (uint8_t** spare : {&host->spareIn, &host->spareOut, &host->spareMask}) {
        HK_FreeLarge(*spare);
        *spare = nullptr;
    }
}

// The calling thread's processor time where the system keeps it (a shared
// machine's other work does not count), else the steady clock.
int64_t HK_Nanoseconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec t;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) == 0)
        return int64_t(t.tv_sec) * 1000000000 + int64_t(t.tv_nsec);
#endif
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

// Output goes straight into the caller's result block when the area holds
// every plane and the host does not blend it by the selection: the block
// already holds what the output buffer would be filled with, and what the
// plug-in writes is what would be written back.
bool LendsResult(const HKHost* host) {
    const FilterRecord* r = host->record;
    const bool blend = r->autoMask != 0 && r->haveMask != 0 && host->mask.data != nullptr;
    return !host->resultOwned && !blend && r->outLoPlane == 0 &&
           r->outHiPlane == host->image.planes - 1;
}

OSErr LendMask(HKHost* host) {
    FilterRecord* r = host->record;
    const HKImage& im = host->image;
    const VRect mask = HK_RequestedRect(host, kHKAreaMask);
    if (host->mask.data != nullptr && r->haveMask && !Empty(mask)) {
        uint8_t* buffer = nullptr;
        const HKImage selection{im.width, im.height, 1, 8, host->mask.rowBytes, host->mask.data};
        const OSErr err = Fill(selection, mask, 0, 0, Step(r->maskRate), r->maskPadding,
                               host->spareMask, &buffer, &r->maskRowBytes);
        if (err != noErr) return err;
        r->maskData = Lend(host->maskBuffer, host->spareMask, buffer);
    }
    return noErr;
}

bool InPlace(const HKHost* host) {
    return host->result != nullptr && host->result == host->image.pixels;
}

uint8_t* KeptRow(const HKHost* host, int32_t y) {
    return host->kept + size_t(y - host->keptBase) * size_t(host->image.rowBytes);
}

// In place: keeps the rows of an output area as the document holds them
// now, before it is lent. Rows from the last kept on were never lent as
// output, so they are the document's own. False when memory is short.
bool KeepRows(HKHost* host, const VRect& out) {
    const int32_t bottom = out.bottom;
    if (bottom <= host->keptBottom) return true;
    const size_t row = size_t(host->image.rowBytes);
    if (host->keptTop == host->keptBottom) {  // none kept: start at the area
        const int32_t start = out.top > host->keptBottom ? out.top : host->keptBottom;
        host->keptBase = host->keptTop = host->keptBottom = start;
    }
    if (size_t(bottom - host->keptBase) * row > host->keptBytes) {  // rows let go make room
        const size_t rows = size_t(host->keptBottom - host->keptTop);
        if (rows > 0) std::memmove(host->kept, KeptRow(host, host->keptTop), rows * row);
        host->keptBase = host->keptTop;
    }
    const size_t needed = size_t(bottom - host->keptBase) * row;
    if (needed > host->keptBytes) {
        uint8_t* block = static_cast<uint8_t*>(HK_AllocLarge(needed));
        if (block == nullptr) return false;
        const size_t rows = size_t(host->keptBottom - host->keptTop);
        if (rows > 0) std::memcpy(block, KeptRow(host, host->keptTop), rows * row);
        HK_FreeLarge(host->kept);
        host->kept = block;
        host->keptBytes = needed;
    }
    for (int32_t y = host->keptBottom; y < bottom; ++y)
        std::memcpy(KeptRow(host, y), host->image.pixels + size_t(y) * row, row);
    host->keptBottom = bottom;
    return true;
}

// In place: the rows of an input area that output may have changed come
// from those kept; the rows above it are let go.
OSErr Restore(HKHost* host, const VRect& in, int32_t step, uint8_t* buffer) {
    const FilterRecord* r = host->record;
    const int32_t bottom = in.bottom < host->keptBottom ? in.bottom : host->keptBottom;
    if (in.top < bottom) {
        if (step != 1 || in.top < host->keptTop) return paramErr;
        const HKImage& im = host->image;
        const int32_t bytes = im.depth / 8, planes = r->inHiPlane - r->inLoPlane + 1;
        for (int32_t y = in.top; y < bottom; ++y)
            CopyPixels(buffer + size_t(y - in.top) * size_t(r->inRowBytes),
                       KeptRow(host, y) + size_t(in.left) * size_t(im.planes * bytes),
                       in.right - in.left, im.planes, r->inLoPlane, planes, bytes, false);
    }
    if (step == 1 && in.top > host->keptTop)
        host->keptTop = in.top < host->keptBottom ? in.top : host->keptBottom;
    return noErr;
}

OSErr Advance(HKHost* host) {
    FilterRecord* r = host->record;
    HK_WriteBackOutput(host);
    HK_ReleaseAreas(host);
    const HKImage& im = host->image;
    const int32_t bytes = im.depth / 8;

    const VRect in = HK_RequestedRect(host, kHKAreaIn);
    if (!Empty(in)) {
        if (host->inAreaCount < kHKMaxLoggedAreas) host->inAreas[host->inAreaCount] = in;
        ++host->inAreaCount;
        if (in.bottom - in.top > host->maxInRows) host->maxInRows = in.bottom - in.top;
        uint8_t* buffer = nullptr;
        const int32_t step = Step(r->inputRate);
        OSErr err = Fill(im, in, r->inLoPlane, r->inHiPlane, step, r->inputPadding, host->spareIn,
                         &buffer, &r->inRowBytes);
        if (err == noErr && InPlace(host)) err = Restore(host, in, step, buffer);
        if (err != noErr) {
            HK_FreeLarge(buffer);
            return err;
        }
        r->inData = Lend(host->inBuffer, host->spareIn, buffer);
        r->inColumnBytes = (r->inHiPlane - r->inLoPlane + 1) * bytes;
        r->inPlaneBytes = bytes;
    }

    // Output is never sampled or padded: it must lie inside the filter rectangle.
    const VRect out = HK_RequestedRect(host, kHKAreaOut);
    if (!Empty(out)) {
        const VRect f = FilterRect(host);
        if (out.top < f.top || out.left < f.left || out.bottom > f.bottom || out.right > f.right)
            return paramErr;
        HK_TellRowsFinal(host, out.top);
        if (InPlace(host) && !KeepRows(host, out)) return memFullErr;
        if (LendsResult(host)) {
            r->outData = host->result + size_t(out.top) * size_t(im.rowBytes) +
                         size_t(out.left) * size_t(im.planes * bytes);
            r->outRowBytes = im.rowBytes;
            r->outColumnBytes = im.planes * bytes;
            r->outPlaneBytes = bytes;
            host->resultCurrent = false;
            return LendMask(host);
        }
        HKImage result = im;
        result.pixels = host->result;
        uint8_t* buffer = nullptr;
        const OSErr err =
            Fill(result, out, r->outLoPlane, r->outHiPlane, 1, plugInWantsErrorOnBoundsException,
                 host->spareOut, &buffer, &r->outRowBytes);
        if (err != noErr) return err;
        r->outData = Lend(host->outBuffer, host->spareOut, buffer);
        host->outRect = out;
        host->outLoPlane = r->outLoPlane;
        host->outHiPlane = r->outHiPlane;
        r->outColumnBytes = (r->outHiPlane - r->outLoPlane + 1) * bytes;
        r->outPlaneBytes = bytes;
    }
    return LendMask(host);
}

}  // namespace

OSErr HK_Advance(HKHost* host) {
    ++host->advanceCalls;
    const int64_t begin = HK_Nanoseconds();
    const OSErr err = Advance(host);
    host->hostNanoseconds += HK_Nanoseconds() - begin;
    return err;
}
