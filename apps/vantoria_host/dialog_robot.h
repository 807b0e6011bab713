// Answers the system's modal windows on this thread as soon as they appear:
// message boxes are closed with OK and remembered, file dialogs are given the
// name queued for them (or cancelled). Under Wine on a virtual display nobody
// could answer them, so a dialog would otherwise hang the run. The plug-in's
// own dialogs go to an inspector when one is set, else they are closed with
// their item 1.
#pragma once

#include <windows.h>

#include <cstdint>

bool DialogRobot_Install();
void DialogRobot_Remove();

struct RobotAlert {
    char caption[128];
    char text[512];
};

// Message boxes closed since the last call, oldest first; at most capacity
// are copied, the count of all is returned.
int32_t DialogRobot_TakeAlerts(RobotAlert* alerts, int32_t capacity);

// The next file dialog gets name typed in and confirmed; null cancels it.
// A file dialog with nothing queued is cancelled.
void DialogRobot_AnswerFileDialog(const char* name);
int32_t DialogRobot_FileDialogsSeen();

// Called once for each of the plug-in's dialogs, half a second after it was
// activated (null: close them with item 1).
void DialogRobot_SetInspector(void (*inspector)(HWND dialog));
