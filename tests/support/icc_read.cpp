// Reading a profile back: the header's codes, the tag table with every
// offset and size checked against the data, and each tag type's fields,
// handed to the same adders the program uses to build a profile.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "tests/support/icc_read.h"

#include "icc/icc_number_types.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// A bounded cursor: reading past end sets kUiErrFormat and yields zeros.
struct Cursor {
    const uint8_t* data;
    uint64_t pos;
    uint64_t end;
    int32_t status;
};

bool Take(Cursor* c, uint32_t n) {
    if (c->status != kUiOk) return false;
    if (c->pos + n > c->end) {
        c->status = kUiErrFormat;
        return false;
    }
    return true;
}

uint32_t Get(Cursor* c, uint32_t bytes) {
    if (!Take(c, bytes)) return 0;
    uint32_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i) v = v << 8 | c->data[c->pos++];
    return v;
}

uint32_t Get8(Cursor* c) {
    return Get(c, 1);
}
uint32_t Get16(Cursor* c) {
    return Get(c, 2);
}
uint32_t Get32(Cursor* c) {
    return Get(c, 4);
}
uint64_t Get64(Cursor* c) {
    const uint64_t high = Get32(c);
    return high << 32 | Get32(c);
}
double GetS15(Cursor* c) {
    return int32_t(Get32(c)) / 65536.0;
}
double GetU16F16(Cursor* c) {
    return Get32(c) / 65536.0;
}

// An adder's refusal of what the data holds is a format error.
int32_t AsFormat(int32_t status) {
    return status == kUiErrArg ? kUiErrFormat : status;
}

int32_t CodeOf(uint32_t sig, const uint32_t* sigs, int32_t count, int32_t* code) {
    for (int32_t i = 0; i < count; ++i)
        if (sigs[i] == sig) {
            *code = i;
            return kUiOk;
        }
    return kUiErrFormat;
}

int32_t ReadHeader(Cursor* c, IccHeaderChoices* h) {
    static const uint32_t kClasses[] = {IccSig("scnr"), IccSig("mntr"), IccSig("prtr"),
                                        IccSig("link"), IccSig("abst"), IccSig("spac")};
    static const uint32_t kSpaces[] = {
        0, IccSig("RGB "), 0, 0, IccSig("CMYK"), IccSig("GRAY"), 0, IccSig("Lab "), IccSig("3CLR")};
    static const uint32_t kConnections[] = {
        IccSig("XYZ "), 0, IccSig("Lab "), IccSig("GRAY"), IccSig("RGB "), IccSig("CMYK"),
        IccSig("3CLR")};
    c->pos = 12;
    const uint32_t deviceClass = Get32(c), space = Get32(c), connection = Get32(c);
    c->pos = 36;
    if (Get32(c) != IccSig("acsp")) return kUiErrFormat;
    c->pos = 48;
    for (char& ch : h->manufacturer) ch = char(Get8(c));
    h->model = Get32(c);
    c->pos = 64;
    const uint32_t intent = Get32(c);
    UI_TRY(c->status);
    UI_TRY(CodeOf(deviceClass, kClasses, 6, &h->deviceClass));
    UI_TRY(CodeOf(space, kSpaces, 9, &h->dataSpace));
    UI_TRY(CodeOf(connection, kConnections, 7, &h->connectionSpace));
    if (h->connectionSpace == 2 && h->deviceClass == 3) h->connectionSpace = 7;
    if (intent > 3) return kUiErrFormat;
    h->intent = int32_t(intent);
    return kUiOk;
}

// The ASCII part of a "desc" structure at the cursor, then the rest of the
// structure skipped; text receives at most capacity - 1 characters.
int32_t ReadDesc(Cursor* c, char* text, uint32_t capacity) {
    const uint32_t n = Get32(c);
    if (!Take(c, n) || n == 0 || c->data[c->pos + n - 1] != 0) return kUiErrFormat;
    const uint32_t keep = n - 1 < capacity - 1 ? n - 1 : capacity - 1;
    std::memcpy(text, c->data + c->pos, keep);
    text[keep] = 0;
    c->pos += n;
    Get32(c);  // Unicode language
    const uint32_t units = Get32(c);
    if (!Take(c, 2 * units)) return kUiErrFormat;
    c->pos += 2 * uint64_t(units);
    c->pos += 3;  // ScriptCode code and count
    if (!Take(c, 67)) return kUiErrFormat;
    c->pos += 67;
    return c->status;
}

int32_t ReadText(IccProfile* p, uint32_t sig, uint32_t type, Cursor* c) {
    const uint64_t length = c->end - c->pos;
    if (type == IccSig("text")) {
        if (length == 0 || std::memchr(c->data + c->pos, 0, size_t(length)) == nullptr)
            return kUiErrFormat;
        return AsFormat(
            IccAddTextTag(p, sig, type, reinterpret_cast<const char*>(c->data + c->pos)));
    }
    const uint32_t n = uint32_t(length < 65536 ? length : 65536);
    UiOwned<char> text(static_cast<char*>(Ui_Malloc(n + 1)));
    if (!text) return kUiErrMemory;
    UI_TRY(ReadDesc(c, text.get(), n + 1));
    return AsFormat(IccAddTextTag(p, sig, type, text.get()));
}

int32_t ReadTable(IccProfile* p, uint32_t sig, uint32_t type, Cursor* c) {
    const bool wide = type == IccSig("mft2");
    ProfileTable t = {};
    t.inputChannels = int32_t(Get8(c));
    t.outputChannels = int32_t(Get8(c));
    t.gridPoints = int32_t(Get8(c));
    Get8(c);
    for (double& m : t.matrix) m = GetS15(c);
    t.inputEntries = wide ? Get16(c) : 256;
    t.outputEntries = wide ? Get16(c) : 256;
    UI_TRY(c->status);
    if (t.inputChannels < 1 || t.inputChannels > kIccMaxChannels || t.outputChannels < 1 ||
        t.outputChannels > kIccMaxChannels || t.gridPoints < 2)
        return kUiErrFormat;
    uint64_t nodes = 1;
    for (int32_t i = 0; i < t.inputChannels; ++i) nodes *= uint64_t(t.gridPoints);
    const uint64_t in = uint64_t(t.inputChannels) * t.inputEntries;
    const uint64_t grid = nodes * uint64_t(t.outputChannels);
    const uint64_t out = uint64_t(t.outputChannels) * t.outputEntries;
    const uint64_t values = in + grid + out;
    // Refused before anything is allocated when the data cannot hold it.
    if (values * (wide ? 2 : 1) > c->end - c->pos) return kUiErrFormat;
    UiOwned<uint16_t> block(static_cast<uint16_t*>(Ui_MallocArray(size_t(values), 2)));
    if (!block) return kUiErrMemory;
    for (uint64_t i = 0; i < values; ++i) block[i] = uint16_t(wide ? Get16(c) : Get8(c) * 257);
    UI_TRY(c->status);
    t.inputTables = block.get();
    t.grid = block.get() + in;
    t.outputTables = block.get() + in + grid;
    return AsFormat(IccAddTableTag(p, sig, type, &t, 0));
}

// The number types, laid out by their rows: the count follows from the data's
// size, or from its count field.
int32_t ReadNumbers(IccProfile* p, uint32_t sig, const IccNumberType& type, Cursor* c) {
    const uint64_t length = c->end - c->pos;
    uint64_t count;
    if (type.counted) {
        count = Get32(c);
        const uint32_t element = IccNumberCodecBytes(type.group[0]);
        if (length < 4 || count > (length - 4) / element) return kUiErrFormat;
    } else {
        UI_TRY(IccNumberCountOfBytes(type, length, &count));
    }
    if (count > 0x00FFFFFF) return kUiErrFormat;
    UiOwned<double> r(type.reals && count ? static_cast<double*>(Ui_MallocArray(size_t(count), 8))
                                          : nullptr);
    UiOwned<uint64_t> n(
        !type.reals && count ? static_cast<uint64_t*>(Ui_MallocArray(size_t(count), 8)) : nullptr);
    if (count != 0 && !r && !n) return kUiErrMemory;
    for (uint64_t i = 0; i < count; ++i) {
        const IccNumberCodec codec = IccNumberCodecAt(type, uint32_t(i));
        double real = 0.0;
        uint64_t integer = 0;
        if (codec == kIccS15Fixed16)
            real = GetS15(c);
        else if (codec == kIccU16Fixed16)
            real = GetU16F16(c);
        else if (codec == kIccUInt64)
            integer = Get64(c);
        else
            integer = Get(c, IccNumberCodecBytes(codec));
        if (type.reals)
            r[i] = codec == kIccS15Fixed16 || codec == kIccU16Fixed16 ? real : double(integer);
        else
            n[i] = integer;
    }
    UI_TRY(c->status);
    const IccNumbers numbers = {uint32_t(count), r.get(), n.get()};
    return AsFormat(IccAddNumberTag(p, sig, type.type, &numbers));
}

int32_t ReadSequence(IccProfile* p, uint32_t sig, Cursor* c) {
    const uint32_t count = Get32(c);
    // Each entry takes at least 20 + 2 × 93 bytes.
    if (count > (c->end - c->pos) / 206) return kUiErrFormat;
    UiOwned<IccSequenceEntry> entries(
        count ? static_cast<IccSequenceEntry*>(Ui_MallocArray(count, sizeof(IccSequenceEntry)))
              : nullptr);
    if (count != 0 && !entries) return kUiErrMemory;
    for (uint32_t i = 0; i < count; ++i) {
        IccSequenceEntry& e = entries[i];
        e.manufacturer = Get32(c);
        e.model = Get32(c);
        e.attributes = Get64(c);
        e.technology = Get32(c);
        for (char* text : {e.manufacturerText, e.modelText}) {
            if (Get32(c) != IccSig("desc")) return kUiErrFormat;
            Get32(c);
            UI_TRY(ReadDesc(c, text, sizeof e.modelText));
        }
    }
    const IccSequence sequence = {count, entries.get()};
    return AsFormat(IccAddSequenceTag(p, sig, &sequence));
}

int32_t ReadTag(IccProfile* p, uint32_t sig, Cursor* c) {
    const uint32_t type = Get32(c);
    Get32(c);
    UI_TRY(c->status);
    switch (type) {
        case IccSig("desc"):
        case IccSig("text"):
            return ReadText(p, sig, type, c);
        case IccSig("XYZ "): {
            double xyz[3];
            for (double& v : xyz) v = GetS15(c);
            UI_TRY(c->status);
            return AsFormat(IccAddXYZTag(p, sig, xyz));
        }
        case IccSig("mft2"):
        case IccSig("mft1"):
            return ReadTable(p, sig, type, c);
        case IccSig("pseq"):
            return ReadSequence(p, sig, c);
        default: {
            const IccNumberType* numbers = IccFindNumberType(type);
            if (numbers != nullptr) return ReadNumbers(p, sig, *numbers, c);
            char line[64];
            std::snprintf(line, sizeof line, "Unimplemented type %lu.",
                          static_cast<unsigned long>(type));
            Ui_Debug_Log(1, line);
            return kUiErrUnsupported;
        }
    }
}

int32_t ReadTags(IccProfile* p, const uint8_t* data, uint32_t size) {
    Cursor c = {data, kIccHeaderBytes, size, kUiOk};
    const uint32_t count = Get32(&c);
    UI_TRY(c.status);
    if (count > uint32_t(kIccMaxTags)) return kUiErrFormat;
    uint32_t sigs[kIccMaxTags], offsets[kIccMaxTags], sizes[kIccMaxTags];
    for (uint32_t i = 0; i < count; ++i) {
        sigs[i] = Get32(&c);
        offsets[i] = Get32(&c);
        sizes[i] = Get32(&c);
        UI_TRY(c.status);
        if (uint64_t(offsets[i]) + sizes[i] > size || sizes[i] < 8) return kUiErrFormat;
    }
    for (uint32_t i = 0; i < count; ++i) {
        int32_t source = -1;
        for (uint32_t j = 0; j < i && source < 0; ++j)
            if (offsets[j] == offsets[i] && sizes[j] == sizes[i]) source = int32_t(j);
        if (source >= 0) {
            // Shared data: the tag names its source (tables only).
            ProfileTable shared = {};
            const uint32_t from = sigs[source];
            const IccTag* first = nullptr;
            for (int32_t t = 0; t < p->tagCount; ++t)
                if (p->tags[t]->signature == from) first = p->tags[t];
            if (first == nullptr || first->table == nullptr) return kUiErrFormat;
            shared = *first->table;
            shared.gridFunction = nullptr;
            shared.context = const_cast<uint32_t*>(&from);
            UI_TRY(AsFormat(IccAddTableTag(p, sigs[i], first->type, &shared, 1)));
            continue;
        }
        Cursor tag = {data, offsets[i], uint64_t(offsets[i]) + sizes[i], kUiOk};
        UI_TRY(ReadTag(p, sigs[i], &tag));
    }
    return kUiOk;
}

}  // namespace

int32_t IccReadProfile(const uint8_t* data, uint32_t size, IccProfile** out) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (data == nullptr) return kUiErrArg;
    if (size < kIccHeaderBytes + 4) return kUiErrFormat;
    Cursor c = {data, 0, size, kUiOk};
    const uint32_t declared = Get32(&c);
    if (declared < kIccHeaderBytes + 4 || declared > size) return kUiErrFormat;
    IccHeaderChoices h = {};
    UI_TRY(ReadHeader(&c, &h));
    IccProfile* p = static_cast<IccProfile*>(Ui_Malloc(sizeof(IccProfile)));
    if (p == nullptr) return kUiErrMemory;
    std::memset(p, 0, sizeof *p);
    p->header = h;
    const int32_t status = ReadTags(p, data, declared);
    if (status != kUiOk) {
        IccFreeProfile(&p);
        return status;
    }
    *out = p;
    return kUiOk;
}
