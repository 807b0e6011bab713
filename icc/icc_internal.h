// Inside the profile writer: the byte sink that serialises big-endian fields
// through a small buffer into the file, and the per-type sizes and
// serialisers of the tags.
#pragma once

#include <cstdint>

#include "icc/icc_profile.h"
#include "ui/file_layer.h"

// Fields go into buffer and reach the file whenever it fills; the first
// failure sticks in status and later puts do nothing.
struct IccSink {
    FLFile* file;
    uint8_t* buffer;
    uint32_t capacity;
    uint32_t used;
    uint32_t total;  // bytes put so far
    int32_t status;
};

void IccPut8(IccSink* sink, uint32_t v);
void IccPut16(IccSink* sink, uint32_t v);
void IccPut32(IccSink* sink, uint32_t v);
void IccPut64(IccSink* sink, uint64_t v);
void IccPutZeros(IccSink* sink, uint32_t count);
// s15Fixed16 of a value already checked to fit.
void IccPutS15(IccSink* sink, double v);
// u16Fixed16, clamped to 0 .. 65535.99998.
void IccPutU16F16(IccSink* sink, double v);
// Writes what the buffer holds.
int32_t IccFlush(IccSink* sink);

// Bytes of a tag's serialised data; kUiErrUnsupported for a type that is not
// implemented (logged), kUiErrArg for content that the type cannot hold.
int32_t IccTagDataSize(const IccTag* tag, uint32_t* size);
// Serialises the data of a tag (type signature first).
int32_t IccPutTagData(const IccTag* tag, IccSink* sink);

// The table types: sizes and serialisers, the grid computed node by node
// when the table has a grid function.
int32_t IccTableDataSize(const IccTag* tag, uint32_t* size);
int32_t IccPutTableData(const IccTag* tag, IccSink* sink);
// Checks a table's shape; kUiErrArg when it cannot be written as the given type.
int32_t IccCheckTable(const ProfileTable* table, uint32_t type, int32_t mode);
// Copies table into a new block of the allocator (tables, and the grid in
// mode 0); ReleaseTableCopy frees it.
int32_t IccCopyTable(const ProfileTable* table, int32_t mode, ProfileTable** out);
void IccReleaseTableCopy(ProfileTable* table);
