// The tag types that are arrays of numbers, declared once: how each value is
// stored and how many a type holds. The writer sizes and serialises a number
// tag from its row, and a reader recovers the count and the values from the
// same row.
#pragma once

#include <cstdint>

// How one value is stored, big-endian.
enum IccNumberCodec : uint8_t {
    kIccUInt8,
    kIccUInt16,
    kIccUInt32,
    kIccUInt64,
    kIccS15Fixed16,
    kIccU16Fixed16,
};

// A number type's data after its type head: an optional 32-bit count of
// values, then a fixed head of values, then any number of repeated groups.
struct IccNumberType {
    uint32_t type;
    bool counted;  // a 32-bit count of the values precedes them ("curv")
    bool reals;    // the values travel in IccNumbers::reals (else in ints)
    uint8_t headCount;
    IccNumberCodec head[7];
    uint8_t groupCount;  // 0: the head alone
    IccNumberCodec group[3];
    uint32_t minCount;
    uint32_t maxCount;  // 0: no limit
    // When not negative, the value at this index gives the number of groups
    // ("scrn": the channels, each with its frequency, angle and spot shape).
    int8_t groupsAt;
};

// The row of a number type; null for any other type.
const IccNumberType* IccFindNumberType(uint32_t type);

// The codec of value i of a type.
IccNumberCodec IccNumberCodecAt(const IccNumberType& type, uint32_t i);
// Bytes one value of a codec takes.
uint32_t IccNumberCodecBytes(IccNumberCodec codec);

// Bytes of the data of count values after the type head (the count field
// included). kUiErrArg when the type cannot hold count values, or when
// reals, needed by a type whose groups are counted by a value, is null.
int32_t IccNumberDataBytes(const IccNumberType& type, uint32_t count, const double* reals,
                           uint32_t* bytes);

// The number of values in bytes of data after the type head, for a type
// without a count field: the head and every whole group the bytes hold.
// kUiErrFormat when the bytes do not hold the head.
int32_t IccNumberCountOfBytes(const IccNumberType& type, uint64_t bytes, uint64_t* count);
