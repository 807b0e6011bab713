// One correction through the plug-in, as an image editor replays a recorded
// action: the settings travel in the scripting descriptor and the plug-in
// shows no dialog. Progress goes to a bar on a terminal; Ctrl-C reaches the
// plug-in as the user's abort.
#pragma once

#include <string>

#include "apps/vantoria/batch_settings.h"
#include "apps/vantoria/image_buffer.h"
#include "editor/prefs_record.h"
#include "hostkit/hostkit.h"

struct BatchRun {
    bool progressBar;  // draw a progress bar on stderr
    bool printSteps;   // print each selector with its result
    bool interrupted;  // out: the user stopped the run
    double seconds;    // out: time spent in the plug-in (wall clock)
};

// An output file encoded under its temporary name while the plug-in runs
// (EncodeImageFile), each row once the plug-in has finished it.
struct BatchWrite {
    const char* output;
    bool streamed;      // out: the encoding ran to its end (else nothing is left of it)
    double seconds;     // out: the wait for the encoding after the plug-in (wall clock)
    std::string error;  // out: why the encoding failed, when it ran to its end
};

// Corrects image in place with the settings; mask (one byte per pixel, 255
// selected) may be null. Empty, or one line saying what went wrong; the
// image is unchanged then. With write, the corrected rows are encoded as
// they come: once streamed, the caller completes the file (FinishImageFile)
// or gives it up; otherwise it writes the file itself. The plug-in then
// works in the image itself, which a failed run leaves partly corrected.
std::string RunCorrection(HKEntryProc entry, const BatchSettings& settings, const char* title,
                          const uint8_t* mask, ImageBuffer* image, BatchRun* run,
                          BatchWrite* write = nullptr);

// The user's stored preferences, read where the plug-in reads them (left at
// their defaults when there are none or they cannot be read).
void ReadUserPrefs(PrefsRecord* prefs);

// From now on Ctrl-C asks the running plug-in to stop instead of ending the
// process.
void CatchInterrupts();
bool Interrupted();
// Interrupted, asked by a writer once its file is complete, before it
// replaces anything.
bool WriteInterrupted();

// Test hook, read by the command only (the plug-in knows nothing of it):
// VANTORIA_TEST_INTERRUPT=POINT makes the command interrupt itself once, at
// that point, as a Ctrl-C arriving exactly then would, so that the tests of
// interrupts need no timing. POINT is "pass" (the plug-in's first abort poll
// in its filtering pass), "write" (the output file written in full under its
// temporary name, not yet renamed) or "folder" (in a run started by a folder
// run, at its first abort poll: it interrupts the folder run and waits for
// the interrupt to be passed back to it).
