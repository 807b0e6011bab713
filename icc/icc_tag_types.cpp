// Sizes and serialisers of the tag types, one row per type. Each tag's data
// starts with its type signature and four bytes of 0.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "icc/icc_internal.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kTypeHead = 8;  // type signature, reserved

uint32_t TextLength(const IccTag* t) {
    return uint32_t(std::strlen(t->text));
}

// ---- Texts and XYZ ---------------------------------------------------------------

uint32_t DescBytes(const char* text) {
    return 93 + 3 * uint32_t(std::strlen(text));
}

int32_t DescSize(const IccTag* t, uint32_t* size) {
    *size = DescBytes(t->text);
    return kUiOk;
}

// ASCII text with its terminator, the same as 16-bit code units, an empty
// ScriptCode part of 67 bytes.
void DescBody(const char* ascii, IccSink* s) {
    const uint32_t n = uint32_t(std::strlen(ascii)) + 1;
    const uint8_t* text = reinterpret_cast<const uint8_t*>(ascii);
    IccPut32(s, n);
    for (uint32_t i = 0; i < n; ++i) IccPut8(s, text[i]);
    IccPut32(s, 0);  // Unicode language code
    IccPut32(s, n);
    for (uint32_t i = 0; i < n; ++i) IccPut16(s, text[i]);
    IccPut16(s, 0);  // ScriptCode code
    IccPut8(s, 0);   // ScriptCode count
    IccPutZeros(s, 67);
}

void DescPut(const IccTag* t, IccSink* s) {
    DescBody(t->text, s);
}

// ---- Profile sequence --------------------------------------------------------------
// A count, then per profile its signatures, attributes and technology and two
// complete "desc" structures (type head included).

int32_t SequenceSize(const IccTag* t, uint32_t* size) {
    uint64_t bytes = kTypeHead + 4;
    for (uint32_t i = 0; i < t->sequence.count; ++i) {
        const IccSequenceEntry& e = t->sequence.entries[i];
        bytes += 20 + DescBytes(e.manufacturerText) + DescBytes(e.modelText);
    }
    if (bytes > 0x7FFFFFFF) return kUiErrArg;
    *size = uint32_t(bytes);
    return kUiOk;
}

void SequencePut(const IccTag* t, IccSink* s) {
    IccPut32(s, t->sequence.count);
    for (uint32_t i = 0; i < t->sequence.count; ++i) {
        const IccSequenceEntry& e = t->sequence.entries[i];
        IccPut32(s, e.manufacturer);
        IccPut32(s, e.model);
        IccPut64(s, e.attributes);
        IccPut32(s, e.technology);
        for (const char* text : {e.manufacturerText, e.modelText}) {
            IccPut32(s, IccSig("desc"));
            IccPut32(s, 0);
            DescBody(text, s);
        }
    }
}

int32_t TextSize(const IccTag* t, uint32_t* size) {
    *size = kTypeHead + TextLength(t) + 1;
    return kUiOk;
}

void TextPut(const IccTag* t, IccSink* s) {
    const uint32_t n = TextLength(t) + 1;
    for (uint32_t i = 0; i < n; ++i) IccPut8(s, uint8_t(t->text[i]));
}

int32_t XYZSize(const IccTag*, uint32_t* size) {
    *size = kTypeHead + 12;
    return kUiOk;
}

void XYZPut(const IccTag* t, IccSink* s) {
    for (double v : t->xyz) IccPutS15(s, v);
}

// ---- Number types ----------------------------------------------------------------
// Each is a fixed part and a count of elements of one width.

struct NumberShape {
    uint32_t fixedBytes;    // after the type head
    uint32_t elementBytes;  // per value
    uint32_t minCount;
    uint32_t maxCount;  // 0: no limit
};

NumberShape ShapeOf(uint32_t type) {
    switch (type) {
        case IccSig("curv"):
            return {4, 2, 0, 0};
        case IccSig("sf32"):
        case IccSig("uf32"):
        case IccSig("ui32"):
            return {0, 4, 0, 0};
        case IccSig("ui08"):
            return {0, 1, 0, 0};
        case IccSig("ui16"):
            return {0, 2, 0, 0};
        case IccSig("ui64"):
            return {0, 8, 0, 0};
        case IccSig("sig "):
            return {0, 4, 1, 1};
        case IccSig("dtim"):
            return {0, 2, 6, 6};
        case IccSig("data"):
            return {4, 1, 1, 0};  // the flag counts as the first value
        case IccSig("meas"):
            return {0, 4, 7, 7};
        case IccSig("view"):
            return {0, 4, 7, 7};
        default:
            return {0, 4, 2, 0};  // "scrn": flags, channels, three per channel
    }
}

int32_t NumberSize(const IccTag* t, uint32_t* size) {
    const IccNumbers& n = t->numbers;
    const NumberShape shape = ShapeOf(t->type);
    if (n.count < shape.minCount || (shape.maxCount != 0 && n.count > shape.maxCount))
        return kUiErrArg;
    if (n.count > 0x00FFFFFF) return kUiErrArg;
    uint32_t count = n.count;
    if (t->type == IccSig("data")) count -= 1;
    if (t->type == IccSig("scrn") &&
        (n.reals == nullptr || n.count != 2 + 3 * uint32_t(n.reals[1])))
        return kUiErrArg;
    *size = kTypeHead + shape.fixedBytes + shape.elementBytes * count;
    if (t->type == IccSig("scrn")) *size = kTypeHead + 8 + 12 * (n.count - 2) / 3;
    return kUiOk;
}

uint64_t IntAt(const IccNumbers& n, uint32_t i) {
    return n.ints ? n.ints[i] : 0;
}

double RealAt(const IccNumbers& n, uint32_t i) {
    return n.reals ? n.reals[i] : 0.0;
}

void NumberPut(const IccTag* t, IccSink* s) {
    const IccNumbers& n = t->numbers;
    switch (t->type) {
        case IccSig("curv"):
            IccPut32(s, n.count);
            for (uint32_t i = 0; i < n.count; ++i) IccPut16(s, uint32_t(IntAt(n, i)));
            break;
        case IccSig("sf32"):
            for (uint32_t i = 0; i < n.count; ++i) IccPutS15(s, RealAt(n, i));
            break;
        case IccSig("uf32"):
            for (uint32_t i = 0; i < n.count; ++i) IccPutU16F16(s, RealAt(n, i));
            break;
        case IccSig("ui08"):
            for (uint32_t i = 0; i < n.count; ++i) IccPut8(s, uint32_t(IntAt(n, i)));
            break;
        case IccSig("ui16"):
        case IccSig("dtim"):
            for (uint32_t i = 0; i < n.count; ++i) IccPut16(s, uint32_t(IntAt(n, i)));
            break;
        case IccSig("ui32"):
        case IccSig("sig "):
            for (uint32_t i = 0; i < n.count; ++i) IccPut32(s, uint32_t(IntAt(n, i)));
            break;
        case IccSig("ui64"):
            for (uint32_t i = 0; i < n.count; ++i) IccPut64(s, IntAt(n, i));
            break;
        case IccSig("data"):
            IccPut32(s, uint32_t(IntAt(n, 0)));  // 0 ASCII, 1 binary
            for (uint32_t i = 1; i < n.count; ++i) IccPut8(s, uint32_t(IntAt(n, i)));
            break;
        case IccSig("meas"):  // observer, backing XYZ, geometry, flare, illuminant
            IccPut32(s, uint32_t(RealAt(n, 0)));
            for (uint32_t i = 1; i <= 3; ++i) IccPutS15(s, RealAt(n, i));
            IccPut32(s, uint32_t(RealAt(n, 4)));
            IccPutU16F16(s, RealAt(n, 5));
            IccPut32(s, uint32_t(RealAt(n, 6)));
            break;
        case IccSig("view"):  // illuminant XYZ, surround XYZ, illuminant type
            for (uint32_t i = 0; i < 6; ++i) IccPutS15(s, RealAt(n, i));
            IccPut32(s, uint32_t(RealAt(n, 6)));
            break;
        default:  // "scrn": flags, channels, then frequency, angle, spot shape
            IccPut32(s, uint32_t(RealAt(n, 0)));
            IccPut32(s, uint32_t(RealAt(n, 1)));
            for (uint32_t i = 2; i + 2 < n.count; i += 3) {
                IccPutS15(s, RealAt(n, i));
                IccPutS15(s, RealAt(n, i + 1));
                IccPut32(s, uint32_t(RealAt(n, i + 2)));
            }
            break;
    }
}

// ---- The table of types ----------------------------------------------------------

struct TagType {
    uint32_t type;
    int32_t (*size)(const IccTag*, uint32_t*);
    void (*put)(const IccTag*, IccSink*);
};

void TablePut(const IccTag* t, IccSink* s) {
    const int32_t status = IccPutTableData(t, s);
    if (status != kUiOk && s->status == kUiOk) s->status = status;
}

constexpr TagType kTagTypes[] = {
    {IccSig("desc"), DescSize, DescPut},
    {IccSig("text"), TextSize, TextPut},
    {IccSig("XYZ "), XYZSize, XYZPut},
    {IccSig("mft2"), IccTableDataSize, TablePut},
    {IccSig("mft1"), IccTableDataSize, TablePut},
    {IccSig("curv"), NumberSize, NumberPut},
    {IccSig("sf32"), NumberSize, NumberPut},
    {IccSig("uf32"), NumberSize, NumberPut},
    {IccSig("ui08"), NumberSize, NumberPut},
    {IccSig("ui16"), NumberSize, NumberPut},
    {IccSig("ui32"), NumberSize, NumberPut},
    {IccSig("ui64"), NumberSize, NumberPut},
    {IccSig("sig "), NumberSize, NumberPut},
    {IccSig("dtim"), NumberSize, NumberPut},
    {IccSig("data"), NumberSize, NumberPut},
    {IccSig("meas"), NumberSize, NumberPut},
    {IccSig("view"), NumberSize, NumberPut},
    {IccSig("scrn"), NumberSize, NumberPut},
    {IccSig("pseq"), SequenceSize, SequencePut},
};

const TagType* Find(uint32_t type) {
    for (const TagType& t : kTagTypes)
        if (t.type == type) return &t;
    char line[64];
    std::snprintf(line, sizeof line, "Unimplemented type %lu.", static_cast<unsigned long>(type));
    Ui_Debug_Log(1, line);
    return nullptr;
}

}  // namespace

int32_t IccTagDataSize(const IccTag* tag, uint32_t* size) {
    const TagType* t = Find(tag->type);
    if (t == nullptr) return kUiErrUnsupported;
    return t->size(tag, size);
}

int32_t IccPutTagData(const IccTag* tag, IccSink* sink) {
    const TagType* t = Find(tag->type);
    if (t == nullptr) return kUiErrUnsupported;
    IccPut32(sink, tag->type);
    IccPut32(sink, 0);
    t->put(tag, sink);
    return sink->status;
}
