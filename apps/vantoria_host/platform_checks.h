// vantoria-platform-check: the Win32 backend of the platform seam run against
// the real system (under Wine in the test command). Each group reports one
// line per behaviour.
#pragma once

#include <cstddef>

void CheckPlatformFolders(const char* workFolder);
void CheckPlatformFiles(const char* workFolder);
void CheckPlatformWindows(const char* workFolder);
void CheckPlatformResources(const char* modulePath);
// Expects SHFolder and mscms to be disabled in the environment.
void CheckPlatformWithoutSystemDlls();

// Helpers shared by the groups.
bool FolderExists(const char* path);
bool FileExists(const char* path);
bool EndsWithBackslash(const char* path);
bool WriteTextFile(const char* path, const char* text);
// The whole file as text (binary mode, so line ends are as stored); false
// when it cannot be read or does not fit.
bool ReadTextFile(const char* path, char* text, size_t capacity);
