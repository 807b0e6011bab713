// The transform application driver: a Tintwork from its stream, the sharpen
// window placed before or after it, depth conversion when there is no
// transform, and the row sink at the end.
#include "engine/apply_driver.h"

#include <algorithm>
#include <cstring>

#include "engine/sharpen.h"
#include "ui/allocator.h"
#include "ui/status.h"

struct ApplyDriver {
    ApplyDriverParams p;
    Tintwork* tw;         // null without a transform
    int32_t mode;         // ApplyMode
    uint32_t channelsIn;  // channels of the incoming rows
    uint32_t channelsOut;
    uint32_t kindOut;  // colour kind and order of the rows handed on
    uint32_t orderOut;
    SharpenWindow* sharpen;
    int32_t sharpenDepth;  // depth of the rows in the sharpen window
    void* rowBuffer;       // one output row: transform or conversion results
    void* convert;         // depth conversion: 256 u16 or 65536 u8 entries
    uint32_t rowsIn;
};

namespace {

uint32_t IdentityOrder(uint32_t channels) {
    uint32_t order = 0;
    for (uint32_t c = 0; c < channels; ++c) order |= c << (2 * c);
    return order;
}

uint32_t ChannelsOfOrder(uint32_t order) {
    return order == kRowOrderIdentity4 ? 4 : order == kRowOrderIdentity3 ? 3 : 1;
}

uint32_t KindOfChannels(uint32_t channels) {
    return channels == 4 ? kTwSpaceCmyk : channels == 3 ? kTwSpaceRgb : kTwSpaceGrey;
}

uint32_t CodeMax(int32_t depth) {
    return depth == 2 ? 65535u : 255u;
}

// The samples of a row at depth `depth`, null when the row holds the other.
void* RowSamples(const RowDesc* row, int32_t depth) {
    if (row->data8 != nullptr) return depth == 1 ? row->data8 : nullptr;
    return depth == 2 ? row->data16 : nullptr;
}

TwRun RunOf(void* samples, int32_t depth, uint32_t channels, uint32_t width, bool planar) {
    if (depth == 2) {
        uint16_t* p = static_cast<uint16_t*>(samples);
        return planar ? TwPlanar16(p, int32_t(channels), width)
                      : TwInterleaved16(p, int32_t(channels));
    }
    uint8_t* p = static_cast<uint8_t*>(samples);
    return planar ? TwPlanar8(p, int32_t(channels), width) : TwInterleaved8(p, int32_t(channels));
}

RowDesc OutputRow(const ApplyDriver* d, void* samples, int32_t depth, uint64_t user) {
    RowDesc row{d->p.width,  d->channelsOut, d->kindOut, uint32_t(d->p.planar),
                d->orderOut, nullptr,        nullptr,    user};
    if (depth == 2) {
        row.data16 = static_cast<uint16_t*>(samples);
    } else {
        row.data8 = static_cast<uint8_t*>(samples);
    }
    return row;
}

int32_t CheckParams(const ApplyDriverParams* p) {
    if (p == nullptr) return kUiErrArg;
    if (p->stream == nullptr && (p->inMin == p->inMax || p->outMin == p->outMax)) return kUiErrArg;
    if (p->stream != nullptr && p->streamSize > kApplyDriverMaxStream) return kUiErrArg;
    if (p->sharpenStrength != 0 &&
        (p->sharpenStrength < 0 || p->sharpenStrength > kSharpenMaxStrength)) {
        return kUiErrArg;
    }
    if (p->sharpenSelector < kSharpenEachChannel || p->sharpenSelector > kSharpenMaxSelector) {
        return kUiErrArg;
    }
    if (p->width == 0 || p->height == 0 || p->sink == nullptr) return kUiErrArg;
    if (p->planar != 0 && p->planar != 1) return kUiErrArg;
    if (p->placement < kPlaceAfterTransform || p->placement > kPlaceAutomatic) return kUiErrArg;
    if (p->inputDepth < 1 || p->inputDepth > 2 || p->outputDepth < 1 || p->outputDepth > 2) {
        return kUiErrArg;
    }
    return kUiOk;
}

int32_t ChooseMode(const ApplyDriverParams& p, const Tintwork* tw) {
    const bool sharpen = sharpenIsActive(p.sharpenStrength, p.height);
    if (tw == nullptr) return sharpen ? kApplySharpen : kApplyCopy;
    if (!sharpen) return kApplyTransform;
    if (p.placement == kPlaceAfterTransform) return kApplyTransformSharpen;
    if (p.placement == kPlaceBeforeTransform) return kApplySharpenTransform;
    const bool before =
        TwSpaceLightnessFirst(tw->inputSpace) || tw->inputChannels < tw->outputChannels;
    return before ? kApplySharpenTransform : kApplyTransformSharpen;
}

int32_t ReadTransform(const ApplyDriverParams& p, Tintwork** out) {
    Tintwork* tw = nullptr;
    UI_TRY(ReadTintworkStream(p.stream, p.streamSize, &tw));
    int32_t status = SetDepth(tw, kTwSideInput, p.inputDepth);
    if (status == kUiOk) status = SetDepth(tw, kTwSideOutput, p.outputDepth);
    for (int32_t c = 0; c < tw->inputChannels && status == kUiOk; ++c) {
        status = SetRange(tw, kTwSideInput, c, p.inMin, p.inMax);
    }
    for (int32_t k = 0; k < tw->outputChannels && status == kUiOk; ++k) {
        status = SetRange(tw, kTwSideOutput, k, p.outMin, p.outMax);
    }
    if (status != kUiOk) {
        DestroyTintwork(tw);
        return status;
    }
    *out = tw;
    return kUiOk;
}

// Entry v = outMin + ((clamp(v, inMin, inMax) - inMin) × (outMax - outMin)
// + (inMax - inMin) / 2) / (inMax - inMin), clamped to the output codes.
template <typename O>
void FillConversion(const ApplyDriverParams& p, O* table, uint32_t entries) {
    const int64_t inLo = std::min(p.inMin, p.inMax), inHi = std::max(p.inMin, p.inMax);
    const int64_t span = int64_t(p.inMax) - p.inMin, out = int64_t(p.outMax) - p.outMin;
    for (uint32_t v = 0; v < entries; ++v) {
        const int64_t x = std::min(std::max(int64_t(v), inLo), inHi);
        const int64_t y = p.outMin + ((x - p.inMin) * out + span / 2) / span;
        table[v] =
            static_cast<O>(std::min<int64_t>(std::max<int64_t>(y, 0), CodeMax(p.outputDepth)));
    }
}

int32_t BuildConversion(ApplyDriver* d) {
    const ApplyDriverParams& p = d->p;
    if (p.inputDepth == p.outputDepth) return kUiOk;
    if (p.inputDepth == 2) {
        uint8_t* table = static_cast<uint8_t*>(Ui_MallocArray(65536, 1));
        if (table == nullptr) return kUiErrMemory;
        FillConversion(p, table, 65536);
        d->convert = table;
    } else {
        uint16_t* table = static_cast<uint16_t*>(Ui_MallocArray(256, 2));
        if (table == nullptr) return kUiErrMemory;
        FillConversion(p, table, 256);
        d->convert = table;
    }
    return kUiOk;
}

// Copies a row to `to` at the output depth through the conversion table.
void ConvertRow(const ApplyDriver* d, const void* from, void* to) {
    const size_t n = size_t(d->p.width) * d->channelsIn;
    if (d->convert == nullptr) {
        std::memcpy(to, from, n * (d->p.inputDepth == 2 ? 2 : 1));
    } else if (d->p.inputDepth == 2) {
        const uint16_t* src = static_cast<const uint16_t*>(from);
        const uint8_t* table = static_cast<const uint8_t*>(d->convert);
        uint8_t* dst = static_cast<uint8_t*>(to);
        for (size_t i = 0; i < n; ++i) dst[i] = table[src[i]];
    } else {
        const uint8_t* src = static_cast<const uint8_t*>(from);
        const uint16_t* table = static_cast<const uint16_t*>(d->convert);
        uint16_t* dst = static_cast<uint16_t*>(to);
        for (size_t i = 0; i < n; ++i) dst[i] = table[src[i]];
    }
}

// Transforms `samples` (a row at the input depth) into `to` (output depth).
int32_t TransformRow(const ApplyDriver* d, void* samples, void* to) {
    const bool planar = d->p.planar != 0;
    const TwRun in = RunOf(samples, d->p.inputDepth, d->channelsIn, d->p.width, planar);
    const TwRun out = RunOf(to, d->p.outputDepth, d->channelsOut, d->p.width, planar);
    return ApplyTintwork(d->tw, d->p.width, &in, &out);
}

// Sink of the sharpen window in mode 4: transform each sharpened row.
int32_t TransformSharpened(void* context, const RowDesc* row) {
    ApplyDriver* d = static_cast<ApplyDriver*>(context);
    UI_TRY(TransformRow(d, RowSamples(row, d->p.inputDepth), d->rowBuffer));
    const RowDesc out = OutputRow(d, d->rowBuffer, d->p.outputDepth, row->user);
    return d->p.sink(d->p.sinkContext, &out);
}

int32_t OpenSharpen(ApplyDriver* d) {
    const ApplyDriverParams& p = d->p;
    const bool before = d->mode == kApplySharpenTransform;
    SharpenParams sp = {};
    sp.strength = p.sharpenStrength;
    sp.selector = p.sharpenSelector;
    sp.width = p.width;
    sp.height = p.height;
    sp.channels = before ? d->channelsIn : d->channelsOut;
    sp.colorKind = before ? uint32_t(d->tw->inputSpace) : d->kindOut;
    sp.planar = uint32_t(p.planar);
    sp.order = before ? p.order : d->orderOut;
    sp.depth = uint32_t(before ? p.inputDepth : p.outputDepth);
    // Clamped to the code range the rows are given in at that point.
    const uint32_t lo = before ? p.inMin : p.outMin, hi = before ? p.inMax : p.outMax;
    sp.lo = int32_t(std::min(std::min(lo, hi), CodeMax(int32_t(sp.depth))));
    sp.hi = int32_t(std::min(std::max(lo, hi), CodeMax(int32_t(sp.depth))));
    sp.sink = before ? TransformSharpened : p.sink;
    sp.sinkContext = before ? static_cast<void*>(d) : p.sinkContext;
    d->sharpenDepth = int32_t(sp.depth);
    return sharpenOpen(&d->sharpen, &sp);
}

int32_t Prepare(ApplyDriver* d) {
    const ApplyDriverParams& p = d->p;
    if (p.stream != nullptr) UI_TRY(ReadTransform(p, &d->tw));
    d->mode = ChooseMode(p, d->tw);
    if (d->tw != nullptr) {
        d->channelsIn = uint32_t(d->tw->inputChannels);
        d->channelsOut = uint32_t(d->tw->outputChannels);
        d->kindOut = uint32_t(d->tw->outputSpace);
        d->orderOut = IdentityOrder(d->channelsOut);
    } else {
        d->channelsIn = d->channelsOut = ChannelsOfOrder(p.order);
        d->kindOut = KindOfChannels(d->channelsIn);
        d->orderOut = p.order;
        UI_TRY(BuildConversion(d));
    }
    if (d->mode != kApplySharpen && d->mode != kApplyTransformSharpen) {
        d->rowBuffer = Ui_MallocArray(size_t(p.width) * d->channelsOut, p.outputDepth == 2 ? 2 : 1);
        if (d->rowBuffer == nullptr) return kUiErrMemory;
    }
    if (d->mode >= kApplySharpen) UI_TRY(OpenSharpen(d));
    return kUiOk;
}

}  // namespace

int32_t OpenApplyDriver(const ApplyDriverParams* params, ApplyDriver** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    UI_TRY(CheckParams(params));
    ApplyDriver* d = static_cast<ApplyDriver*>(Ui_Malloc(sizeof(ApplyDriver)));
    if (d == nullptr) return kUiErrMemory;
    std::memset(d, 0, sizeof(*d));
    d->p = *params;
    const int32_t status = Prepare(d);
    if (status != kUiOk) {
        CloseApplyDriver(d);
        return status;
    }
    *out = d;
    return kUiOk;
}

int32_t ApplyDriverMode(const ApplyDriver* driver) {
    return driver == nullptr ? kUiErrArg : driver->mode;
}

int32_t ApplyDriverRow(ApplyDriver* d, const RowDesc* row) {
    if (d == nullptr || row == nullptr) return kUiErrArg;
    const ApplyDriverParams& p = d->p;
    if (d->rowsIn >= p.height || row->width != p.width || row->channels != d->channelsIn ||
        row->order != p.order || (row->planar != 0) != (p.planar != 0)) {
        return kUiErrArg;
    }
    void* samples = RowSamples(row, p.inputDepth);
    if (samples == nullptr) return kUiErrArg;
    ++d->rowsIn;
    switch (d->mode) {
        case kApplyCopy: {
            if (d->convert == nullptr) return p.sink(p.sinkContext, row);
            ConvertRow(d, samples, d->rowBuffer);
            const RowDesc out = OutputRow(d, d->rowBuffer, p.outputDepth, row->user);
            return p.sink(p.sinkContext, &out);
        }
        case kApplyTransform: {
            UI_TRY(TransformRow(d, samples, d->rowBuffer));
            const RowDesc out = OutputRow(d, d->rowBuffer, p.outputDepth, row->user);
            return p.sink(p.sinkContext, &out);
        }
        case kApplySharpenTransform:
            return sharpenPutRow(d->sharpen, row);
        default: {
            // Modes 2 and 3 fill the sharpen window's next row in place.
            void* next = sharpenNextRowBuffer(d->sharpen);
            if (d->mode == kApplySharpen) {
                ConvertRow(d, samples, next);
            } else {
                UI_TRY(TransformRow(d, samples, next));
            }
            RowDesc windowRow = *row;
            windowRow.channels = d->channelsOut;
            windowRow.order = d->orderOut;
            windowRow.data8 = d->sharpenDepth == 1 ? static_cast<uint8_t*>(next) : nullptr;
            windowRow.data16 = d->sharpenDepth == 2 ? static_cast<uint16_t*>(next) : nullptr;
            return sharpenPutRow(d->sharpen, &windowRow);
        }
    }
}

void CloseApplyDriver(ApplyDriver* driver) {
    if (driver == nullptr) return;
    DestroyTintwork(driver->tw);
    sharpenClose(&driver->sharpen);
    Ui_Free(driver->rowBuffer);
    Ui_Free(driver->convert);
    Ui_Free(driver);
}

int32_t WriteDriverStream(const Tintwork* tw, uint8_t** stream, uint32_t* size) {
    uint8_t* bytes = static_cast<uint8_t*>(Ui_Malloc(kApplyDriverMaxStream));
    if (bytes == nullptr) return kUiErrMemory;
    TwStream s = {bytes, kApplyDriverMaxStream, 0};
    const int32_t status = WriteTintworkStream(tw, &s);
    if (status != kUiOk) {
        Ui_Free(bytes);
        return status;
    }
    *stream = bytes;
    *size = s.length;
    return kUiOk;
}
