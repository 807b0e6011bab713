// Checks of what a host reads from the module before calling it (the
// property list, the scripting terminology, the string table and the version
// information), and of the calls themselves.
#pragma once

#include <windows.h>

#include <cstddef>

// Checks the property list and looks up the entry point it names; the name
// goes into entryName (empty when the list could not be read).
void CheckPropertyList(HMODULE module, char* entryName, size_t capacity);
void CheckTerminology(HMODULE module);
void CheckStringTable(HMODULE module);
void CheckVersionInfo(const char* modulePath);

// Runs the selectors through the host kit with diagnostics off, then loads
// the module afresh with Ctrl and Shift held at its first call.
void CheckSelectors(const char* modulePath, const char* entryName);
void CheckDiagnosticsSwitch(const char* modulePath, const char* entryName);

// Records an action in a first run with brightening settings, then replays it
// without the dialog (and without the stored settings) on the same document
// and on another one.
void CheckReplay(const char* modulePath, const char* entryName);

// Opens the About box, an alert with advice, a question and help topic 2000,
// checks their items, has them captured and closes them.
void CheckDialogs(const char* modulePath, const char* entryName);

// Opens photos\astronaut.ppm, runs the filter with the editor and drives it
// with real clicks and keys (Auto Black Point, brightness up twice, Return),
// with screenshots; the result must equal a replay of the recording without
// the dialog, and Return alone over the recording must give it again.
void CheckEditor(const char* modulePath, const char* entryName);

// Over the same photograph: Preferences... with Show Sampled Region changed
// and stored; Sharpen, Remove Noise and their Setup... dialog with its
// preview, then skin sampled on the main face; the memory-colour face with
// skin sampled, saved, cancelled, loaded back and kept, the result equal to
// a replay of the recording.
void CheckEditorFaces(const char* modulePath, const char* entryName);
