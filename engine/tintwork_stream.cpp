// The stream form of a Tintwork, in which the filtering pass hands it to the
// transform application driver: a 128-byte header, the explicit node lists,
// the grid in memory order; multi-byte values big-endian; every byte XORed
// with the low byte of successive Park–Miller states.
#include <cstring>

#include "engine/tintwork.h"
#include "engine/tintwork_internal.h"
#include "ui/status.h"

namespace {

constexpr uint8_t kMagic0 = 19;
constexpr uint8_t kMagic1 = 0x35;
constexpr int32_t kScrambleSeed = 0x2C6E9A17;  // any state in 1 .. 2^31 - 2

// Park–Miller minimal standard generator, state × 16807 mod (2^31 - 1) by
// Schrage's method so no product overflows 32 bits.
struct Scrambler {
    int32_t state = kScrambleSeed;
    uint8_t Next() {
        const int32_t hi = state / 127773, lo = state % 127773;
        state = 16807 * lo - 2836 * hi;
        if (state < 1) state += 2147483647;
        return static_cast<uint8_t>(state & 0xFF);
    }
};

bool HasNodeLists(const Tintwork* tw) {
    return tw->kind == kTwKindExplicit && !TwIsTableOnly(tw);
}

struct Writer {
    TwStream* stream;
    Scrambler scrambler;
    void Byte(uint8_t b) { stream->data[stream->length++] = b ^ scrambler.Next(); }
    void Value(uint32_t v, int32_t bytes) {
        if (bytes == 2) Byte(static_cast<uint8_t>(v >> 8));
        Byte(static_cast<uint8_t>(v));
    }
};

// Reads within [data, data + size) only; every read past the end fails.
struct Reader {
    const uint8_t* data;
    uint32_t size;
    uint32_t at = 0;
    Scrambler scrambler;
    uint32_t Left() const { return size - at; }
    bool Byte(uint8_t* b) {
        if (at >= size) return false;
        *b = data[at++] ^ scrambler.Next();
        return true;
    }
    bool Value(int32_t bytes, uint32_t* v) {
        uint8_t hi = 0, lo = 0;
        if (bytes == 2 && !Byte(&hi)) return false;
        if (!Byte(&lo)) return false;
        *v = (uint32_t(hi) << 8) | lo;
        return true;
    }
};

struct Header {
    int32_t inputs, outputs, kind, inputSpace, outputSpace, hasGrid, gridDepth;
    uint32_t nodeCount[kTwMaxChannels];
};

// A builder's refusal means the stream described something impossible.
int32_t AsFormatError(int32_t status) {
    return status == kUiOk || status == kUiErrMemory ? status : kUiErrFormat;
}

int32_t ParseHeader(const uint8_t* h, Header* out) {
    if (h[kTwHeaderMagic0] != kMagic0 || h[kTwHeaderMagic1] != kMagic1) return kUiErrFormat;
    Header hd = {};
    hd.inputs = h[kTwHeaderInputs];
    hd.outputs = h[kTwHeaderOutputs];
    hd.kind = h[kTwHeaderKind];
    if (hd.inputs < 1 || hd.inputs > kTwMaxChannels) return kUiErrFormat;
    if (hd.outputs < 1 || hd.outputs > kTwMaxChannels) return kUiErrFormat;
    if (hd.kind > kTwKindExplicit) return kUiErrFormat;
    if (h[kTwHeaderWide] != h[kTwHeaderWideCopy] || h[kTwHeaderWide] > 1) return kUiErrFormat;
    hd.gridDepth = h[kTwHeaderWide] ? 2 : 1;
    for (uint32_t i = kTwHeaderReserved; i < kTwStreamHeaderBytes; ++i) {
        if (h[i] != 0) return kUiErrFormat;
    }
    if (hd.kind == kTwKindUniform0) {
        // The writer leaves the spaces out: 3 channels are RGB, 4 CMYK-like.
        if (h[kTwHeaderInputSpace] != kTwSpaceNone || h[kTwHeaderOutputSpace] != kTwSpaceNone ||
            h[kTwHeaderHasGrid] != 0) {
            return kUiErrFormat;
        }
        const auto spaceOf = [](int32_t n) {
            return n == 3 ? kTwSpaceRgb : n == 4 ? kTwSpaceCmyk : kTwSpaceNone;
        };
        hd.inputSpace = spaceOf(hd.inputs);
        hd.outputSpace = spaceOf(hd.outputs);
        hd.hasGrid = 1;
    } else {
        hd.inputSpace = h[kTwHeaderInputSpace];
        hd.outputSpace = h[kTwHeaderOutputSpace];
        hd.hasGrid = hd.kind == kTwKindExplicit ? h[kTwHeaderHasGrid] : 1;
        if (hd.kind == kTwKindUniform1 && h[kTwHeaderHasGrid] != 0) return kUiErrFormat;
        if (hd.hasGrid > 1) return kUiErrFormat;
    }
    if (hd.kind == kTwKindUniform1) {
        const int32_t s = hd.inputSpace;
        if (hd.inputs < 3 || hd.outputs < 3) return kUiErrFormat;
        if (s != kTwSpaceRgb && s != kTwSpaceCmyk && !TwSpaceLightnessFirst(s)) {
            return kUiErrFormat;
        }
    }
    if (hd.inputSpace == kTwSpaceNone || hd.outputSpace == kTwSpaceNone) return kUiErrFormat;
    const bool tableOnly = hd.hasGrid == 0 || hd.inputs == 1;
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        const uint8_t b = h[kTwHeaderNodes + c];
        if (c >= hd.inputs) {
            if (b != (hd.kind == kTwKindExplicit ? 1 : 0)) return kUiErrFormat;
        } else if (hd.kind != kTwKindExplicit) {
            if (b > 4) return kUiErrFormat;  // node counts 2, 3, 5, 9, 17
            hd.nodeCount[c] = (1u << b) + 1;
        } else if (tableOnly) {
            if (b != 0) return kUiErrFormat;  // 256 or 65536, truncated to a byte
        } else {
            hd.nodeCount[c] = b == 0 ? kTwMaxNodes : b;
            if (hd.nodeCount[c] < 2) return kUiErrFormat;
        }
    }
    *out = hd;
    return kUiOk;
}

int32_t ReadNodesAndGrid(Reader& in, const Header& hd, Tintwork* tw) {
    const int32_t bytes = hd.gridDepth == 2 ? 2 : 1;
    const bool lists = hd.kind == kTwKindExplicit && !TwIsTableOnly(tw);
    // Refuse counts the stream cannot hold before anything is allocated.
    uint64_t values = uint32_t(hd.outputs), listed = 0;
    if (TwIsTableOnly(tw)) {
        values *= TwFullTableLength(hd.gridDepth);
    } else {
        for (int32_t c = 0; c < hd.inputs; ++c) {
            values *= hd.nodeCount[c];
            listed += lists ? hd.nodeCount[c] : 0;
        }
    }
    if ((values + listed) * uint32_t(bytes) > in.Left()) return kUiErrFormat;
    for (int32_t c = 0; c < hd.inputs; ++c) {
        uint16_t nodes[kTwMaxNodes] = {};
        for (uint32_t i = 0; lists && i < hd.nodeCount[c]; ++i) {
            uint32_t v = 0;
            if (!in.Value(bytes, &v)) return kUiErrFormat;
            nodes[i] = static_cast<uint16_t>(v);
        }
        UI_TRY(AsFormatError(SetInputNodes(tw, c, hd.nodeCount[c], nodes)));
    }
    UI_TRY(AsFormatError(TwAllocGrid(tw)));
    if (tw->gridValues != values) return kUiErrFormat;
    for (uint32_t i = 0; i < tw->gridValues; ++i) {
        uint32_t v = 0;
        if (!in.Value(bytes, &v)) return kUiErrFormat;
        if (bytes == 2) {
            static_cast<uint16_t*>(tw->grid)[i] = static_cast<uint16_t>(v);
        } else {
            static_cast<uint8_t*>(tw->grid)[i] = static_cast<uint8_t>(v);
        }
    }
    return AsFormatError(TwFinish(tw));
}

}  // namespace

void TwScrambleStream(uint8_t* data, uint32_t size) {
    Scrambler s;
    for (uint32_t i = 0; i < size; ++i) data[i] ^= s.Next();
}

int32_t TintworkStreamSize(const Tintwork* tw, uint32_t* size) {
    if (tw == nullptr || size == nullptr || !tw->finished) return kUiErrArg;
    const uint32_t bytes = tw->gridDepth == 2 ? 2 : 1;
    uint64_t total = kTwStreamHeaderBytes + uint64_t(tw->gridValues) * bytes;
    for (int32_t c = 0; HasNodeLists(tw) && c < tw->inputChannels; ++c) {
        total += uint64_t(tw->inputChannel[c].nodeCount) * bytes;
    }
    if (total > 0xFFFFFFFFu) return kUiErrArg;
    *size = static_cast<uint32_t>(total);
    return kUiOk;
}

int32_t WriteTintworkStream(const Tintwork* tw, TwStream* stream) {
    if (stream == nullptr || stream->data == nullptr || stream->length > stream->capacity) {
        return kUiErrArg;
    }
    uint32_t size = 0;
    UI_TRY(TintworkStreamSize(tw, &size));
    if (size > stream->capacity - stream->length) return kUiErrWrite;

    uint8_t header[kTwStreamHeaderBytes] = {};
    header[kTwHeaderMagic0] = kMagic0;
    header[kTwHeaderMagic1] = kMagic1;
    header[kTwHeaderInputs] = static_cast<uint8_t>(tw->inputChannels);
    header[kTwHeaderOutputs] = static_cast<uint8_t>(tw->outputChannels);
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        const uint32_t n = tw->inputChannel[c].nodeCount;
        if (tw->kind == kTwKindExplicit) {
            header[kTwHeaderNodes + c] = c < tw->inputChannels ? static_cast<uint8_t>(n) : 1;
        } else {
            header[kTwHeaderNodes + c] =
                c < tw->inputChannels ? static_cast<uint8_t>(TwLog2(n - 1)) : 0;
        }
    }
    header[kTwHeaderKind] = static_cast<uint8_t>(tw->kind);
    if (tw->kind >= kTwKindUniform1) {
        header[kTwHeaderInputSpace] = static_cast<uint8_t>(tw->inputSpace);
        header[kTwHeaderOutputSpace] = static_cast<uint8_t>(tw->outputSpace);
    }
    if (tw->kind == kTwKindExplicit) header[kTwHeaderHasGrid] = static_cast<uint8_t>(tw->hasGrid);
    header[kTwHeaderWide] = header[kTwHeaderWideCopy] = tw->gridDepth == 2 ? 1 : 0;

    Writer out{stream, {}};
    for (uint8_t b : header) out.Byte(b);
    const int32_t bytes = tw->gridDepth == 2 ? 2 : 1;
    for (int32_t c = 0; HasNodeLists(tw) && c < tw->inputChannels; ++c) {
        const TWInput& in = tw->inputChannel[c];
        for (uint32_t i = 0; i < in.nodeCount; ++i) out.Value(in.nodes[i], bytes);
    }
    for (uint32_t i = 0; i < tw->gridValues; ++i) {
        out.Value(bytes == 2 ? static_cast<const uint16_t*>(tw->grid)[i]
                             : static_cast<const uint8_t*>(tw->grid)[i],
                  bytes);
    }
    return kUiOk;
}

int32_t ReadTintworkStream(const uint8_t* data, uint32_t size, Tintwork** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (data == nullptr && size != 0) return kUiErrArg;
    Reader in{data, size, 0, {}};
    uint8_t h[kTwStreamHeaderBytes];
    for (uint8_t& b : h) {
        if (!in.Byte(&b)) return kUiErrFormat;
    }
    Header hd;
    UI_TRY(ParseHeader(h, &hd));
    Tintwork* tw = nullptr;
    UI_TRY(AsFormatError(CreateTintwork(&tw, hd.inputs, hd.outputs, hd.inputSpace, hd.outputSpace,
                                        hd.hasGrid, hd.kind, hd.gridDepth)));
    const int32_t status = ReadNodesAndGrid(in, hd, tw);
    if (status != kUiOk) {
        DestroyTintwork(tw);
        return status;
    }
    *out = tw;
    return kUiOk;
}
