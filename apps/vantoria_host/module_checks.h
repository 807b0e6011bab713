// Checks of what a host reads from the module before calling it: the
// property list, the scripting terminology, the string table and the version
// information.
#pragma once

#include <windows.h>

#include <cstddef>

// Checks the property list and looks up the entry point it names; the name
// goes into entryName (empty when the list could not be read).
void CheckPropertyList(HMODULE module, char* entryName, size_t capacity);
void CheckTerminology(HMODULE module);
void CheckStringTable(HMODULE module);
void CheckVersionInfo(const char* modulePath);
