#include "resources/plugin_properties.h"

#include <cstring>

namespace {

// ---- The description ---------------------------------------------------------

constexpr char kMenuName[] = "Vantoria 2.0...";
constexpr char kCategory[] = "Quorvane";
constexpr char kEntryPoint[] = "PluginMain";
constexpr char kUniqueString[] = "Quorvane Vantoria 2.0";
constexpr char kEnableCondition[] = "in (PSHOP_ImageMode, RGBMode, RGB48Mode)";
constexpr char kSuiteName[] = "Quorvane";
constexpr char kSuiteDescription[] = "Quorvane plug-ins";
constexpr char kEventDescription[] = "Vantoria filter plug-in";
constexpr char kParameterName[] = "Data";

constexpr uint32_t FourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kVendor = FourCC("8BIM");
constexpr uint32_t kFilterKind = FourCC("8BFM");
constexpr uint32_t kScriptCode = FourCC("sdk1");  // suite, event class and event id
constexpr uint32_t kParameterKey = FourCC("Dt  ");
constexpr uint32_t kInterfaceVersion = 0x00040000;  // 4.0: major in the high half
constexpr int32_t kMaxImageSide = 3000000;
constexpr uint8_t kModeFlags[4] = {0x10, 0, 0, 0};  // RGB colour only (bit 7 - 3 of byte 0)
constexpr uint8_t kLayerSupport[4] = {0x80, 0, 0, 0};
constexpr int kFilterCases = 7;
// Every case: straight data in and out, host does not copy source to destination.
constexpr uint8_t kFilterCaseInfo[4] = {1, 1, 1, 0};
constexpr uint16_t kDirectParameterFlags = 0xB000;

// ---- Little-endian writer ----------------------------------------------------------

// Counts every byte; stores only while the buffer has room.
struct Writer {
    uint8_t* out;
    uint32_t capacity;
    uint32_t pos;

    void Byte(uint8_t b) {
        if (out != nullptr && pos < capacity) out[pos] = b;
        ++pos;
    }
    void Bytes(const void* p, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) Byte(static_cast<const uint8_t*>(p)[i]);
    }
    void U16(uint16_t v) {
        Byte(uint8_t(v));
        Byte(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Pascal(const char* s) {
        const uint32_t n = uint32_t(std::strlen(s));
        Byte(uint8_t(n));
        Bytes(s, n);
    }
    void CString(const char* s) { Bytes(s, uint32_t(std::strlen(s)) + 1); }
    void PadTo4(uint32_t start) {
        while ((pos - start) % 4 != 0) Byte(0);
    }
    void PatchU32(uint32_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i, v >>= 8)
            if (out != nullptr && at + i < capacity) out[at + i] = uint8_t(v);
    }
};

// ---- PIPL properties ----------------------------------------------------------------

void WriteKind(Writer& w) {
    w.U32(kFilterKind);
}
void WriteName(Writer& w) {
    w.Pascal(kMenuName);
}
void WriteCategory(Writer& w) {
    w.Pascal(kCategory);
}
void WriteVersion(Writer& w) {
    w.U32(kInterfaceVersion);
}
void WriteEntryPoint(Writer& w) {
    w.CString(kEntryPoint);
}
void WriteModes(Writer& w) {
    w.Bytes(kModeFlags, sizeof kModeFlags);
}
void WriteEnable(Writer& w) {
    w.CString(kEnableCondition);
}
void WriteLayerSupport(Writer& w) {
    w.Bytes(kLayerSupport, sizeof kLayerSupport);
}

// Terminology record, byte-packed: version, class, event, AETE id, scope string.
void WriteTerminology(Writer& w) {
    w.U32(0);
    w.U32(kScriptCode);
    w.U32(kScriptCode);
    w.U16(uint16_t(kPluginPropertiesResourceId));
    w.CString(kUniqueString);
}

// Rows (v) first, then columns (h).
void WriteMaxSize(Writer& w) {
    w.U32(uint32_t(kMaxImageSide));
    w.U32(uint32_t(kMaxImageSide));
}

void WriteFilterCases(Writer& w) {
    for (int i = 0; i < kFilterCases; ++i) w.Bytes(kFilterCaseInfo, sizeof kFilterCaseInfo);
}

struct PiplProperty {
    uint32_t key;
    void (*write)(Writer&);
};

const PiplProperty kPiplProperties[] = {
    {FourCC("kind"), WriteKind},         {FourCC("name"), WriteName},
    {FourCC("catg"), WriteCategory},     {FourCC("vers"), WriteVersion},
    {FourCC("8664"), WriteEntryPoint},   {FourCC("wx86"), WriteEntryPoint},
    {FourCC("hstm"), WriteTerminology},  {FourCC("mode"), WriteModes},
    {FourCC("enbl"), WriteEnable},       {FourCC("ms32"), WriteMaxSize},
    {FourCC("flly"), WriteLayerSupport}, {FourCC("fici"), WriteFilterCases},
};
constexpr uint32_t kPiplPropertyCount = sizeof kPiplProperties / sizeof kPiplProperties[0];

int32_t Finish(const Writer& w, uint8_t* out, uint32_t capacity, uint32_t* size) {
    if (size != nullptr) *size = w.pos;
    if (w.pos > capacity || out == nullptr) {
        if (out != nullptr && capacity > 0) std::memset(out, 0, capacity);
        return -1;
    }
    return 0;
}

}  // namespace

// Header: a reserved word 1, the list version 0 and the property count; then
// each property as vendor, key, id 0, length and data. Lengths are written
// already padded to a multiple of 4, as hosts advance by them unrounded.
int32_t BuildPipl(uint8_t* out, uint32_t capacity, uint32_t* size) {
    Writer w{out, capacity, 0};
    w.U16(1);
    w.U32(0);
    w.U32(kPiplPropertyCount);
    for (const PiplProperty& p : kPiplProperties) {
        w.U32(kVendor);
        w.U32(p.key);
        w.U32(0);
        const uint32_t lengthAt = w.pos;
        w.U32(0);
        const uint32_t start = w.pos;
        p.write(w);
        w.PadTo4(start);
        w.PatchU32(lengthAt, w.pos - start);
    }
    return Finish(w, out, capacity, size);
}

// One suite with one event whose single parameter carries the settings text.
// Windows form: a reserved word 1 first, no alignment after strings.
int32_t BuildAete(uint8_t* out, uint32_t capacity, uint32_t* size) {
    Writer w{out, capacity, 0};
    w.U16(1);
    w.Byte(1);  // version 1.0
    w.Byte(0);
    w.U16(0);  // language
    w.U16(0);  // script
    w.U16(1);  // suites
    w.Pascal(kSuiteName);
    w.Pascal(kSuiteDescription);
    w.U32(kScriptCode);
    w.U16(1);  // level
    w.U16(1);  // version
    w.U16(1);  // events
    w.Pascal(kMenuName);
    w.Pascal(kEventDescription);
    w.U32(kScriptCode);     // class
    w.U32(kScriptCode);     // id
    w.U32(FourCC("null"));  // no reply
    w.Pascal("");
    w.U16(0);
    w.U32(FourCC("#ImR"));  // direct parameter: the image
    w.Pascal("");
    w.U16(kDirectParameterFlags);
    w.U16(1);  // parameters
    w.Pascal(kParameterName);
    w.U32(kParameterKey);
    w.U32(FourCC("TEXT"));
    w.Pascal("");
    w.U16(0);
    w.U16(0);  // classes
    w.U16(0);  // comparison operators
    w.U16(0);  // enumerations
    return Finish(w, out, capacity, size);
}
