// The dialogs the editor opens over itself: the preferences and the sharpen
// / remove-noise setup.
#pragma once

#include <cstdint>

#include "editor/editor.h"

// The preferences dialog: edits a scratch copy of host->prefs, which takes
// it only on OK. kUiOk for OK, kUiErrCancelled for Cancel, or the error that
// kept the dialog from running (alerted).
int32_t RunPreferencesDialog(const EditorHost* host);

// The sharpen / remove-noise setup dialog over the editor's state: edits the
// sharpen and noise fields of edit->pars; Cancel restores them exactly.
// kUiOk for OK, kUiErrCancelled for Cancel, or the error that kept the
// dialog from running (alerted).
int32_t RunFilterSetupDialog(EditState* edit);
