// Drives a modal dialog as a user does: a list of steps (screenshots, real
// clicks on items, real keys) carried out one after another from a timer of
// this thread, so that every event reaches the dialog through its own modal
// loop. A step acts on the dialog in front: the one the run drives, or a
// dialog it opened over itself (preferences, a setup dialog) while that one
// is open. The last step is expected to close the run's dialog; when a step fails or
// the dialog stays open, the driver closes it with a posted fallback item so
// that the run goes on, and the failure is kept.
#pragma once

#include <windows.h>

#include <cstdint>

enum DriveKind : uint8_t {
    kDriveShot,   // screenshot of the dialog (of its item, when one is given) into
                  // screenshots/<name>.png
    kDriveClick,  // left click at the middle of item
    kDriveKeys,   // xdotool's key arguments ("key Return", "keydown alt click 1 keyup alt")
    kDriveCall,   // call the run's callback (it may read the dialog's state)
    kDrivePoint,  // left click at the screen point the run's point function gives for item
};

struct DriveStep {
    uint8_t kind;
    const char* name;  // the request's name, unique within the run
    int32_t item;      // click, point: the item; shot: the item, 0 for the whole dialog
    const char* keys;  // keys: xdotool's arguments
    DWORD settle;      // milliseconds of the dialog's own life before the step
};

constexpr int32_t kDriveMaxSteps = 16;

struct DriveRun {
    HWND dialog;
    DriveStep steps[kDriveMaxSteps];
    int32_t stepCount;
    int32_t fallbackItem;  // posted when the driver has to close the dialog
    // Both get the dialog in front and the step's name.
    void (*call)(HWND dialog, const char* step, void* context);
    bool (*point)(HWND dialog, int32_t item, POINT* screen, void* context);
    void* context;
    // What happened.
    int32_t stepsDone;  // steps answered "ok" (or called)
    bool closed;        // the dialog closed after the last step, by the step
    char failure[300];  // the first failure, empty when none
};

// Starts driving run->dialog (from an inspector of the dialog robot) and
// returns at once; one run at a time.
void Drive_Start(DriveRun* run);
// After the dialog's modal loop has returned: lets the driver see its last
// answer, then stops it. run->failure says why the run did not complete.
void Drive_Finish(DriveRun* run);
