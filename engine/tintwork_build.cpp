// Building a Tintwork: node lists, grid values, depths and ranges, and the
// derived tables the kernels index (input offset/fraction tables, output
// tables, the direct tables of the table-only shapes).
#include <algorithm>
#include <cstring>

#include "engine/tintwork.h"
#include "engine/tintwork_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kFractionOne = 32768;  // fraction15: 1.0
// Largest grid the builders accept, in bytes: offsets stay in int32.
constexpr uint64_t kMaxGridBytes = uint64_t(1) << 30;

int64_t FloorDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
    return q;
}

// n / d rounded to nearest, halves up; d may be negative.
int64_t RoundDiv(int64_t n, int64_t d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return FloorDiv(2 * n + d, 2 * d);
}

uint32_t Clamp(int64_t v, int64_t hi) {
    return static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(v, 0), hi));
}

// Position of input code value v in 16-bit units. 16-bit input: the range
// [lo, hi] is stretched over 0..65535. 8-bit input: v/255 of the range, the
// range scaled to 16 bits (lo × 257). Rounded to nearest, clamped.
uint32_t InputPosition16(uint32_t v, uint32_t lo, uint32_t hi, int32_t depth) {
    if (depth == 2) {
        return Clamp(RoundDiv((int64_t(v) - lo) * 65535, int64_t(hi) - lo), 65535);
    }
    const int64_t lo16 = int64_t(lo) * 257, hi16 = int64_t(hi) * 257;
    return Clamp(lo16 + RoundDiv((hi16 - lo16) * v, 255), 65535);
}

struct Interval {
    uint32_t index;     // j: n_j <= t < n_(j+1), or N - 2 at the last node
    uint32_t fraction;  // fraction15, 0..32768
};

// nodes16: the node positions in 16-bit units; count >= 2.
Interval Locate(const uint32_t* nodes16, uint32_t count, uint32_t t) {
    const uint32_t* up = std::upper_bound(nodes16, nodes16 + count, t);
    uint32_t j = static_cast<uint32_t>(up - nodes16) - 1;
    j = std::min(j, count - 2);
    const uint32_t width = nodes16[j + 1] - nodes16[j];
    // Rounded to nearest: ((t - n_j) * 32768 + width / 2) / width.
    const uint32_t f =
        static_cast<uint32_t>((uint64_t(t - nodes16[j]) * kFractionOne + width / 2) / width);
    return {j, f};
}

template <typename T>
T* AllocTable(uint32_t entries) {
    return static_cast<T*>(Ui_MallocArray(size_t(entries) + kTwTablePad, sizeof(T)));
}

bool HasInputTables(const Tintwork* tw, int32_t c) {
    return !TwIsTableOnly(tw) && c < tw->inputChannels && tw->inputChannel[c].nodeCount >= 2;
}

void ComputeStrides(Tintwork* tw) {
    uint32_t stride = static_cast<uint32_t>(tw->outputChannels);
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        tw->inputChannel[c].stride = stride;
        if (c < tw->inputChannels) stride *= tw->inputChannel[c].nodeCount;
    }
}

// Values the grid holds: outputChannels per node, or one full table per
// output channel for the table-only shapes. 0 while some input of a grid
// has no nodes yet.
uint64_t GridValueCount(const Tintwork* tw) {
    if (TwIsTableOnly(tw)) {
        return uint64_t(TwFullTableLength(tw->gridDepth)) * uint32_t(tw->outputChannels);
    }
    uint64_t n = uint32_t(tw->outputChannels);
    for (int32_t c = 0; c < tw->inputChannels; ++c) {
        if (tw->inputChannel[c].nodeCount < 2) return 0;
        n *= tw->inputChannel[c].nodeCount;
    }
    return n;
}

int32_t BuildInputTables(Tintwork* tw, int32_t c) {
    TWInput& in = tw->inputChannel[c];
    const uint32_t n = in.nodeCount;
    uint32_t nodes16[kTwMaxNodes];
    for (uint32_t i = 0; i < n; ++i) {
        // An 8-bit grid's nodes in 16-bit units: (n × 65535 + 127) / 255.
        nodes16[i] = tw->gridDepth == 2 ? in.nodes[i] : (in.nodes[i] * 65535u + 127) / 255;
    }
    in.offsetTable = AllocTable<uint32_t>(kTwMaxNodes);
    in.located = AllocTable<uint32_t>(tw->inputDepth == 1 ? 256 : 65536);
    if (tw->inputDepth == 1) {
        in.fraction = AllocTable<uint16_t>(256);
        if (in.offsetTable == nullptr || in.fraction == nullptr || in.located == nullptr) {
            return kUiErrMemory;
        }
        for (uint32_t v = 0; v < 256; ++v) {
            const Interval at = Locate(nodes16, n, InputPosition16(v, in.rangeMin, in.rangeMax, 1));
            in.offsetTable[v] = in.stride * at.index;
            in.fraction[v] = static_cast<uint16_t>(at.fraction);
            in.located[v] = at.index << 16 | at.fraction;
        }
    } else {
        in.fraction = AllocTable<uint16_t>(65536);
        in.nodeMap = AllocTable<uint8_t>(65536);
        if (in.offsetTable == nullptr || in.fraction == nullptr || in.nodeMap == nullptr ||
            in.located == nullptr) {
            return kUiErrMemory;
        }
        for (uint32_t v = 0; v < 65536; ++v) {
            const Interval at = Locate(nodes16, n, InputPosition16(v, in.rangeMin, in.rangeMax, 2));
            in.nodeMap[v] = static_cast<uint8_t>(at.index);
            in.fraction[v] = static_cast<uint16_t>(at.fraction);
            in.located[v] = at.index << 16 | at.fraction;
        }
        for (uint32_t j = 0; j < kTwMaxNodes; ++j) {
            in.offsetTable[j] = in.stride * std::min(j, n - 2);
        }
    }
    return kUiOk;
}

int32_t BuildOutputTableInto(Tintwork* tw, int32_t k) {
    TWOutput& o = tw->outputChannel[k];
    const int64_t lo = o.rangeMin, hi = o.rangeMax;
    tw->outputLookup[k] = nullptr;
    if (tw->outputDepth == 1) {
        o.table8 = AllocTable<uint8_t>(256);
        if (o.table8 == nullptr) return kUiErrMemory;
        bool identity = true;
        for (int64_t v = 0; v < 256; ++v) {
            o.table8[v] =
                static_cast<uint8_t>(Clamp(FloorDiv(lo * 255 + 127 + v * (hi - lo), 255), 255));
            identity = identity && o.table8[v] == v;
        }
        if (!identity) tw->outputLookup[k] = o.table8;
        return kUiOk;
    }
    if (lo == 0 && hi == 65535) return kUiOk;
    o.table16 = AllocTable<uint16_t>(65536);
    if (o.table16 == nullptr) return kUiErrMemory;
    for (int64_t v = 0; v < 65536; ++v) {
        o.table16[v] = static_cast<uint16_t>(Clamp(lo + RoundDiv((hi - lo) * v, 65535), 65535));
    }
    tw->outputLookup[k] = o.table16;
    return kUiOk;
}

// One full table of stored data interpolated at 16-bit position t: the
// one-input form of the grid kernels' arithmetic.
template <typename G>
uint32_t InterpolateFullTable(const Tintwork* tw, const G* data, uint32_t t) {
    uint32_t j, f;
    if (sizeof(G) == 1) {
        j = std::min(t / 257, 254u);  // nodes at i × 257
        f = ((t - 257 * j) * kFractionOne + 128) / 257;
    } else {
        j = std::min(t, 65534u);
        f = (t - j) * kFractionOne;
    }
    const uint32_t s = (kFractionOne - f) * data[j] + f * data[j + 1] + uint32_t(tw->rounding);
    return s >> tw->shift;
}

template <typename G, typename O>
void FillDirectTable(const Tintwork* tw, int32_t k, O* table) {
    const int32_t source = tw->hasGrid ? 0 : k;
    const TWInput& in = tw->inputChannel[source];
    const G* data = static_cast<const G*>(tw->grid) + size_t(k) * TwFullTableLength(tw->gridDepth);
    const O* lookup = static_cast<const O*>(tw->outputLookup[k]);
    const uint32_t entries = TwCodeMax(tw->inputDepth) + 1;
    for (uint32_t v = 0; v < entries; ++v) {
        const uint32_t t = InputPosition16(v, in.rangeMin, in.rangeMax, tw->inputDepth);
        const uint32_t value = InterpolateFullTable(tw, data, t);
        table[v] = lookup != nullptr ? lookup[value] : static_cast<O>(value);
    }
}

int32_t BuildDirectTable(Tintwork* tw, int32_t k) {
    const uint32_t entries = TwCodeMax(tw->inputDepth) + 1;
    if (tw->outputDepth == 1) {
        uint8_t* table = AllocTable<uint8_t>(entries);
        tw->direct[k] = table;
        if (table == nullptr) return kUiErrMemory;
        if (tw->gridDepth == 1) {
            FillDirectTable<uint8_t, uint8_t>(tw, k, table);
        } else {
            FillDirectTable<uint16_t, uint8_t>(tw, k, table);
        }
    } else {
        uint16_t* table = AllocTable<uint16_t>(entries);
        tw->direct[k] = table;
        if (table == nullptr) return kUiErrMemory;
        if (tw->gridDepth == 1) {
            FillDirectTable<uint8_t, uint16_t>(tw, k, table);
        } else {
            FillDirectTable<uint16_t, uint16_t>(tw, k, table);
        }
    }
    return kUiOk;
}

constexpr TwSimplexOrder MakeSimplexOrder(int32_t inputs) {
    TwSimplexOrder table{};
    for (uint32_t pattern = 0; pattern < 64; ++pattern) {
        // Bit of pair (i, j), i < j: f_i >= f_j. Stable descending order:
        // j comes before i when f_j > f_i, or when they are equal and j < i.
        bool geq[4][4] = {};
        uint32_t bit = 0;
        for (int32_t i = 0; i < 4; ++i) {
            for (int32_t j = i + 1; j < 4; ++j) {
                if (i >= inputs || j >= inputs) continue;
                geq[i][j] = (pattern >> bit) & 1;
                ++bit;
            }
        }
        uint32_t rank[4] = {};
        bool used[4] = {};
        bool valid = true;
        for (int32_t i = 0; i < inputs; ++i) {
            for (int32_t j = 0; j < inputs; ++j) {
                if (j < i && geq[j][i]) ++rank[i];
                if (j > i && !geq[i][j]) ++rank[i];
            }
            valid = valid && !used[rank[i]];
            used[rank[i]] = true;
        }
        for (int32_t i = 0; i < 4; ++i) {
            // Patterns no set of fractions produces get the identity order.
            const uint32_t at = (i < inputs && valid) ? rank[i] : uint32_t(i);
            table.order[pattern][at] = static_cast<uint8_t>(i);
        }
    }
    return table;
}

constexpr TwSimplexOrder kOrder3 = MakeSimplexOrder(3);
constexpr TwSimplexOrder kOrder4 = MakeSimplexOrder(4);

void ComputeSimplexOffsets(Tintwork* tw) {
    const int32_t inputs = tw->inputChannels;
    const TwSimplexOrder& order = TwSimplexOrderTable(inputs);
    tw->farCorner = 0;
    for (int32_t c = 0; c < inputs; ++c) tw->farCorner += int32_t(tw->inputChannel[c].stride);
    for (uint32_t pattern = 0; pattern < 64; ++pattern) {
        int32_t offset = 0;
        for (int32_t r = 0; r < 3; ++r) {
            if (r < inputs - 1) offset += int32_t(tw->inputChannel[order.order[pattern][r]].stride);
            tw->simplexOffset[pattern][r] = offset;
        }
    }
}

// Which derived tables a change makes stale.
struct Rebuild {
    uint32_t inputs;   // bit c: input c's offset, fraction and node-map tables
    uint32_t outputs;  // bit k: output k's table
    bool direct;       // the direct tables of the table-only shapes
};

void FreeRebuilt(Tintwork* t, const Rebuild& what) {
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        if (what.inputs & (1u << c)) {
            Ui_Free(t->inputChannel[c].nodeMap);
            Ui_Free(t->inputChannel[c].offsetTable);
            Ui_Free(t->inputChannel[c].fraction);
            Ui_Free(t->inputChannel[c].located);
        }
        if (what.outputs & (1u << c)) {
            Ui_Free(t->outputChannel[c].table8);
            Ui_Free(t->outputChannel[c].table16);
        }
        if (what.direct) Ui_Free(t->direct[c]);
    }
}

void ClearRebuilt(Tintwork* t, const Rebuild& what) {
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        if (what.inputs & (1u << c)) {
            t->inputChannel[c].nodeMap = nullptr;
            t->inputChannel[c].offsetTable = nullptr;
            t->inputChannel[c].fraction = nullptr;
            t->inputChannel[c].located = nullptr;
        }
        if (what.outputs & (1u << c)) {
            t->outputChannel[c].table8 = nullptr;
            t->outputChannel[c].table16 = nullptr;
        }
        if (what.direct) t->direct[c] = nullptr;
    }
}

// Builds the stale tables for the settings in `next` (a copy of *tw with
// changed fields) and swaps them into tw only when every one was built; on
// failure tw is left as it was.
int32_t Commit(Tintwork* tw, Tintwork next, Rebuild what) {
    for (int32_t c = 0; c < kTwMaxChannels; ++c) {
        if (!HasInputTables(&next, c)) what.inputs &= ~(1u << c);
        if (c >= next.outputChannels) what.outputs &= ~(1u << c);
    }
    what.direct = what.direct && next.finished && TwIsTableOnly(&next);
    ComputeStrides(&next);
    ClearRebuilt(&next, what);
    int32_t status = kUiOk;
    for (int32_t c = 0; c < kTwMaxChannels && status == kUiOk; ++c) {
        if (what.inputs & (1u << c)) status = BuildInputTables(&next, c);
    }
    for (int32_t k = 0; k < kTwMaxChannels && status == kUiOk; ++k) {
        if (what.outputs & (1u << k)) status = BuildOutputTableInto(&next, k);
    }
    for (int32_t k = 0; what.direct && k < next.outputChannels && status == kUiOk; ++k) {
        status = BuildDirectTable(&next, k);
    }
    if (status != kUiOk) {
        FreeRebuilt(&next, what);
        return status;
    }
    FreeRebuilt(tw, what);
    if (next.finished) {
        ComputeSimplexOffsets(&next);
        next.kernel = TwFindKernel(&next);
        if (next.kernel == nullptr) next.finished = 0;
    }
    *tw = next;
    return kUiOk;
}

constexpr Rebuild kEverything = {0xF, 0xF, true};

void SetShiftForDepths(Tintwork* tw) {
    // (gridDepth, outputDepth): (1,1) rounds to 8 bits; (1,2) gives the 8-bit
    // result × 256, so 255 becomes 65280; (2,1) truncates; (2,2) rounds.
    static const int32_t kShift[2][2] = {{15, 7}, {23, 15}};
    static const int32_t kRounding[2][2] = {{16384, 127}, {0, 16384}};
    tw->shift = kShift[tw->gridDepth - 1][tw->outputDepth - 1];
    tw->rounding = kRounding[tw->gridDepth - 1][tw->outputDepth - 1];
}

bool IsUniformNodeCount(uint32_t count) {
    return count == 2 || count == 3 || count == 5 || count == 9 || count == 17;
}

}  // namespace

uint32_t TwLog2(uint32_t v) {
    uint32_t n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

const TwSimplexOrder& TwSimplexOrderTable(int32_t inputs) {
    return inputs == 4 ? kOrder4 : kOrder3;
}

int32_t TwBuildOutputTable(Tintwork* tw, int32_t k) {
    Ui_Free(tw->outputChannel[k].table8);
    Ui_Free(tw->outputChannel[k].table16);
    tw->outputChannel[k].table8 = nullptr;
    tw->outputChannel[k].table16 = nullptr;
    return BuildOutputTableInto(tw, k);
}

int32_t SetInputNodes(Tintwork* tw, int32_t channel, uint32_t count, const uint16_t* nodes) {
    if (tw == nullptr || channel < 0 || channel >= tw->inputChannels) return kUiErrArg;
    if (tw->grid != nullptr) return kUiErrArg;  // the grid's layout is fixed by now
    Tintwork next = *tw;
    TWInput& in = next.inputChannel[channel];
    if (TwIsTableOnly(tw)) {
        in.nodeCount = TwFullTableLength(tw->gridDepth);
        *tw = next;
        return kUiOk;
    }
    if (tw->kind != kTwKindExplicit) {
        if (!IsUniformNodeCount(count)) return kUiErrUnsupported;
        for (int32_t c = 0; c < tw->inputChannels; ++c) {
            const uint32_t other = tw->inputChannel[c].nodeCount;
            if (c != channel && other != 1 && other != count) return kUiErrUnsupported;
        }
        const uint32_t step = 256u >> TwLog2(count - 1);
        for (uint32_t i = 0; i < count; ++i) in.nodes[i] = static_cast<uint16_t>(i * step);
        in.nodes[count - 1] = 255;
    } else {
        if (count < 2 || count > kTwMaxNodes || nodes == nullptr) return kUiErrArg;
        if (nodes[0] != 0 || nodes[count - 1] != TwGridMax(tw->gridDepth)) return kUiErrArg;
        for (uint32_t i = 1; i < count; ++i) {
            if (nodes[i] <= nodes[i - 1]) return kUiErrArg;
        }
        std::memcpy(in.nodes, nodes, count * sizeof(uint16_t));
    }
    in.nodeCount = count;
    uint64_t values = uint32_t(next.outputChannels);
    for (int32_t c = 0; c < next.inputChannels; ++c) values *= next.inputChannel[c].nodeCount;
    if (values * uint32_t(next.gridDepth) > kMaxGridBytes) return kUiErrMemory;
    // Every stride after this input changes with its count.
    return Commit(tw, next, {0xF, 0, false});
}

int32_t SetGridNode(Tintwork* tw, uint32_t nodeIndex, const void* values) {
    if (tw == nullptr || values == nullptr) return kUiErrArg;
    const uint64_t total = GridValueCount(tw);
    if (total == 0) return kUiErrArg;  // some input has no nodes yet
    const uint32_t outputs = uint32_t(tw->outputChannels);
    const uint32_t nodesInGrid = static_cast<uint32_t>(total / outputs);
    if (nodeIndex >= nodesInGrid) return kUiErrArg;
    UI_TRY(TwAllocGrid(tw));
    const bool tableOnly = TwIsTableOnly(tw);
    for (uint32_t k = 0; k < outputs; ++k) {
        const size_t at =
            tableOnly ? size_t(k) * nodesInGrid + nodeIndex : size_t(nodeIndex) * outputs + k;
        if (tw->gridDepth == 2) {
            static_cast<uint16_t*>(tw->grid)[at] = static_cast<const uint16_t*>(values)[k];
        } else {
            static_cast<uint8_t*>(tw->grid)[at] = static_cast<const uint8_t*>(values)[k];
        }
    }
    if (nodeIndex + 1 < nodesInGrid) {
        // The derived tables of a table-only shape hold the values: stale now.
        if (tableOnly) tw->finished = 0;
        return kUiOk;
    }
    return TwFinish(tw);
}

int32_t TwAllocGrid(Tintwork* tw) {
    if (tw->grid != nullptr) return kUiOk;
    const uint64_t total = GridValueCount(tw);
    if (total == 0) return kUiErrArg;
    const size_t bytes = tw->gridDepth == 2 ? 2 : 1;
    tw->grid = Ui_MallocArray(size_t(total) + 2 * kTwTablePad, bytes);
    if (tw->grid == nullptr) return kUiErrMemory;
    std::memset(tw->grid, 0, (size_t(total) + 2 * kTwTablePad) * bytes);
    tw->gridValues = static_cast<uint32_t>(total);
    return kUiOk;
}

int32_t TwFinish(Tintwork* tw) {
    // Every derived table is rebuilt for the current depths and ranges.
    const bool tableOnly = TwIsTableOnly(tw);
    Tintwork next = *tw;
    next.finished = 1;
    if (tableOnly) {
        for (int32_t c = 0; c < next.inputChannels; ++c) {
            next.inputChannel[c].nodeCount = TwFullTableLength(next.gridDepth);
        }
    }
    SetShiftForDepths(&next);
    return Commit(tw, next, kEverything);
}

int32_t SetDepth(Tintwork* tw, int32_t side, int32_t depth) {
    if (tw == nullptr || (side != kTwSideInput && side != kTwSideOutput)) return kUiErrArg;
    if (depth != 1 && depth != 2) return kUiErrArg;
    Tintwork next = *tw;
    const uint32_t full = TwCodeMax(depth);
    if (side == kTwSideInput) {
        next.inputDepth = depth;
        for (TWInput& in : next.inputChannel) {
            in.rangeMin = 0;
            in.rangeMax = full;
        }
        return Commit(tw, next, {0xF, 0, true});
    }
    next.outputDepth = depth;
    for (TWOutput& o : next.outputChannel) {
        o.rangeMin = 0;
        o.rangeMax = full;
    }
    SetShiftForDepths(&next);
    return Commit(tw, next, {0, 0xF, true});
}

int32_t SetRange(Tintwork* tw, int32_t side, int32_t channel, uint32_t min, uint32_t max) {
    if (tw == nullptr || min == max || channel < 0) return kUiErrArg;
    Tintwork next = *tw;
    if (side == kTwSideInput) {
        if (channel >= tw->inputChannels) return kUiErrArg;
        if (tw->inputChannel[channel].nodeCount < 2) return kUiErrGeneral;
        next.inputChannel[channel].rangeMin = min;
        next.inputChannel[channel].rangeMax = max;
        return Commit(tw, next, {1u << channel, 0, true});
    }
    if (side != kTwSideOutput || channel >= tw->outputChannels) return kUiErrArg;
    next.outputChannel[channel].rangeMin = min;
    next.outputChannel[channel].rangeMax = max;
    return Commit(tw, next, {0, 1u << channel, true});
}
