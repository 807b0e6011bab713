// The library state: opened by the entry point for exactly one host call and
// closed at its end. Everything the Ui_ library needs for that call hangs here.
#pragma once

#include <cstdint>

#include "resources/string_table.h"

constexpr int32_t kUiMaxOpenDialogs = 500;
constexpr int32_t kUiAppNameCapacity = 101;
constexpr int32_t kUiMakerNameCapacity = 64;

struct UiState {
    uint8_t diagnostics;   // 1 = trace lines are written
    void* resourceSource;  // module instance: strings, dialogs, bitmaps
    void* ownerWindow;     // host window that owns our dialogs
    void* parentWindow;    // current parent of alerts and file dialogs
    char appName[kUiAppNameCapacity];
    char makerName[kUiMakerNameCapacity];  // folder under the application data
    void* openDialogs[kUiMaxOpenDialogs];
};

int32_t Ui_State_Open(UiState** state, void* resourceSource, void* ownerWindow, StringId appName,
                      uint8_t diagnostics);
int32_t Ui_State_Close(UiState** state);

// Sets the maker folder name from a string-table entry.
int32_t Ui_State_SetMakerName(UiState* state, StringId name);

// Loads a string-table entry into buffer (capacity bytes, terminated).
// kUiErrArg when the entry does not exist: the buffer then holds an empty text
// and the failure is logged.
int32_t Ui_ResToCString(UiState* state, StringId id, char* buffer, int32_t capacity);

// Strings hold at most this many bytes with their terminator.
constexpr int32_t kUiStringCapacity = 256;
// The text of a string-table entry (empty when missing) in buffer, which
// holds kUiStringCapacity bytes, or with no buffer in one shared buffer that
// stays valid until the next such call.
const char* Ui_ResString(UiState* state, StringId id, char* buffer);
