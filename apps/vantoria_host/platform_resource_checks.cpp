// String-table entries and custom resources read from the plug-in module
// through the backend, compared with the sources they were built from.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"
#include "resources/plugin_properties.h"
#include "resources/string_table.h"
#include "ui/platform.h"
#include "ui/status.h"

namespace {
struct StringCase {
    const char* what;
    int32_t id;
    int32_t capacity;
    int32_t result;
    const char* text;
};

const StringCase kStringCases[] = {
    {"an entry", kStrProductName, 64, 8, "Vantoria"},
    {"an empty entry is there with length 0", kStrNoticeExtra, 64, 0, ""},
    {"a long entry is cut at the capacity", kStrProductName, 4, 3, "Van"},
    {"an entry outside every block is -1", 40000, 64, -1, ""},
    {"a negative id is -1", -5, 64, -1, ""},
};

void CheckProperties(void* module, const char* type,
                     int32_t (*build)(uint8_t*, uint32_t, uint32_t*)) {
    uint8_t want[kPluginPropertiesMaxBytes];
    uint32_t wantSize = 0;
    build(want, sizeof want, &wantSize);
    const void* data = nullptr;
    uint32_t size = 0;
    const int32_t status =
        Plat_FindResource(module, type, kPluginPropertiesResourceId, &data, &size);
    char what[96];
    std::snprintf(what, sizeof what, "platform resource %s 16000: the builder's %u bytes", type,
                  unsigned(wantSize));
    Report(status == kUiOk && size == wantSize && std::memcmp(data, want, size) == 0, what,
           "status %d, %u bytes", int(status), unsigned(size));
}
}  // namespace

void CheckPlatformResources(const char* modulePath) {
    HMODULE module = LoadLibraryA(modulePath);
    if (!Report(module != nullptr, "platform resources: module loaded", "%s", modulePath)) return;
    for (const StringCase& c : kStringCases) {
        char buffer[64] = "untouched";
        const int32_t result = Plat_LoadString(module, c.id, buffer, c.capacity);
        char what[128];
        std::snprintf(what, sizeof what, "platform string: %s", c.what);
        Report(result == c.result && std::strcmp(buffer, c.text) == 0, what,
               "returned %d with \"%s\"", int(result), buffer);
    }
    CheckProperties(module, "PIPL", BuildPipl);
    CheckProperties(module, "AETE", BuildAete);
    const void* data = reinterpret_cast<const void*>(1);
    uint32_t size = 1;
    const int32_t missing = Plat_FindResource(module, "NONE", 16000, &data, &size);
    Report(missing == -1 && data == nullptr && size == 0,
           "platform resource: a missing one is -1 with nothing returned", "status %d",
           int(missing));
    FreeLibrary(module);
}
