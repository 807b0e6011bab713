// Headless backend of the platform seam: keys, message boxes, the module
// instance, window classes and resources.
#include <dlfcn.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "resources/help_text.h"
#include "resources/plugin_properties.h"
#include "resources/string_table.h"
#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/status.h"

const char kPlatPathSep = '/';

namespace {
bool gKeys[256];
int32_t gKeyQueries[256];
std::vector<HeadlessAlert> gAlerts;
bool gAlertEcho = true;
bool gInstanceMissing = false;
bool gClassFailure = false;
int32_t gClassRegistrations = 0;
int32_t gBeeps = 0;

// Modifier keys named in VANTORIA_MODIFIERS.
bool EnvironmentKeyDown(int virtualKey) {
    const char* names = std::getenv("VANTORIA_MODIFIERS");
    if (names == nullptr) return false;
    const struct {
        const char* name;
        int key;
    } kKeys[] = {{"ctrl", kPlatKeyControl}, {"shift", kPlatKeyShift}, {"alt", 0x12}};
    for (const char* p = names; *p != 0;) {
        const char* end = std::strchr(p, ',');
        const size_t n = end != nullptr ? size_t(end - p) : std::strlen(p);
        for (const auto& k : kKeys)
            if (k.key == virtualKey && n == std::strlen(k.name) && strncasecmp(p, k.name, n) == 0)
                return true;
        p += n;
        if (*p == ',') ++p;
    }
    return false;
}

void Copy(char* dst, size_t capacity, const char* src) {
    std::snprintf(dst, capacity, "%s", src ? src : "");
}
}  // namespace

void Headless_SetKeyDown(int virtualKey, bool down) {
    if (virtualKey >= 0 && virtualKey < 256) gKeys[virtualKey] = down;
}
int32_t Headless_KeyQueryCount(int virtualKey) {
    return virtualKey >= 0 && virtualKey < 256 ? gKeyQueries[virtualKey] : 0;
}
int32_t Headless_AlertCount() {
    return int32_t(gAlerts.size());
}
const HeadlessAlert* Headless_Alert(int32_t index) {
    return index >= 0 && index < int32_t(gAlerts.size()) ? &gAlerts[size_t(index)] : nullptr;
}
void Headless_ClearAlerts() {
    gAlerts.clear();
}
void Headless_SetAlertEcho(bool echo) {
    gAlertEcho = echo;
}
void Headless_SetInstanceMissing(bool missing) {
    gInstanceMissing = missing;
}
void Headless_SetUserItemClassFailure(bool fail) {
    gClassFailure = fail;
}
int32_t Headless_UserItemClassRegistrations() {
    return gClassRegistrations;
}

void Headless_ResetFolders();
void Headless_ResetFileDialogs();
void Headless_ResetDialogs();
void Headless_Reset() {
    std::memset(gKeys, 0, sizeof gKeys);
    std::memset(gKeyQueries, 0, sizeof gKeyQueries);
    gAlerts.clear();
    gAlertEcho = true;
    gInstanceMissing = false;
    gClassFailure = false;
    Headless_ResetFolders();
    Headless_ResetFileDialogs();
    Headless_ResetDialogs();
    gBeeps = 0;
}

bool Plat_KeyDown(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= 256) return false;
    ++gKeyQueries[virtualKey];
    return gKeys[virtualKey] || EnvironmentKeyDown(virtualKey);
}

void Plat_MessageBox(const char* text, const char* caption, int32_t kind) {
    HeadlessAlert a;
    Copy(a.text, sizeof a.text, text);
    Copy(a.caption, sizeof a.caption, caption);
    a.kind = kind;
    gAlerts.push_back(a);
    if (gAlertEcho) std::fprintf(stderr, "Vantoria: %s\n", a.text);
}

void Plat_Beep() {
    ++gBeeps;
}

int32_t Headless_Beeps() {
    return gBeeps;
}

void* Plat_ModuleInstance() {
    if (gInstanceMissing) return nullptr;
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Plat_ModuleInstance), &info) == 0) return nullptr;
    return info.dli_fbase;
}

int32_t Plat_RegisterUserItemClass(void*) {
    if (gClassFailure) return kUiErrGeneral;
    ++gClassRegistrations;
    return kUiOk;
}

int32_t Plat_UnregisterUserItemClass(void*) {
    if (gClassRegistrations == 0) return kUiErrGeneral;
    --gClassRegistrations;
    return kUiOk;
}

int32_t Plat_LoadString(void*, int32_t id, char* buffer, int32_t capacity) {
    const StringTableEntry* entry = FindStringTableEntry(id);
    if (entry == nullptr) {
        if (capacity > 0) buffer[0] = 0;
        return -1;
    }
    Copy(buffer, size_t(capacity), entry->text);
    return int32_t(std::strlen(buffer));
}

// Custom resources: the help text, and the property list and the scripting
// terminology, built once from their description. Type names compare case-insensitively.
int32_t Plat_FindResource(void*, const char* type, int32_t id, const void** data, uint32_t* size) {
    if (data) *data = nullptr;
    if (size) *size = 0;
    if (type != nullptr && strcasecmp(type, kHelpTextResourceType) == 0 &&
        id == kHelpTextResourceId) {
        if (data) *data = kHelpText;
        if (size) *size = kHelpTextSize;
        return kUiOk;
    }
    if (type == nullptr || id != kPluginPropertiesResourceId) return kUiErrArg;
    struct Built {
        uint8_t bytes[kPluginPropertiesMaxBytes];
        uint32_t size;
        bool ok;
    };
    static Built pipl, aete;
    Built* r = nullptr;
    int32_t (*build)(uint8_t*, uint32_t, uint32_t*) = nullptr;
    if (strcasecmp(type, "PIPL") == 0) {
        r = &pipl;
        build = BuildPipl;
    } else if (strcasecmp(type, "AETE") == 0) {
        r = &aete;
        build = BuildAete;
    } else {
        return kUiErrArg;
    }
    if (!r->ok) r->ok = build(r->bytes, sizeof r->bytes, &r->size) == kUiOk;
    if (!r->ok) return kUiErrArg;
    if (data) *data = r->bytes;
    if (size) *size = r->size;
    return kUiOk;
}
