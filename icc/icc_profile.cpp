// The profile object: creation with its header choices, the tag list, the
// layout of the tag table and the writing of header, table and tag data.
#include "icc/icc_profile.h"

#include <cstring>
#include <ctime>
#include <initializer_list>

#include "icc/icc_internal.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kVersion21 = 0x02100000;
constexpr uint32_t kSinkBytes = 16384;
constexpr uint32_t kMaxTextBytes = 65535;

constexpr uint32_t kClassSigs[] = {IccSig("scnr"), IccSig("mntr"), IccSig("prtr"),
                                   IccSig("link"), IccSig("abst"), IccSig("spac")};
constexpr uint32_t kConnectionSigs[] = {IccSig("XYZ "), IccSig("Lab "), IccSig("Lab "),
                                        IccSig("GRAY"), IccSig("RGB "), IccSig("CMYK"),
                                        IccSig("3CLR"), IccSig("Lab ")};

uint32_t DataSpaceSig(int32_t code) {
    switch (code) {
        case 4:
            return IccSig("CMYK");
        case 5:
            return IccSig("GRAY");
        case 7:
            return IccSig("Lab ");
        case 8:
            return IccSig("3CLR");
        default:
            return IccSig("RGB ");
    }
}

bool ChoicesValid(const IccHeaderChoices& c) {
    if (c.deviceClass < 0 || c.deviceClass > 5 || c.intent < 0 || c.intent > 3) return false;
    const int32_t maxConnection = c.deviceClass == 3 ? 7 : 2;
    return c.connectionSpace >= 0 && c.connectionSpace <= maxConnection;
}

bool OneOf(uint32_t sig, std::initializer_list<const char*> list) {
    for (const char* s : list) {
        const uint32_t code = uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
                              uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
        if (code == sig) return true;
    }
    return false;
}

// The tag signatures each type serves.
bool Accepts(uint32_t type, uint32_t sig) {
    switch (type) {
        case IccSig("XYZ "):
            return OneOf(sig, {"wtpt", "bkpt", "lumi", "rXYZ", "gXYZ", "bXYZ"});
        case IccSig("mft2"):
        case IccSig("mft1"):
            return OneOf(sig, {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "gamt", "pre0",
                               "pre1", "pre2"});
        case IccSig("desc"):
            return OneOf(sig, {"desc", "dmnd", "dmdd", "vued", "scrd"});
        case IccSig("text"):
            return OneOf(sig, {"cprt", "targ"});
        default:
            return true;
    }
}

void FreeTag(IccTag* tag) {
    if (tag == nullptr) return;
    Ui_Free(tag->text);
    IccReleaseTableCopy(tag->table);
    Ui_Free(tag->numbers.reals);
    Ui_Free(tag->numbers.ints);
    Ui_Free(tag->sequence.entries);
    Ui_Free(tag);
}

// A new, cleared tag of the profile; kUiErrArg when the signature is taken or
// the type does not accept it, kUiErrUnsupported when the list is full.
int32_t NewTag(IccProfile* p, uint32_t signature, uint32_t type, IccTag** out) {
    *out = nullptr;
    if (p == nullptr || !Accepts(type, signature)) return kUiErrArg;
    for (int32_t i = 0; i < p->tagCount; ++i)
        if (p->tags[i]->signature == signature) return kUiErrArg;
    if (p->tagCount == kIccMaxTags) return kUiErrUnsupported;
    IccTag* tag = static_cast<IccTag*>(Ui_Malloc(sizeof(IccTag)));
    if (tag == nullptr) return kUiErrMemory;
    std::memset(tag, 0, sizeof *tag);
    tag->signature = signature;
    tag->type = type;
    *out = tag;
    return kUiOk;
}

// Sizes the tag's data and appends it to the list, or frees it.
int32_t Append(IccProfile* p, IccTag* tag) {
    if (tag->sharedWith == 0) {
        const int32_t status = IccTagDataSize(tag, &tag->size);
        if (status != kUiOk) {
            FreeTag(tag);
            return status;
        }
        tag->padding = (4 - tag->size % 4) % 4;
    }
    p->tags[p->tagCount++] = tag;
    return kUiOk;
}

char* CopyText(const char* text) {
    const size_t n = std::strlen(text);
    if (n > kMaxTextBytes) return nullptr;
    char* copy = static_cast<char*>(Ui_Malloc(uint32_t(n + 1)));
    if (copy != nullptr) std::memcpy(copy, text, n + 1);
    return copy;
}

template <typename T>
int32_t CopyArray(const T* values, uint32_t count, T** out) {
    *out = nullptr;
    if (values == nullptr || count == 0) return kUiOk;
    *out = static_cast<T*>(Ui_MallocArray(count, sizeof(T)));
    if (*out == nullptr) return kUiErrMemory;
    std::memcpy(*out, values, size_t(count) * sizeof(T));
    return kUiOk;
}

// Offsets of the tags' data: the first follows the tag table, each next one
// the previous data and its padding; a shared tag takes its source's place.
struct Layout {
    uint32_t offset[kIccMaxTags];
    uint32_t size[kIccMaxTags];
    uint32_t profileSize;
};

int32_t LayOut(const IccProfile* p, Layout* lay) {
    uint64_t next = kIccHeaderBytes + 4 + uint64_t(kIccTagEntryBytes) * uint32_t(p->tagCount);
    for (int32_t i = 0; i < p->tagCount; ++i) {
        const IccTag* t = p->tags[i];
        if (t->size == 0) continue;
        lay->offset[i] = uint32_t(next);
        lay->size[i] = t->size;
        next += uint64_t(t->size) + t->padding;
        if (next > 0xFFFFFFFFull) return kUiErrArg;
    }
    for (int32_t i = 0; i < p->tagCount; ++i) {
        const IccTag* t = p->tags[i];
        if (t->size != 0) continue;
        int32_t source = -1;
        for (int32_t j = 0; j < p->tagCount; ++j)
            if (p->tags[j]->signature == t->sharedWith && p->tags[j]->size != 0) source = j;
        if (source < 0) return kUiErrGeneral;
        lay->offset[i] = lay->offset[source];
        lay->size[i] = lay->size[source];
    }
    lay->profileSize = uint32_t(next);
    return kUiOk;
}

void PutHeader(const IccProfile* p, uint32_t profileSize, IccSink* s) {
    const IccHeaderChoices& c = p->header;
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    std::tm when = {};
    if (local != nullptr) when = *local;
    IccPut32(s, profileSize);
    IccPut32(s, IccSig("appl"));
    IccPut32(s, kVersion21);
    IccPut32(s, kClassSigs[c.deviceClass]);
    IccPut32(s, DataSpaceSig(c.dataSpace));
    IccPut32(s, kConnectionSigs[c.connectionSpace]);
    IccPut16(s, uint32_t(when.tm_year + 1900));
    IccPut16(s, uint32_t(when.tm_mon + 1));
    IccPut16(s, uint32_t(when.tm_mday));
    IccPut16(s, uint32_t(when.tm_hour));
    IccPut16(s, uint32_t(when.tm_min));
    IccPut16(s, uint32_t(when.tm_sec));
    IccPut32(s, IccSig("acsp"));
    IccPut32(s, IccSig("APPL"));
    IccPut32(s, 0);  // flags
    for (char ch : c.manufacturer) IccPut8(s, uint8_t(ch));
    IccPut32(s, c.model);
    IccPut64(s, 0);  // attributes
    IccPut32(s, uint32_t(c.intent));
    IccPutS15(s, 0.9642);  // the connection space's illuminant, D50
    IccPutS15(s, 1.0);
    IccPutS15(s, 0.8249);
    IccPut32(s, IccSig("    "));  // creator
    IccPutZeros(s, 44);
}

int32_t PutProfile(const IccProfile* p, const Layout& lay, IccSink* s) {
    PutHeader(p, lay.profileSize, s);
    IccPut32(s, uint32_t(p->tagCount));
    for (int32_t i = 0; i < p->tagCount; ++i) {
        IccPut32(s, p->tags[i]->signature);
        IccPut32(s, lay.offset[i]);
        IccPut32(s, lay.size[i]);
    }
    for (int32_t i = 0; i < p->tagCount && s->status == kUiOk; ++i) {
        const IccTag* t = p->tags[i];
        if (t->size == 0) continue;
        const uint32_t start = s->total;
        UI_TRY(IccPutTagData(t, s));
        if (s->total - start != t->size) {
            Ui_Debug_Logf(1, "ICC tag %08lx: %lu bytes written, %lu laid out",
                          static_cast<unsigned long>(t->signature),
                          static_cast<unsigned long>(s->total - start),
                          static_cast<unsigned long>(t->size));
            return kUiErrGeneral;
        }
        IccPutZeros(s, t->padding);
    }
    return IccFlush(s);
}

}  // namespace

int32_t IccCreateProfile(IccProfile** out, const IccHeaderChoices* choices,
                         const char* description) {
    if (out == nullptr) return kUiErrArg;
    *out = nullptr;
    if (choices == nullptr || description == nullptr || !ChoicesValid(*choices)) return kUiErrArg;
    IccProfile* p = static_cast<IccProfile*>(Ui_Malloc(sizeof(IccProfile)));
    if (p == nullptr) return kUiErrMemory;
    std::memset(p, 0, sizeof *p);
    p->header = *choices;

    char maker[64];
    if (Ui_ResToCString(nullptr, kStrMakerFolder, maker, sizeof maker) != kUiOk) maker[0] = 0;
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char copyright[128];
    Ui_Sprintf(copyright, sizeof copyright, "Copyright (c) %d %s. All rights reserved.",
               local ? local->tm_year + 1900 : 1970, maker);

    int32_t status = IccAddTextTag(p, IccSig("desc"), IccSig("desc"), description);
    if (status == kUiOk) status = IccAddTextTag(p, IccSig("cprt"), IccSig("text"), copyright);
    if (status != kUiOk) {
        IccFreeProfile(&p);
        return status;
    }
    *out = p;
    return kUiOk;
}

int32_t IccAddTextTag(IccProfile* profile, uint32_t signature, uint32_t type, const char* text) {
    if (text == nullptr || (type != IccSig("desc") && type != IccSig("text"))) return kUiErrArg;
    IccTag* tag;
    UI_TRY(NewTag(profile, signature, type, &tag));
    tag->text = CopyText(text);
    if (tag->text == nullptr) {
        const int32_t status = std::strlen(text) > kMaxTextBytes ? kUiErrArg : kUiErrMemory;
        FreeTag(tag);
        return status;
    }
    return Append(profile, tag);
}

int32_t IccAddXYZTag(IccProfile* profile, uint32_t signature, const double xyz[3]) {
    if (xyz == nullptr) return kUiErrArg;
    for (int i = 0; i < 3; ++i) {
        int32_t fixed;
        if (!(xyz[i] >= 0.0) || IccS15Fixed16(xyz[i], &fixed) != kUiOk) return kUiErrArg;
    }
    IccTag* tag;
    UI_TRY(NewTag(profile, signature, IccSig("XYZ "), &tag));
    std::memcpy(tag->xyz, xyz, sizeof tag->xyz);
    return Append(profile, tag);
}

int32_t IccSetWhitePoint(IccProfile* profile, double x, double y, double z) {
    const double xyz[3] = {x, y, z};
    return IccAddXYZTag(profile, IccSig("wtpt"), xyz);
}

int32_t IccAddTableTag(IccProfile* profile, uint32_t signature, uint32_t type,
                       const ProfileTable* table, int32_t mode) {
    if (type != IccSig("mft2") && type != IccSig("mft1")) return kUiErrArg;
    UI_TRY(IccCheckTable(table, type, mode));
    IccTag* tag;
    UI_TRY(NewTag(profile, signature, type, &tag));
    if (mode == 1 && table->gridFunction == nullptr) {
        tag->sharedWith = *static_cast<const uint32_t*>(table->context);
        return Append(profile, tag);
    }
    const int32_t status = IccCopyTable(table, mode, &tag->table);
    if (status != kUiOk) {
        FreeTag(tag);
        return status;
    }
    return Append(profile, tag);
}

int32_t IccAddLookupTable(IccProfile* profile, const ProfileTable* table, int32_t mode) {
    return IccAddTableTag(profile, IccSig("A2B0"), IccSig("mft2"), table, mode);
}

int32_t IccAddNumberTag(IccProfile* profile, uint32_t signature, uint32_t type,
                        const IccNumbers* numbers) {
    if (numbers == nullptr) return kUiErrArg;
    IccTag* tag;
    UI_TRY(NewTag(profile, signature, type, &tag));
    tag->numbers.count = numbers->count;
    int32_t status = CopyArray(numbers->reals, numbers->count, &tag->numbers.reals);
    if (status == kUiOk) status = CopyArray(numbers->ints, numbers->count, &tag->numbers.ints);
    if (status != kUiOk) {
        FreeTag(tag);
        return status;
    }
    return Append(profile, tag);
}

int32_t IccAddSequenceTag(IccProfile* profile, uint32_t signature, const IccSequence* sequence) {
    if (sequence == nullptr || (sequence->count != 0 && sequence->entries == nullptr))
        return kUiErrArg;
    for (uint32_t i = 0; i < sequence->count; ++i) {
        const IccSequenceEntry& e = sequence->entries[i];
        if (std::memchr(e.manufacturerText, 0, sizeof e.manufacturerText) == nullptr ||
            std::memchr(e.modelText, 0, sizeof e.modelText) == nullptr)
            return kUiErrArg;
    }
    IccTag* tag;
    UI_TRY(NewTag(profile, signature, IccSig("pseq"), &tag));
    tag->sequence.count = sequence->count;
    const int32_t status = CopyArray(sequence->entries, sequence->count, &tag->sequence.entries);
    if (status != kUiOk) {
        FreeTag(tag);
        return status;
    }
    return Append(profile, tag);
}

int32_t IccWriteProfile(const IccProfile* profile, const char* path) {
    if (profile == nullptr || path == nullptr || path[0] == 0) return kUiErrArg;
    Layout lay = {};
    UI_TRY(LayOut(profile, &lay));
    UiOwned<uint8_t> buffer(static_cast<uint8_t*>(Ui_Malloc(kSinkBytes)));
    if (!buffer) return kUiErrMemory;
    // Written beside the target and renamed over it when complete: a failing
    // disk leaves no partial profile, and a former file of that name intact.
    FLFile file;
    UI_TRY(FLOpenReplacement(&file, path));
    IccSink sink = {&file, buffer.get(), kSinkBytes, 0, 0, kUiOk};
    const int32_t status = PutProfile(profile, lay, &sink);
    if (status != kUiOk) {
        FLAbandonReplacement(&file);
        return status;
    }
    return FLCommitReplacement(&file, path);
}

void IccFreeProfile(IccProfile** profile) {
    if (profile == nullptr || *profile == nullptr) return;
    IccProfile* p = *profile;
    for (int32_t i = 0; i < p->tagCount; ++i) FreeTag(p->tags[i]);
    Ui_Free(p);
    *profile = nullptr;
}
