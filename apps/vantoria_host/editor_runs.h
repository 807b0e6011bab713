// What the checks of the editor share: the photograph, runs of the filter
// with the editor driven by steps of real input, and the comparisons of
// their results.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "apps/vantoria_host/dialog_driver.h"
#include "apps/vantoria_host/document_runs.h"
#include "editor/prefs_record.h"

// The editor's items the checks share.
constexpr int32_t kItemOk = 1;
constexpr int32_t kItemCancel = 2;
constexpr int32_t kItemPane = 4;
constexpr int32_t kItemSkin = 6;

// Reads photos\astronaut.ppm (the test script converts it); reported.
bool ReadPhoto(Document* photo);

// Removes the module's stored preferences file.
void RemovePrefs();
// The settings record of a recorded descriptor's text.
bool DecodeRecording(const Pixels& text, PrefsRecord* prefs);

constexpr int32_t kMaxOpened = 4;

// What one run with the editor does, and what the inspector saw.
struct EditorVisit {
    DriveRun drive;  // its context, when not set, is the visit
    bool cancels;    // the steps cancel the editor: the run ends cancelled
    bool sawEditor;
    HWND other;  // a dialog that was not the editor, before the editor
    // The titles of the dialogs that came up over the editor, in order: the
    // steps act on them and close them.
    char opened[kMaxOpened][64];
    int32_t openedCount;
    bool autoBlackShown;  // item 11 checked when the dialog was read
    // The brightness value (item 14) as it shows on the screen, 0xRRGGBB.
    std::vector<uint32_t> value;
};

// Runs the filter with the dialog over the photograph, the editor driven by
// the visit's steps; reports whether every step was done and the last closed
// the editor, with the label.
RunOutcome RunWithEditor(const char* modulePath, const char* entryName, const Document& photo,
                         const Pixels* descriptor, EditorVisit* visit, const char* label);

// Reports the alerts the robot closed since the last look (none expected).
void ReportAlerts(const char* label);

// Reports whether two runs gave the same document, sample for sample.
void ReportSame(const char* what, const RunOutcome& a, const RunOutcome& b);

// The screen point of a document pixel in the editor's preview pane (item
// 4), which shows the whole document fitted and centred; false when the
// pane cannot be read.
bool PanePoint(HWND editor, const Document& photo, int32_t x, int32_t y, POINT* screen);
