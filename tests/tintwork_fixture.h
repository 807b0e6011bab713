// Building Tintworks for tests and benchmarks: grids filled from a function
// of the node coordinates, evenly spread node lists, a seeded generator.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/tintwork.h"
#include "ui/status.h"

// Value of output k at the node with per-input indices idx (a full table's
// entry index in idx[0] for the table-only shapes).
using TwNodeValue = std::function<uint32_t(const uint32_t* idx, int k)>;

inline int32_t TwSpaceFor(int channels) {
    return channels == 1 ? kTwSpaceGrey : channels == 4 ? kTwSpaceCmyk : kTwSpaceRgb;
}

// n nodes from 0 to max, node i = (i × max + (n - 1) / 2) / (n - 1).
inline std::vector<uint16_t> TwEvenNodes(uint32_t n, uint32_t max) {
    std::vector<uint16_t> nodes(n);
    for (uint32_t i = 0; i < n; ++i) nodes[i] = uint16_t((i * max + (n - 1) / 2) / (n - 1));
    return nodes;
}

// Builds a finished explicit-node Tintwork (kind 2); a Tintwork without grid
// when hasGrid is 0. Returns the first failing status.
inline int32_t TwBuild(Tintwork** out, int inputs, int outputs, int gridDepth,
                       const std::vector<std::vector<uint16_t>>& nodes, const TwNodeValue& value,
                       int hasGrid = 1) {
    *out = nullptr;
    Tintwork* tw = nullptr;
    int32_t status = CreateTintwork(&tw, inputs, outputs, TwSpaceFor(inputs), TwSpaceFor(outputs),
                                    hasGrid, kTwKindExplicit, gridDepth);
    if (status != kUiOk) return status;
    const bool tableOnly = hasGrid == 0 || inputs == 1;
    uint32_t counts[4] = {1, 1, 1, 1};
    uint32_t total = 1;
    for (int c = 0; c < inputs && status == kUiOk; ++c) {
        const std::vector<uint16_t>& list = nodes[size_t(c) < nodes.size() ? c : 0];
        status = SetInputNodes(tw, c, uint32_t(list.size()), list.data());
        counts[c] = tableOnly ? (gridDepth == 2 ? 65536u : 256u) : uint32_t(list.size());
        if (!tableOnly || c == 0) total *= counts[c];
    }
    uint32_t idx[4] = {};
    uint16_t v16[4];
    uint8_t v8[4];
    for (uint32_t n = 0; n < total && status == kUiOk; ++n) {
        uint32_t rest = n;
        for (int c = 0; c < inputs; ++c) {
            idx[c] = tableOnly ? n : rest % counts[c];
            rest = tableOnly ? rest : rest / counts[c];
        }
        for (int k = 0; k < outputs; ++k) {
            const uint32_t v = value(idx, k);
            v16[k] = uint16_t(v);
            v8[k] = uint8_t(v);
        }
        status = SetGridNode(tw, n, gridDepth == 2 ? static_cast<const void*>(v16) : v8);
    }
    if (status != kUiOk) {
        DestroyTintwork(tw);
        return status;
    }
    *out = tw;
    return kUiOk;
}

// The stream form of a finished Tintwork; empty when it cannot be written.
inline std::vector<uint8_t> TwStreamOf(const Tintwork* tw) {
    uint32_t size = 0;
    if (TintworkStreamSize(tw, &size) != kUiOk) return {};
    std::vector<uint8_t> bytes(size);
    TwStream stream{bytes.data(), size, 0};
    if (WriteTintworkStream(tw, &stream) != kUiOk || stream.length != size) return {};
    return bytes;
}

// A small fixed-seed generator (xorshift) for test data.
struct TwTestRandom {
    uint64_t state;
    explicit TwTestRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return uint32_t(state >> 16);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};
