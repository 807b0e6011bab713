#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/tintwork.h"
#include "tests/support/test_support.h"
#include "tests/tintwork_fixture.h"
#include "ui/allocator.h"

namespace {

// nodes: the count on input 0; the others get 5 (3 when input 0 has 256).
Tintwork* Build(int inputs, int outputs, int gridDepth, int hasGrid, uint32_t nodes) {
    const uint32_t max = gridDepth == 2 ? 65535 : 255, others = nodes == 256 ? 3 : nodes;
    Tintwork* tw = nullptr;
    EXPECT_EQ(TwBuild(
                  &tw, inputs, outputs, gridDepth,
                  {TwEvenNodes(nodes, max), TwEvenNodes(others, max), TwEvenNodes(others, max),
                   TwEvenNodes(others, max)},
                  [max](const uint32_t* idx, int k) {
                      return (idx[0] * 7919u + idx[1] * 104729u + idx[2] * 31u + k * 977u) %
                             (max + 1);
                  },
                  hasGrid),
              kUiOk);
    return tw;
}

bool SameTintwork(const Tintwork* a, const Tintwork* b) {
    if (a->kind != b->kind || a->inputChannels != b->inputChannels ||
        a->outputChannels != b->outputChannels || a->inputSpace != b->inputSpace ||
        a->outputSpace != b->outputSpace || a->hasGrid != b->hasGrid ||
        a->gridDepth != b->gridDepth || a->gridValues != b->gridValues) {
        return false;
    }
    for (int c = 0; c < a->inputChannels; ++c) {
        if (a->inputChannel[c].nodeCount != b->inputChannel[c].nodeCount) return false;
        if (a->inputChannel[c].nodeCount <= 256 &&
            std::memcmp(a->inputChannel[c].nodes, b->inputChannel[c].nodes,
                        a->inputChannel[c].nodeCount * 2) != 0) {
            return false;
        }
    }
    return std::memcmp(a->grid, b->grid, size_t(a->gridValues) * (a->gridDepth == 2 ? 2 : 1)) == 0;
}

TEST(TintworkStream, RoundTripsEveryShape) {
    struct Shape {
        int inputs, outputs, gridDepth, hasGrid;
        uint32_t nodes;
    };
    const Shape shapes[] = {{3, 3, 1, 1, 33}, {3, 3, 2, 1, 17}, {4, 3, 1, 1, 9},
                            {3, 4, 2, 1, 5},  {1, 3, 1, 1, 2},  {1, 4, 2, 1, 2},
                            {3, 3, 2, 0, 2},  {4, 4, 1, 0, 2},  {3, 3, 1, 1, 256}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << s.inputs << "/" << s.outputs << " depth " << s.gridDepth
                                        << " grid " << s.hasGrid << " nodes " << s.nodes);
        Tintwork* tw = Build(s.inputs, s.outputs, s.gridDepth, s.hasGrid, s.nodes);
        ASSERT_NE(tw, nullptr);
        std::vector<uint8_t> bytes = TwStreamOf(tw);
        Tintwork* back = nullptr;
        ASSERT_EQ(ReadTintworkStream(bytes.data(), uint32_t(bytes.size()), &back), kUiOk);
        EXPECT_TRUE(SameTintwork(tw, back));
        EXPECT_EQ(CheckTintwork(back), kUiOk);
        // The writer restores nothing because it changes nothing: a second
        // stream is the same.
        EXPECT_EQ(TwStreamOf(tw), bytes);
        DestroyTintwork(back);
        DestroyTintwork(tw);
    }
}

TEST(TintworkStream, HeaderLayoutUnderTheScrambling) {
    Tintwork* tw = Build(3, 3, 2, 1, 5);
    std::vector<uint8_t> bytes = TwStreamOf(tw);
    EXPECT_NE(bytes[0], 19);  // scrambled on the wire
    TwScrambleStream(bytes.data(), uint32_t(bytes.size()));
    const uint8_t expect[14] = {19, 0x35, 3, 3, 5, 5, 5, 1, 2, 1, 1, 1, 1, 1};
    EXPECT_EQ(0, std::memcmp(bytes.data(), expect, sizeof expect));
    for (uint32_t i = 14; i < kTwStreamHeaderBytes; ++i) EXPECT_EQ(bytes[i], 0) << i;
    // Node lists follow, big-endian: node 1 of input 0 is 16384.
    EXPECT_EQ(bytes[128 + 2], 0x40);
    EXPECT_EQ(bytes[128 + 3], 0x00);
    DestroyTintwork(tw);

    Tintwork* uniform = nullptr;
    ASSERT_EQ(CreateTintwork(&uniform, 3, 3, 1, 1, 1, kTwKindUniform0, 1), kUiOk);
    for (int c = 0; c < 3; ++c) ASSERT_EQ(SetInputNodes(uniform, c, 17, nullptr), kUiOk);
    const uint8_t v[3] = {1, 2, 3};
    for (uint32_t n = 0; n < 17 * 17 * 17; ++n) ASSERT_EQ(SetGridNode(uniform, n, v), kUiOk);
    bytes = TwStreamOf(uniform);
    EXPECT_EQ(bytes.size(), 128u + 17 * 17 * 17 * 3);
    TwScrambleStream(bytes.data(), uint32_t(bytes.size()));
    EXPECT_EQ(bytes[4], 4);  // log2(17 - 1)
    EXPECT_EQ(bytes[7], 0);
    EXPECT_EQ(bytes[9], 0);  // kind 0 leaves the spaces out
    DestroyTintwork(uniform);
}

TEST(TintworkStream, WriterRefusals) {
    Tintwork* tw = Build(3, 3, 1, 1, 3);
    std::vector<uint8_t> bytes(100);
    TwStream small{bytes.data(), uint32_t(bytes.size()), 0};
    EXPECT_EQ(WriteTintworkStream(tw, &small), kUiErrWrite);
    EXPECT_EQ(small.length, 0u);
    EXPECT_EQ(WriteTintworkStream(nullptr, &small), kUiErrArg);
    Tintwork* unfinished = nullptr;
    ASSERT_EQ(CreateTintwork(&unfinished, 3, 3, 1, 1, 1, kTwKindExplicit, 1), kUiOk);
    EXPECT_EQ(WriteTintworkStream(unfinished, &small), kUiErrArg);
    DestroyTintwork(unfinished);
    DestroyTintwork(tw);
}

// Edits one plain byte of a stream and scrambles it back.
std::vector<uint8_t> WithByte(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    TwScrambleStream(bytes.data(), uint32_t(bytes.size()));
    bytes[at] = value;
    TwScrambleStream(bytes.data(), uint32_t(bytes.size()));
    return bytes;
}

TEST(TintworkStream, ReaderRefusesMalformedStreams) {
    Tintwork* tw = Build(3, 3, 1, 1, 5);
    const std::vector<uint8_t> good = TwStreamOf(tw);
    DestroyTintwork(tw);
    struct Edit {
        size_t at;
        uint8_t value;
        const char* what;
    };
    const Edit edits[] = {
        {kTwHeaderMagic0, 18, "first magic byte"},
        {kTwHeaderMagic1, 0x36, "second magic byte"},
        {kTwHeaderInputs, 0, "no inputs"},
        {kTwHeaderOutputs, 5, "five outputs"},
        {kTwHeaderKind, 3, "kind"},
        {kTwHeaderInputSpace, 4, "space for 3 inputs"},
        {kTwHeaderHasGrid, 2, "hasGrid"},
        {kTwHeaderWide, 1, "depth bytes differ"},
        {kTwHeaderReserved + 6, 1, "reserved byte"},
        {kTwHeaderNodes, 1, "one node"},
        {kTwHeaderNodes + 3, 0, "absent input"},
        {kTwStreamHeaderBytes + 1, 0, "nodes not rising"},
        {kTwStreamHeaderBytes + 4, 200, "last node"},
        {kTwHeaderNodes + 1, 6, "more nodes than sent"},
    };
    for (const Edit& e : edits) {
        const std::vector<uint8_t> bad = WithByte(good, e.at, e.value);
        Tintwork* out = reinterpret_cast<Tintwork*>(1);
        EXPECT_EQ(ReadTintworkStream(bad.data(), uint32_t(bad.size()), &out), kUiErrFormat)
            << e.what;
        EXPECT_EQ(out, nullptr);
    }
    // Cut anywhere: refused, and the reader stays inside the bytes it has
    // (each cut copied to a buffer of exactly that size for the sanitizer).
    for (size_t size = 0; size < good.size(); size += (size < 200 ? 1 : 7)) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + size);
        Tintwork* out = nullptr;
        EXPECT_EQ(ReadTintworkStream(cut.data(), uint32_t(size), &out), kUiErrFormat) << size;
    }
    // Bytes after the grid do not matter.
    std::vector<uint8_t> longer = good;
    longer.resize(good.size() + 10, 0xAB);
    Tintwork* out = nullptr;
    EXPECT_EQ(ReadTintworkStream(longer.data(), uint32_t(longer.size()), &out), kUiOk);
    DestroyTintwork(out);
}

TEST(TintworkStream, ReaderAllocationFailuresReleaseEverything) {
    Tintwork* tw = Build(3, 3, 2, 1, 9);
    const std::vector<uint8_t> bytes = TwStreamOf(tw);
    DestroyTintwork(tw);
    for (bool persistent : {false, true}) {
        for (uint32_t n = 1;; ++n) {
            const uint32_t blocks = Ui_Mem_Stats().nMallocs;
            Ui_Mem_InjectFailure(n, persistent);
            Tintwork* out = nullptr;
            const int32_t status = ReadTintworkStream(bytes.data(), uint32_t(bytes.size()), &out);
            const bool reached = Ui_Mem_RequestCount() >= n;
            Ui_Mem_InjectFailure(0, false);
            DestroyTintwork(out);
            EXPECT_EQ(Ui_Mem_Stats().nMallocs, blocks) << n;
            if (!reached) {
                EXPECT_EQ(status, kUiOk);
                break;
            }
            EXPECT_EQ(status, kUiErrMemory) << n;
            EXPECT_EQ(out, nullptr);
        }
    }
}

// The fuzz target's seeds are streams from the writer, unscrambled (the
// target scrambles its input). Rebuilt here and compared with the committed
// files; VANTORIA_WRITE_CORPUS=1 writes them into the source tree instead.
TEST(TintworkStream, FuzzSeedsComeFromTheWriter) {
    const char* root = std::getenv("VANTORIA_SOURCE_DIR");
    if (root == nullptr) GTEST_SKIP() << "VANTORIA_SOURCE_DIR not set";
    const bool write = std::getenv("VANTORIA_WRITE_CORPUS") != nullptr;
    struct Seed {
        const char* name;
        int inputs, outputs, gridDepth, hasGrid;
        uint32_t nodes;
    };
    const Seed seeds[] = {{"rgb8", 3, 3, 1, 1, 9},
                          {"rgb16", 3, 3, 2, 1, 5},
                          {"cmyk-to-rgb", 4, 3, 1, 1, 3},
                          {"grey-table", 1, 3, 1, 1, 2},
                          {"no-grid", 3, 3, 1, 0, 2}};
    for (const Seed& s : seeds) {
        Tintwork* tw = Build(s.inputs, s.outputs, s.gridDepth, s.hasGrid, s.nodes);
        std::vector<uint8_t> plain = TwStreamOf(tw);
        DestroyTintwork(tw);
        TwScrambleStream(plain.data(), uint32_t(plain.size()));
        const std::string path = std::string(root) + "/fuzz/corpus/tintwork_stream/" + s.name;
        if (write) {
            EXPECT_TRUE(WriteWholeFile(path, plain)) << path;
            continue;
        }
        std::vector<uint8_t> committed;
        EXPECT_TRUE(ReadWholeFile(path, &committed)) << path;
        EXPECT_EQ(committed, plain) << s.name;
    }
}

}  // namespace
