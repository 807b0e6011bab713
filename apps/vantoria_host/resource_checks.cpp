// The string table and the version information of the module, compared with
// the table the Linux build compiles.
#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/module_checks.h"
#include "apps/vantoria_host/report.h"
#include "resources/string_table.h"

namespace {
const char* TableText(StringId id) {
    const StringTableEntry* entry = FindStringTableEntry(id);
    return entry != nullptr ? entry->text : "";
}
}  // namespace

void CheckStringTable(HMODULE module) {
    char text[2048];
    int32_t matching = 0;
    for (int32_t i = 0; i < kStringTableCount; ++i) {
        const StringTableEntry& e = kStringTable[i];
        const int length = LoadStringA(module, UINT(e.id), text, sizeof text);
        if (length >= 0 && std::strcmp(text, e.text) == 0) {
            ++matching;
            continue;
        }
        char what[64];
        std::snprintf(what, sizeof what, "string %d", int(e.id));
        Report(false, what, "reads \"%s\", want \"%s\"", text, e.text);
    }
    char what[64];
    std::snprintf(what, sizeof what, "string table: %d entries read back", int(matching));
    Report(matching == kStringTableCount, what, "%d differ", int(kStringTableCount - matching));
}

void CheckVersionInfo(const char* modulePath) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(modulePath, &ignored);
    static char info[8192];
    const bool read =
        size > 0 && size <= sizeof info && GetFileVersionInfoA(modulePath, 0, size, info);
    if (!Report(read, "version info: present", "%lu bytes, not read", size)) return;
    char* product = nullptr;
    char* version = nullptr;
    UINT length = 0;
    VerQueryValueA(info, "\\StringFileInfo\\040904B0\\ProductName",
                   reinterpret_cast<void**>(&product), &length);
    VerQueryValueA(info, "\\StringFileInfo\\040904B0\\ProductVersion",
                   reinterpret_cast<void**>(&version), &length);
    VS_FIXEDFILEINFO* fixed = nullptr;
    VerQueryValueA(info, "\\", reinterpret_cast<void**>(&fixed), &length);
    const char* wantProduct = TableText(kStrProductName);
    const char* wantVersion = TableText(kStrVersion);
    char what[128];
    std::snprintf(what, sizeof what, "version info: %s %s", wantProduct, wantVersion);
    const bool texts = product && version && std::strcmp(product, wantProduct) == 0 &&
                       std::strcmp(version, wantVersion) == 0;
    const unsigned major = fixed ? unsigned(fixed->dwFileVersionMS >> 16) : 0;
    const unsigned minor = fixed ? unsigned(fixed->dwFileVersionMS & 0xFFFF) : 0;
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%u.%u", major, minor);
    Report(texts && std::strcmp(numbers, wantVersion) == 0, what, "found %s %s, file version %s",
           product ? product : "(none)", version ? version : "(none)", numbers);
}
