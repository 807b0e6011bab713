// The property list and scripting terminology, parsed back from their bytes
// with a reader written here independently of the builder.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resources/plugin_properties.h"
#include "ui/platform.h"

namespace {

std::vector<uint8_t> Build(int32_t (*build)(uint8_t*, uint32_t, uint32_t*)) {
    uint32_t size = 0;
    EXPECT_EQ(build(nullptr, 0, &size), -1);
    std::vector<uint8_t> bytes(size);
    uint32_t again = 0;
    EXPECT_EQ(build(bytes.data(), size, &again), 0);
    EXPECT_EQ(again, size);
    return bytes;
}

// Little-endian reader that fails the test instead of reading past the end.
struct Reader {
    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool ok = true;
    explicit Reader(const std::vector<uint8_t>& bytes) : b(bytes) {}
    bool Need(size_t n) {
        if (pos + n > b.size()) ok = false;
        return ok;
    }
    uint8_t U8() { return Need(1) ? b[pos++] : 0; }
    uint16_t U16() {
        if (!Need(2)) return 0;
        const uint16_t v = uint16_t(b[pos] | (b[pos + 1] << 8));
        pos += 2;
        return v;
    }
    uint32_t U32() {
        const uint32_t lo = U16();
        return lo | (uint32_t(U16()) << 16);
    }
    // Four-character codes are stored as little-endian 32-bit values.
    std::string Code() {
        const uint32_t v = U32();
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    }
    std::string Pascal() {
        const uint8_t n = U8();
        if (!Need(n)) return std::string();
        std::string s(reinterpret_cast<const char*>(&b[pos]), n);
        pos += n;
        return s;
    }
};

struct Property {
    std::vector<uint8_t> data;  // as long as the recorded length
};

std::map<std::string, Property> ParsePipl(const std::vector<uint8_t>& bytes,
                                          std::vector<std::string>* order) {
    Reader r(bytes);
    EXPECT_EQ(r.U16(), 1);   // reserved word of the Windows form
    EXPECT_EQ(r.U32(), 0u);  // list version
    const uint32_t count = r.U32();
    std::map<std::string, Property> props;
    for (uint32_t i = 0; i < count && r.ok; ++i) {
        EXPECT_EQ(r.Code(), "8BIM");
        const std::string key = r.Code();
        EXPECT_EQ(r.U32(), 0u) << key;  // property id
        const uint32_t length = r.U32();
        EXPECT_EQ(length % 4, 0u) << key << ": lengths are written padded";
        if (!r.Need(length)) break;
        props[key].data.assign(bytes.begin() + long(r.pos), bytes.begin() + long(r.pos + length));
        order->push_back(key);
        r.pos += length;
    }
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.pos, bytes.size()) << "nothing after the last property";
    EXPECT_EQ(count, order->size());
    return props;
}

std::vector<uint8_t> Padded(std::vector<uint8_t> v) {
    while (v.size() % 4) v.push_back(0);
    return v;
}
std::vector<uint8_t> PascalBytes(const char* s) {
    std::vector<uint8_t> v{uint8_t(std::strlen(s))};
    v.insert(v.end(), s, s + std::strlen(s));
    return Padded(v);
}
std::vector<uint8_t> CStringBytes(const char* s) {
    return Padded(std::vector<uint8_t>(s, s + std::strlen(s) + 1));
}

TEST(PluginProperties, PiplHoldsEveryPropertyInOrder) {
    const std::vector<uint8_t> bytes = Build(BuildPipl);
    std::vector<std::string> order;
    std::map<std::string, Property> p = ParsePipl(bytes, &order);
    const std::vector<std::string> expected = {"kind", "name", "catg", "vers", "8664", "wx86",
                                               "hstm", "mode", "enbl", "ms32", "flly", "fici"};
    ASSERT_EQ(order, expected);

    // The first property exactly as a host reads it: '8BIM' 'kind' 0 4 '8BFM'.
    const uint8_t kind[] = {0x4D, 0x49, 0x42, 0x38, 0x64, 0x6E, 0x69, 0x6B, 0,    0,
                            0,    0,    4,    0,    0,    0,    0x4D, 0x46, 0x42, 0x38};
    ASSERT_GE(bytes.size(), 10 + sizeof kind);
    EXPECT_EQ(std::memcmp(&bytes[10], kind, sizeof kind), 0);

    EXPECT_EQ(p["name"].data, PascalBytes("Vantoria 2.0..."));
    EXPECT_EQ(p["catg"].data, PascalBytes("Quorvane"));
    EXPECT_EQ(p["vers"].data, (std::vector<uint8_t>{0, 0, 4, 0}));
    EXPECT_EQ(p["8664"].data, CStringBytes("PluginMain"));
    EXPECT_EQ(p["wx86"].data, CStringBytes("PluginMain"));
    EXPECT_EQ(p["mode"].data, (std::vector<uint8_t>{0x10, 0, 0, 0}));
    EXPECT_EQ(p["enbl"].data, CStringBytes("in (PSHOP_ImageMode, RGBMode, RGB48Mode)"));
    // 3000000 = 0x002DC6C0, rows then columns.
    EXPECT_EQ(p["ms32"].data, (std::vector<uint8_t>{0xC0, 0xC6, 0x2D, 0, 0xC0, 0xC6, 0x2D, 0}));
    EXPECT_EQ(p["flly"].data, (std::vector<uint8_t>{0x80, 0, 0, 0}));
    std::vector<uint8_t> fici;
    for (int i = 0; i < 7; ++i) fici.insert(fici.end(), {1, 1, 1, 0});
    EXPECT_EQ(p["fici"].data, fici);

    Reader t(p["hstm"].data);
    EXPECT_EQ(t.U32(), 0u);
    EXPECT_EQ(t.Code(), "sdk1");
    EXPECT_EQ(t.Code(), "sdk1");
    EXPECT_EQ(t.U16(), 16000);
    // The scope string follows at offset 14 (the record is byte-packed); 14 + 22 = 36.
    const char scope[] = "Quorvane Vantoria 2.0";
    ASSERT_EQ(p["hstm"].data.size(), 36u);
    EXPECT_EQ(std::memcmp(&p["hstm"].data[t.pos], scope, sizeof scope), 0);
}

TEST(PluginProperties, AeteDescribesOneEventWithTheDataParameter) {
    const std::vector<uint8_t> bytes = Build(BuildAete);
    Reader r(bytes);
    EXPECT_EQ(r.U16(), 1);  // reserved word of the Windows form
    EXPECT_EQ(r.U8(), 1);   // version 1.0
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.U16(), 0);  // language
    EXPECT_EQ(r.U16(), 0);  // script
    EXPECT_EQ(r.U16(), 1);  // suites
    EXPECT_EQ(r.Pascal(), "Quorvane");
    EXPECT_EQ(r.Pascal(), "Quorvane plug-ins");
    EXPECT_EQ(r.Code(), "sdk1");
    EXPECT_EQ(r.U16(), 1);  // level
    EXPECT_EQ(r.U16(), 1);  // version
    EXPECT_EQ(r.U16(), 1);  // events
    EXPECT_EQ(r.Pascal(), "Vantoria 2.0...");
    EXPECT_EQ(r.Pascal(), "Vantoria filter plug-in");
    EXPECT_EQ(r.Code(), "sdk1");  // class, as in the terminology property
    EXPECT_EQ(r.Code(), "sdk1");  // id
    EXPECT_EQ(r.Code(), "null");  // no reply
    EXPECT_EQ(r.Pascal(), "");
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.Code(), "#ImR");
    EXPECT_EQ(r.Pascal(), "");
    EXPECT_EQ(r.U16(), 0xB000);
    EXPECT_EQ(r.U16(), 1);  // parameters
    EXPECT_EQ(r.Pascal(), "Data");
    EXPECT_EQ(r.Code(), "Dt  ");
    EXPECT_EQ(r.Code(), "TEXT");
    EXPECT_EQ(r.Pascal(), "");
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 0);  // classes
    EXPECT_EQ(r.U16(), 0);  // comparison operators
    EXPECT_EQ(r.U16(), 0);  // enumerations
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.pos, bytes.size());
}

TEST(PluginProperties, TooSmallBufferIsLeftClearAndTheSizeStillReported) {
    for (auto build : {BuildPipl, BuildAete}) {
        uint32_t need = 0;
        ASSERT_EQ(build(nullptr, 0, &need), -1);
        ASSERT_LE(need, kPluginPropertiesMaxBytes);
        std::vector<uint8_t> small(need - 1, 0xAA);
        uint32_t size = 0;
        EXPECT_EQ(build(small.data(), uint32_t(small.size()), &size), -1);
        EXPECT_EQ(size, need);
        EXPECT_EQ(small, std::vector<uint8_t>(need - 1, 0));
    }
}

TEST(PluginProperties, ResourceLookupServesTheBuiltBytes) {
    const struct {
        const char* type;
        int32_t (*build)(uint8_t*, uint32_t, uint32_t*);
    } cases[] = {{"PIPL", BuildPipl}, {"PiPL", BuildPipl}, {"AETE", BuildAete}};
    for (const auto& c : cases) {
        const void* data = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(Plat_FindResource(Plat_ModuleInstance(), c.type, 16000, &data, &size), 0)
            << c.type;
        const std::vector<uint8_t> expected = Build(c.build);
        ASSERT_EQ(size, expected.size());
        EXPECT_EQ(std::memcmp(data, expected.data(), size), 0) << c.type;
    }
    const void* data = &data;
    uint32_t size = 7;
    EXPECT_NE(Plat_FindResource(nullptr, "PIPL", 16001, &data, &size), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(Plat_FindResource(nullptr, "DLOG", 16000, &data, &size), 0);
}

}  // namespace
