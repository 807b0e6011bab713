// Sizes and serialisers of the tag types, one row per type. Each tag's data
// starts with its type signature and four bytes of 0.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "icc/icc_internal.h"
#include "icc/icc_number_types.h"
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
// Each is laid out by its row of the number types.

int32_t NumberSize(const IccTag* t, uint32_t* size) {
    uint32_t bytes;
    UI_TRY(IccNumberDataBytes(*IccFindNumberType(t->type), t->numbers.count, t->numbers.reals,
                              &bytes));
    *size = kTypeHead + bytes;
    return kUiOk;
}

// Value i as an integer: the fixed-point types keep their integer fields
// (flags, counts, kinds) among the reals.
uint64_t IntegerAt(const IccNumberType& type, const IccNumbers& n, uint32_t i) {
    if (type.reals) return n.reals ? uint32_t(n.reals[i]) : 0;
    return n.ints ? n.ints[i] : 0;
}

double RealAt(const IccNumbers& n, uint32_t i) {
    return n.reals ? n.reals[i] : 0.0;
}

void NumberPut(const IccTag* t, IccSink* s) {
    const IccNumberType& type = *IccFindNumberType(t->type);
    const IccNumbers& n = t->numbers;
    if (type.counted) IccPut32(s, n.count);
    for (uint32_t i = 0; i < n.count; ++i) {
        switch (IccNumberCodecAt(type, i)) {
            case kIccUInt8:
                IccPut8(s, uint32_t(IntegerAt(type, n, i)));
                break;
            case kIccUInt16:
                IccPut16(s, uint32_t(IntegerAt(type, n, i)));
                break;
            case kIccUInt32:
                IccPut32(s, uint32_t(IntegerAt(type, n, i)));
                break;
            case kIccUInt64:
                IccPut64(s, IntegerAt(type, n, i));
                break;
            case kIccS15Fixed16:
                IccPutS15(s, RealAt(n, i));
                break;
            case kIccU16Fixed16:
                IccPutU16F16(s, RealAt(n, i));
                break;
        }
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
    {IccSig("pseq"), SequenceSize, SequencePut},
};

constexpr TagType kNumberTagType = {0, NumberSize, NumberPut};

const TagType* Find(uint32_t type) {
    for (const TagType& t : kTagTypes)
        if (t.type == type) return &t;
    if (IccFindNumberType(type) != nullptr) return &kNumberTagType;
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
