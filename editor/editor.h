// The editor: the modal dialog in which the user sets the correction of one
// image while watching it corrected in the preview pane. The start stage
// runs it when the run is interactive; what it needs of the host reaches it
// through EditorHost, so the editor knows nothing of the host's records.
#pragma once

#include <cstdint>

#include "editor/edit_state.h"
#include "editor/prefs_record.h"
#include "editor/preview_reads.h"

struct UiState;

// What the run hands the editor.
struct EditorHost {
    UiState* ui;
    PrefsRecord* prefs;  // previous and custom settings, the display options
    const PreviewReads* reads;
    uint8_t diagnostics;     // log level of the trace lines
    int32_t bytesPerSample;  // of the document: 1 or 2
    uint8_t transparency;    // the host has a fourth plane
    const char* helpPath;    // the help text's temporary file
    // Where "Use Largest Possible Window" lays the dialog out: null for the
    // screen's work area.
    const PassRect* largestTarget;
    // The host's colour picker: shows prompt over rgb (0 .. 255 each) and
    // puts the chosen colour there. kUiErrCancelled when the user cancels,
    // kUiErrUnsupported when the host has no picker; rgb then stays. Null:
    // no picker.
    int32_t (*pickColour)(const char* prompt, uint8_t rgb[3]);
};

// Runs the editor over edit (its settings chosen by the start mode, the
// title filled in). Returns kUiOk when the user pressed OK: edit->transform
// then holds the settings compiled for the document's sample size and
// edit->filters the sharpen / noise settings of the pass. kUiErrCancelled
// for Cancel (and for OK with Alt, which exports the profile instead), or
// the error that ended the set-up (alerted). In every case the final
// settings are the previous settings of host->prefs, and every image of the
// editor is released.
int32_t DoEditImage(EditState* edit, const EditorHost* host);
