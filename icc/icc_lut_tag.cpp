// The lookup-table tags "mft2" (16-bit) and "mft1" (8-bit): checks, copies,
// sizes and serialisation, with the grid either copied or computed node by
// node while it is written.
#include <cstring>

#include "icc/icc_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr int32_t kMaxGridPoints = 255;
constexpr uint32_t kMft1Entries = 256;

uint64_t NodeCount(const ProfileTable* t) {
    uint64_t nodes = 1;
    for (int32_t c = 0; c < t->inputChannels; ++c) nodes *= uint64_t(t->gridPoints);
    return nodes;
}

bool IsMft2(uint32_t type) {
    return type == IccSig("mft2");
}

// 8-bit value of a 16-bit one, rounded.
uint32_t To8(uint32_t v) {
    return (v * 255 + 32767) / 65535;
}

// The input value of node i of n along one channel: the position where the
// channel's input table reaches the node's 16-bit target, found by binary
// search and linear interpolation between the two enclosing entries, as a
// fraction of the table's length.
double InvertInputTable(const uint16_t* table, uint32_t entries, uint32_t i, uint32_t n) {
    uint32_t target = (i * 65535u + (n - 1) / 2) / (n - 1);
    if (target > 65535) target = 65535;
    if (target <= table[0]) return 0.0;
    if (target >= table[entries - 1]) return 1.0;
    uint32_t lo = 0, hi = entries - 1;  // table[lo] < target <= table[hi]
    while (hi - lo > 1) {
        const uint32_t mid = (lo + hi) / 2;
        if (table[mid] < target)
            lo = mid;
        else
            hi = mid;
    }
    const double span = double(table[hi]) - double(table[lo]);
    const double fraction = span > 0.0 ? (double(target) - table[lo]) / span : 0.0;
    return (double(lo) + fraction) / double(entries - 1);
}

void PutEntry(IccSink* s, bool wide, uint32_t v) {
    if (wide)
        IccPut16(s, v);
    else
        IccPut8(s, To8(v));
}

// The grid computed node by node, the first input varying slowest.
int32_t PutComputedGrid(const ProfileTable* t, bool wide, IccSink* s) {
    const int32_t ins = t->inputChannels, outs = t->outputChannels;
    const uint32_t n = uint32_t(t->gridPoints);
    double inputs[kIccMaxChannels][kMaxGridPoints];
    for (int32_t c = 0; c < ins; ++c)
        for (uint32_t i = 0; i < n; ++i)
            inputs[c][i] = InvertInputTable(t->inputTables + size_t(c) * t->inputEntries,
                                            t->inputEntries, i, n);
    uint32_t index[kIccMaxChannels] = {};
    double in[kIccMaxChannels];
    uint16_t out[kIccMaxChannels];
    const uint64_t nodes = NodeCount(t);
    for (uint64_t node = 0; node < nodes; ++node) {
        for (int32_t c = 0; c < ins; ++c) in[c] = inputs[c][index[c]];
        const int32_t status = t->gridFunction(in, out, t->context);
        if (status != kUiOk) return status;
        for (int32_t k = 0; k < outs; ++k) PutEntry(s, wide, out[k]);
        if (s->status != kUiOk) return s->status;
        for (int32_t c = ins - 1; c >= 0; --c) {  // the last input fastest
            if (++index[c] < n) break;
            index[c] = 0;
        }
    }
    return kUiOk;
}

}  // namespace

int32_t IccCheckTable(const ProfileTable* t, uint32_t type, int32_t mode) {
    if (t == nullptr || (mode != 0 && mode != 1)) return kUiErrArg;
    if (t->inputChannels < 1 || t->inputChannels > kIccMaxChannels || t->outputChannels < 1 ||
        t->outputChannels > kIccMaxChannels || t->gridPoints < 2 || t->gridPoints > kMaxGridPoints)
        return kUiErrArg;
    if (t->inputTables == nullptr || t->outputTables == nullptr) return kUiErrArg;
    if (IsMft2(type)) {
        if (t->inputEntries < 2 || t->inputEntries > kIccMaxTableEntries || t->outputEntries < 2 ||
            t->outputEntries > kIccMaxTableEntries)
            return kUiErrArg;
    } else if (t->inputEntries != kMft1Entries || t->outputEntries != kMft1Entries) {
        return kUiErrArg;
    }
    if (NodeCount(t) * uint64_t(t->outputChannels) * 2 > 0x7FFFFFFF) return kUiErrArg;
    for (double v : t->matrix) {
        int32_t fixed;
        if (IccS15Fixed16(v, &fixed) != kUiOk) return kUiErrArg;
    }
    if (mode == 0 && t->grid == nullptr) return kUiErrArg;
    if (mode == 1 && t->gridFunction == nullptr && t->context == nullptr) return kUiErrArg;
    return kUiOk;
}

int32_t IccCopyTable(const ProfileTable* t, int32_t mode, ProfileTable** out) {
    *out = nullptr;
    const uint64_t in = uint64_t(t->inputChannels) * t->inputEntries;
    const uint64_t outEntries = uint64_t(t->outputChannels) * t->outputEntries;
    const uint64_t grid = mode == 0 ? NodeCount(t) * uint64_t(t->outputChannels) : 0;
    const uint64_t bytes = sizeof(ProfileTable) + 2 * (in + outEntries + grid);
    if (bytes > 0xFFFFFFFFull - kUiMemGuardBytes) return kUiErrMemory;
    ProfileTable* copy = static_cast<ProfileTable*>(Ui_Malloc(uint32_t(bytes)));
    if (copy == nullptr) return kUiErrMemory;
    *copy = *t;
    uint16_t* values = reinterpret_cast<uint16_t*>(copy + 1);
    copy->inputTables = values;
    copy->outputTables = values + in;
    std::memcpy(copy->inputTables, t->inputTables, size_t(in) * 2);
    std::memcpy(copy->outputTables, t->outputTables, size_t(outEntries) * 2);
    copy->grid = nullptr;
    if (mode == 0) {
        copy->grid = values + in + outEntries;
        std::memcpy(copy->grid, t->grid, size_t(grid) * 2);
        copy->gridFunction = nullptr;
        copy->context = nullptr;
    }
    *out = copy;
    return kUiOk;
}

void IccReleaseTableCopy(ProfileTable* table) {
    Ui_Free(table);
}

int32_t IccTableDataSize(const IccTag* tag, uint32_t* size) {
    const ProfileTable* t = tag->table;
    const uint64_t values = uint64_t(t->inputChannels) * t->inputEntries +
                            NodeCount(t) * uint64_t(t->outputChannels) +
                            uint64_t(t->outputChannels) * t->outputEntries;
    *size = IsMft2(tag->type) ? uint32_t(52 + 2 * values) : uint32_t(48 + values);
    return kUiOk;
}

// Counts, the matrix, the entry counts (16-bit tables only), the input
// tables, the grid and the output tables.
int32_t IccPutTableData(const IccTag* tag, IccSink* s) {
    const ProfileTable* t = tag->table;
    const bool wide = IsMft2(tag->type);
    IccPut8(s, uint32_t(t->inputChannels));
    IccPut8(s, uint32_t(t->outputChannels));
    IccPut8(s, uint32_t(t->gridPoints));
    IccPut8(s, 0);
    for (double v : t->matrix) IccPutS15(s, v);
    if (wide) {
        IccPut16(s, t->inputEntries);
        IccPut16(s, t->outputEntries);
    }
    const uint64_t in = uint64_t(t->inputChannels) * t->inputEntries;
    for (uint64_t i = 0; i < in; ++i) PutEntry(s, wide, t->inputTables[i]);
    if (t->grid != nullptr) {
        const uint64_t values = NodeCount(t) * uint64_t(t->outputChannels);
        for (uint64_t i = 0; i < values; ++i) PutEntry(s, wide, t->grid[i]);
    } else {
        const int32_t status = PutComputedGrid(t, wide, s);
        if (status != kUiOk) return status;
    }
    const uint64_t out = uint64_t(t->outputChannels) * t->outputEntries;
    for (uint64_t i = 0; i < out; ++i) PutEntry(s, wide, t->outputTables[i]);
    return s->status;
}
