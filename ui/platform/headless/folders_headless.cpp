// Headless backend: special folders and folder creation on POSIX.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/platform.h"
#include "ui/platform/headless/headless.h"
#include "ui/status.h"

namespace {
struct FolderOverride {
    bool set;
    std::string path;
    int32_t error;
};
FolderOverride gAppData;
FolderOverride gFallback;

int32_t PutFolder(const std::string& folder, char* out, size_t capacity) {
    std::string f = folder;
    if (f.empty() || f.back() != '/') f += '/';
    if (f.size() + 1 > capacity) return kUiErrGeneral;
    std::memcpy(out, f.c_str(), f.size() + 1);
    return 0;
}
}  // namespace

void Headless_SetAppDataFolder(const char* path, int32_t error) {
    gAppData = {path != nullptr || error != 0, path ? path : "", error};
}
void Headless_SetFallbackFolder(const char* path, int32_t error) {
    gFallback = {path != nullptr || error != 0, path ? path : "", error};
}
void Headless_ResetFolders() {
    gAppData = {};
    gFallback = {};
}

int32_t Plat_AppDataFolder(char* out, size_t capacity) {
    if (gAppData.set)
        return gAppData.error != 0 ? gAppData.error : PutFolder(gAppData.path, out, capacity);
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        mkdir(xdg, 0755);  // the settings folder of a fresh account may not exist yet
        return PutFolder(xdg, out, capacity);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) return ENOENT;
    const std::string config = std::string(home) + "/.config";
    mkdir(config.c_str(), 0755);
    return PutFolder(config, out, capacity);
}

int32_t Plat_TempFolder(char* out, size_t capacity) {
    const char* tmp = std::getenv("TMPDIR");
    return PutFolder(tmp && tmp[0] == '/' ? tmp : "/tmp", out, capacity);
}

int32_t Plat_FallbackFolder(char* out, size_t capacity) {
    if (gFallback.set)
        return gFallback.error != 0 ? gFallback.error : PutFolder(gFallback.path, out, capacity);
    return Plat_TempFolder(out, capacity);
}

int32_t Plat_CurrentFolder(char* out, size_t capacity) {
    char buf[4096];
    if (getcwd(buf, sizeof buf) == nullptr) return kUiErrGeneral;
    return PutFolder(buf, out, capacity);
}

int32_t Plat_ColorFolder(char* out, size_t capacity) {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == 0) return kUiErrGeneral;
        base = std::string(home) + "/.local/share";
    }
    const std::string icc = base + "/icc";
    // Created on the way, like the system's colour folder always exists.
    for (size_t i = 1; i <= icc.size(); ++i)
        if (i == icc.size() || icc[i] == '/') mkdir(icc.substr(0, i).c_str(), 0755);
    return PutFolder(icc, out, capacity);
}

int32_t Plat_MakeFolder(const char* path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (mkdir(p.c_str(), 0755) == 0) return 0;
    if (errno == EEXIST) return kPlatErrAlreadyExists;
    return errno;
}

int32_t Plat_SyncFile(void* stdioStream) {
    std::FILE* f = static_cast<std::FILE*>(stdioStream);
    if (std::fflush(f) != 0) return kUiErrWrite;
    return fsync(fileno(f)) == 0 ? kUiOk : kUiErrWrite;
}

int32_t Plat_ReplaceFile(const char* from, const char* to) {
    if (std::rename(from, to) != 0) return kUiErrGeneral;
    // Make the rename itself durable: sync the folder that holds it.
    std::string folder = to;
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return kUiOk;
}
