// vantoria-platform-check: runs the Win32 backend of the platform seam
// against the real system. One line per check; the exit code is 0 only when
// every check passed.
//
//   vantoria-platform-check [path of Vantoria.8bf]
//   vantoria-platform-check --without-system-dlls   (SHFolder and mscms disabled)
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "apps/vantoria_host/dialog_robot.h"
#include "apps/vantoria_host/platform_checks.h"
#include "apps/vantoria_host/report.h"

bool FolderExists(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWithBackslash(const char* path) {
    const size_t n = std::strlen(path);
    return n > 0 && path[n - 1] == '\\';
}

bool WriteTextFile(const char* path, const char* text) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    const size_t n = std::strlen(text);
    const bool written = std::fwrite(text, 1, n, f) == n;
    return std::fclose(f) == 0 && written;
}

bool ReadTextFile(const char* path, char* text, size_t capacity) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    const size_t n = std::fread(text, 1, capacity - 1, f);
    const bool whole = std::fgetc(f) == EOF;
    std::fclose(f);
    text[n] = 0;
    return whole;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--without-system-dlls") == 0) {
        CheckPlatformWithoutSystemDlls();
        return ReportFailures() == 0 ? 0 : 1;
    }
    const char* modulePath = argc > 1 ? argv[1] : "Vantoria.8bf";
    if (!Report(DialogRobot_Install(), "platform: dialog robot installed", "no window hook"))
        return 1;
    // A folder of our own in the temporary folder for everything written.
    char work[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, work);
    const bool made =
        n > 0 && n + 32 < MAX_PATH &&
        std::snprintf(work + n, MAX_PATH - n, "vantoria-check-%lu\\", GetCurrentProcessId()) > 0 &&
        CreateDirectoryA(work, nullptr);
    if (!Report(made, "platform: work folder made", "in %s", work)) return 1;

    CheckPlatformFolders(work);
    CheckPlatformFiles(work);
    CheckPlatformWindows(work);
    CheckPlatformResources(modulePath);

    RobotAlert alerts[2];
    const int32_t stray = DialogRobot_TakeAlerts(alerts, 2);
    Report(stray == 0, "platform: no stray alerts", "%d, the first \"%s\"", int(stray),
           stray > 0 ? alerts[0].text : "");
    DialogRobot_Remove();
    const int32_t failures = ReportFailures();
    std::printf("vantoria-platform-check: %s\n",
                failures == 0 ? "all checks passed" : "checks FAILED");
    return failures == 0 ? 0 : 1;
}
