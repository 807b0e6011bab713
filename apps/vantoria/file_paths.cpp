#include "apps/vantoria/file_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

namespace {

// The folder a path names its file in: "." for a bare name.
std::string FolderName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

std::string OutputFolderError(const std::string& path) {
    const std::string folder = FolderName(path);
    struct stat st;
    int error = 0;
    if (stat(folder.c_str(), &st) != 0)
        error = errno;
    else if (!S_ISDIR(st.st_mode))
        error = ENOTDIR;
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        error = errno;
    return error == 0 ? std::string() : "cannot write into " + folder + ": " + std::strerror(error);
}

std::string DefaultModulePath() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "libvantoria.so";
    self[n] = 0;
    return FolderName(self) + "/libvantoria.so";
}
