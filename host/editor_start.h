// The interactive start: the editor runs over the document, with the help
// text in a temporary file while it is open.
#pragma once

#include "editor/edit_state.h"

// The document's title through the host's property suite, at most 255
// characters; the product name when the host has none. Always terminated.
void GetDocumentTitle(char* title, size_t capacity);

// Runs the editor over edit: kUiOk after OK (the transform compiled for the
// document, the preview images released), kUiErrCancelled after Cancel, or
// the error that kept it from running, which has been reported and whose
// host result has been stored. The help file is gone in every case.
int32_t RunEditor(EditState* edit);
