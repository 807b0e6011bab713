#include "icc/icc_number_types.h"

#include "icc/icc_profile.h"
#include "ui/status.h"

namespace {

constexpr IccNumberCodec U8 = kIccUInt8, U16 = kIccUInt16, U32 = kIccUInt32, U64 = kIccUInt64,
                         S15 = kIccS15Fixed16, UF16 = kIccU16Fixed16;

// A type's values may not pass what a 24-bit count can say.
constexpr uint32_t kMaxValues = 0x00FFFFFF;

// clang-format off
constexpr IccNumberType kNumberTypes[] = {
    // type          counted reals  head                                 group            min max groupsAt
    {IccSig("curv"), true,  false, 0, {},                                1, {U16},          0, 0, -1},
    {IccSig("sf32"), false, true,  0, {},                                1, {S15},          0, 0, -1},
    {IccSig("uf32"), false, true,  0, {},                                1, {UF16},         0, 0, -1},
    {IccSig("ui08"), false, false, 0, {},                                1, {U8},           0, 0, -1},
    {IccSig("ui16"), false, false, 0, {},                                1, {U16},          0, 0, -1},
    {IccSig("ui32"), false, false, 0, {},                                1, {U32},          0, 0, -1},
    {IccSig("ui64"), false, false, 0, {},                                1, {U64},          0, 0, -1},
    {IccSig("sig "), false, false, 0, {},                                1, {U32},          1, 1, -1},
    // year, month, day, hours, minutes, seconds
    {IccSig("dtim"), false, false, 0, {},                                1, {U16},          6, 6, -1},
    // 0 ASCII or 1 binary, then the bytes
    {IccSig("data"), false, false, 1, {U32},                             1, {U8},           1, 0, -1},
    // observer, backing XYZ, geometry, flare, illuminant
    {IccSig("meas"), false, true,  7, {U32, S15, S15, S15, U32, UF16, U32}, 0, {},          7, 7, -1},
    // illuminant XYZ, surround XYZ, illuminant type
    {IccSig("view"), false, true,  7, {S15, S15, S15, S15, S15, S15, U32}, 0, {},           7, 7, -1},
    // flags, channels, then per channel frequency, angle and spot shape
    {IccSig("scrn"), false, true,  2, {U32, U32},                        3, {S15, S15, U32}, 2, 0, 1},
};
// clang-format on

uint32_t HeadBytes(const IccNumberType& t) {
    uint32_t bytes = 0;
    for (uint32_t i = 0; i < t.headCount; ++i) bytes += IccNumberCodecBytes(t.head[i]);
    return bytes;
}

uint32_t GroupBytes(const IccNumberType& t) {
    uint32_t bytes = 0;
    for (uint32_t i = 0; i < t.groupCount; ++i) bytes += IccNumberCodecBytes(t.group[i]);
    return bytes;
}

}  // namespace

const IccNumberType* IccFindNumberType(uint32_t type) {
    for (const IccNumberType& t : kNumberTypes)
        if (t.type == type) return &t;
    return nullptr;
}

IccNumberCodec IccNumberCodecAt(const IccNumberType& type, uint32_t i) {
    if (i < type.headCount) return type.head[i];
    return type.group[(i - type.headCount) % type.groupCount];
}

uint32_t IccNumberCodecBytes(IccNumberCodec codec) {
    switch (codec) {
        case kIccUInt8:
            return 1;
        case kIccUInt16:
            return 2;
        case kIccUInt64:
            return 8;
        default:
            return 4;
    }
}

int32_t IccNumberDataBytes(const IccNumberType& type, uint32_t count, const double* reals,
                           uint32_t* bytes) {
    if (count < type.minCount || (type.maxCount != 0 && count > type.maxCount)) return kUiErrArg;
    if (count > kMaxValues || count < type.headCount) return kUiErrArg;
    const uint32_t grouped = count - type.headCount;
    uint32_t groups = 0;
    if (type.groupCount == 0) {
        if (grouped != 0) return kUiErrArg;
    } else {
        if (grouped % type.groupCount != 0) return kUiErrArg;
        groups = grouped / type.groupCount;
    }
    if (type.groupsAt >= 0 && (reals == nullptr || uint32_t(reals[type.groupsAt]) != groups))
        return kUiErrArg;
    *bytes = (type.counted ? 4 : 0) + HeadBytes(type) + groups * GroupBytes(type);
    return kUiOk;
}

int32_t IccNumberCountOfBytes(const IccNumberType& type, uint64_t bytes, uint64_t* count) {
    const uint32_t head = HeadBytes(type);
    if (bytes < head) return kUiErrFormat;
    *count = type.headCount;
    if (type.groupCount != 0) *count += (bytes - head) / GroupBytes(type) * type.groupCount;
    return kUiOk;
}
