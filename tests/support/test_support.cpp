#include "tests/support/test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "ui/paths.h"
#include "ui/status.h"

std::string TestRoot();

std::string MakeTempFolder(const char* tag) {
    static int counter = 0;
    const std::string path = TestRoot() + tag + "-" + std::to_string(++counter) + "/";
    mkdir(path.c_str(), 0755);
    return path;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bytes->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
    std::fclose(f);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string DebugLogPath() {
    char path[kUiPathCapacity];
    if (Ui__Path_SetToDebugLog(path) != kUiOk) return std::string();
    return path;
}

std::string ReadDebugLog() {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(DebugLogPath(), &bytes)) return std::string();
    return std::string(bytes.begin(), bytes.end());
}

void RemoveDebugLog() {
    std::remove(DebugLogPath().c_str());
}
