// Scripting: the settings recorded in the host's descriptor at the end of a
// run and read back when an action replays. They travel as one text item
// under the key 'Dt  ': the settings blob packed seven bits to a byte.
#pragma once

#include <cstdint>

#include "editor/script_blob.h"

// At finish: the record into the host's descriptor. kUiOk without host support.
int32_t WriteScriptParameters();
// At start: the record from the host's descriptor, and whether the editor is
// shown from the host's play information. *recorded tells whether a recorded
// settings blob was taken. kUiOk without host support.
int32_t ReadScriptParameters(bool* recorded);
