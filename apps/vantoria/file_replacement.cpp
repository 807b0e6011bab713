#include "apps/vantoria/file_replacement.h"

#include <cstdio>

namespace {

bool (*gCancelled)() = nullptr;

}  // namespace

void SetWriteCancelCheck(bool (*cancelled)()) {
    gCancelled = cancelled;
}

bool FinishReplacement(const std::string& temporary, const std::string& path, bool ok) {
    if (gCancelled != nullptr && gCancelled()) ok = false;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}
