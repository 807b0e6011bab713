// The property list and scripting terminology as a host finds them.
#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/property_list.h"
#include "apps/vantoria_host/report.h"
#include "resources/plugin_properties.h"

namespace {
constexpr char kMenuName[] = "Vantoria 2.0...";
constexpr char kCategory[] = "Quorvane";
constexpr uint32_t kFilterKind = FourCharCode("8BFM");
constexpr uint32_t kInterfaceVersion = 0x00040000;  // 4.0
constexpr uint32_t kRgbModeBit = 0x10;              // first byte of the mode flags

bool LoadBytes(HMODULE module, const char* type, const uint8_t** bytes, uint32_t* size) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kPluginPropertiesResourceId), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    *bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    *size = found ? uint32_t(SizeofResource(module, found)) : 0;
    return *bytes != nullptr;
}

bool Find(const PropertyList& list, const char (&key)[5], Property* property) {
    if (PropertyList_Find(list, FourCharCode(key), property)) return true;
    char what[32];
    std::snprintf(what, sizeof what, "pipl %s", key);
    Report(false, what, "no such property");
    return false;
}

void CheckString(const PropertyList& list, const char (&key)[5], bool counted, const char* want) {
    Property p;
    if (!Find(list, key, &p)) return;
    char text[256] = {};
    const bool read = counted ? Property_PascalString(p, text, sizeof text)
                              : Property_CString(p, text, sizeof text);
    char what[320];
    std::snprintf(what, sizeof what, "pipl %s: %s", key, want);
    Report(read && std::strcmp(text, want) == 0, what, "found \"%s\"",
           read ? text : "(unreadable)");
}

void CheckWord(const PropertyList& list, const char (&key)[5], uint32_t want, const char* shown) {
    Property p;
    if (!Find(list, key, &p)) return;
    const uint32_t value = p.length >= 4 ? ReadLE32(p.data) : 0;
    char what[64];
    std::snprintf(what, sizeof what, "pipl %s: %s", key, shown);
    Report(p.length == 4 && value == want, what, "found 0x%08X in %u bytes", unsigned(value),
           unsigned(p.length));
}
}  // namespace

void CheckPropertyList(HMODULE module, char* entryName, size_t capacity) {
    entryName[0] = 0;
    const uint8_t* bytes;
    uint32_t size;
    if (!Report(LoadBytes(module, "PIPL", &bytes, &size), "pipl: resource 16000 found",
                "not in the module"))
        return;
    PropertyList list;
    char why[128] = {};
    char what[64];
    std::snprintf(what, sizeof what, "pipl: %u bytes read back", unsigned(size));
    if (!Report(PropertyList_Open(bytes, size, &list, why, sizeof why), what, "%s", why)) return;

    CheckWord(list, "kind", kFilterKind, "8BFM (filter)");
    CheckWord(list, "vers", kInterfaceVersion, "4.0");
    CheckString(list, "name", true, kMenuName);
    CheckString(list, "catg", true, kCategory);
    Property modes;
    if (Find(list, "mode", &modes))
        Report(modes.length >= 1 && modes.data[0] == kRgbModeBit, "pipl mode: RGB only",
               "first byte 0x%02X", modes.length >= 1 ? unsigned(modes.data[0]) : 0u);

    Property entry;
    if (!Find(list, "8664", &entry)) return;
    char name[128];
    if (!Report(Property_CString(entry, name, sizeof name), "pipl 8664: entry point name read",
                "not a terminated string"))
        return;
    std::snprintf(what, sizeof what, "entry point exported: %s", name);
    const FARPROC proc = GetProcAddress(module, name);
    const DWORD error = GetLastError();
    if (Report(proc != nullptr, what, "GetProcAddress error %lu", error))
        std::snprintf(entryName, capacity, "%s", name);
}

// The terminology resource named by the property list: version 1.0 and the
// one suite of the maker.
void CheckTerminology(HMODULE module) {
    const uint8_t* bytes;
    uint32_t size;
    if (!Report(LoadBytes(module, "AETE", &bytes, &size), "aete: resource 16000 found",
                "not in the module"))
        return;
    // reserved word, version major and minor, language, script, suite count,
    // then the suite's name as a Pascal string.
    constexpr uint32_t kNameAt = 10;
    const bool header = size > kNameAt && ReadLE16(bytes) == 1 && bytes[2] == 1 && bytes[3] == 0 &&
                        ReadLE16(bytes + 8) == 1;
    const uint32_t nameLength = size > kNameAt ? bytes[kNameAt] : 0;
    const bool named = header && kNameAt + 1 + nameLength <= size &&
                       nameLength == std::strlen(kCategory) &&
                       std::memcmp(bytes + kNameAt + 1, kCategory, nameLength) == 0;
    Report(named, "aete: version 1.0, one suite \"Quorvane\"", "header or suite name differs");
}
