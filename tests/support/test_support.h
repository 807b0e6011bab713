// Helpers shared by the tests: temporary folders and whole-file reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh, empty folder under the test run's temporary root, ending in '/'.
std::string MakeTempFolder(const char* tag);

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// The log file the plug-in writes in the current preferences folder.
std::string DebugLogPath();
std::string ReadDebugLog();
void RemoveDebugLog();
