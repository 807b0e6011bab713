#include "host/host_checks.h"

#include <cstring>

#include "host/module_state.h"
#include "ui/debug_log.h"
#include "ui/platform.h"
#include "ui/state.h"

namespace {

void ShowHostTooOld(const char* version) {
    char caption[64];
    char text[256];
    char message[512];
    Ui_ResToCString(gUiState, kStrHostTooOldCaption, caption, sizeof caption);
    Ui_ResToCString(gUiState, kStrHostTooOldText, text, sizeof text);
    const char* args[] = {nullptr, version};
    Host_ExpandPlaceholders(message, sizeof message, text, args, 2);
    Plat_MessageBox(message, caption, kPlatBoxWarning);
}

}  // namespace

void Host_ExpandPlaceholders(char* out, size_t capacity, const char* text, const char* const* args,
                             int32_t argCount) {
    if (out == nullptr || capacity == 0) return;
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < capacity) out[n++] = c;
    };
    for (const char* p = text != nullptr ? text : ""; *p != 0; ++p) {
        if (p[0] == '^' && p[1] >= '0' && p[1] <= '2') {
            const int32_t i = p[1] - '0';
            const char* arg = i < argCount && args != nullptr ? args[i] : nullptr;
            for (const char* a = arg != nullptr ? arg : ""; *a != 0; ++a) put(*a);
            ++p;
        } else {
            put(*p);
        }
    }
    out[n] = 0;
}

void Host_FormatVersion(char* out, size_t capacity, double version, int32_t decimals,
                        bool dottedLast) {
    if (out == nullptr || capacity == 0) return;
    char text[64];
    Ui_Sprintf(text, sizeof text, "%f", version);  // six decimals, rounded half up
    char* point = std::strchr(text, '.');
    if (decimals > 6) decimals = 6;
    if (point != nullptr) point[decimals > 0 ? decimals + 1 : 0] = 0;
    const size_t length = std::strlen(text);
    if (dottedLast && length >= 2) text[length - 2] = '.';
    Ui_Sprintf(out, capacity, "%s", text);
}

bool Host_HasAdvanceState() {
    if (gFilterRecord != nullptr && gFilterRecord->advanceState != nullptr) return true;
    char version[16];
    Host_FormatVersion(version, sizeof version, 3.0, 1, false);
    ShowHostTooOld(version);
    return false;
}

bool Host_HasDisplayPixels() {
    if (gFilterRecord != nullptr && gFilterRecord->displayPixels != nullptr) return true;
    char version[16];
    Host_FormatVersion(version, sizeof version, 2.502, 3, true);
    ShowHostTooOld(version);
    return false;
}
