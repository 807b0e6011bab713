// Test control of the headless backend: the scripted side of the platform
// seam. Tests set key states and folders, queue answers, and read back what
// the program showed.
#pragma once

#include <cstdint>

#include "ui/platform.h"

// A key is down when a test set it, or when the environment variable
// VANTORIA_MODIFIERS names it ("ctrl", "shift", "alt", separated by commas),
// so that any host can hold the diagnostics keys at the module's first call.
void Headless_SetKeyDown(int virtualKey, bool down);
// How often the program asked for the key's state since the last reset.
int32_t Headless_KeyQueryCount(int virtualKey);

// Message boxes shown so far, oldest first.
struct HeadlessAlert {
    char text[1024];
    char caption[64];
    int32_t kind;
};
int32_t Headless_AlertCount();
const HeadlessAlert* Headless_Alert(int32_t index);
void Headless_ClearAlerts();
// When on (the default), message boxes are also written to stderr.
void Headless_SetAlertEcho(bool echo);

// Application-data folder: a path, or null for the default
// ($XDG_CONFIG_HOME, else $HOME/.config); error > 0 makes the lookup fail.
void Headless_SetAppDataFolder(const char* path, int32_t error);
// The fallback ("Windows") folder; null for the default (the temporary folder).
void Headless_SetFallbackFolder(const char* path, int32_t error);

// Simulates a module whose instance handle could not be recorded.
void Headless_SetInstanceMissing(bool missing);
// Makes the next registrations of the user-item class fail.
void Headless_SetUserItemClassFailure(bool fail);
int32_t Headless_UserItemClassRegistrations();  // currently registered

// File dialogs: each request is recorded; answers are taken in order, a null
// path answering with a cancel (as does an empty queue). A save answer
// without an extension gets the default extension, as the system dialog does.
struct HeadlessFileDialog {
    bool save;
    void* owner;
    char prompt[256];
    char filter[256];
    char defExt[16];
    char initial[256];  // save: the proposed name; open: the starting folder or name
};
void Headless_QueueFileDialogAnswer(const char* path);
int32_t Headless_FileDialogCount();
const HeadlessFileDialog* Headless_FileDialog(int32_t index);
// Called while a file dialog is shown (null switches it off).
void Headless_SetFileDialogObserver(void (*observer)(void* context), void* context);

// Resets every setting above and forgets the alerts.
void Headless_Reset();
