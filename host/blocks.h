// The two blocks the host keeps for the plug-in between calls: the
// parameters block (FilterRecord.parameters) with the paths and the
// settings record, and the data block (kept in the host's data slot) with
// the strip size, the show-editor flag and the working state of one run.
// Both are plain values in host memory: a host may copy them into new
// allocations between calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "editor/edit_state.h"
#include "editor/prefs_record.h"
#include "ui/paths.h"

// The bytes at the start of both blocks.
constexpr char kBlockSignature[4] = {'5', 'p', 'R', 'X'};
constexpr size_t kMessageBufferBytes = 257;

struct ParametersBlock {
    char signature[4];
    char prefsPath[kUiPathCapacity];   // the preferences file
    char tempFolder[kUiPathCapacity];  // with its trailing separator
    PrefsRecord prefs;
};

struct DataBlock {
    char signature[4];
    int16_t rowSkip;                    // rows per strip of the filtering pass
    uint8_t showEditor;                 // 1: the start stage runs the editor
    char message[kMessageBufferBytes];  // scratch text for alerts and log lines
    EditState edit;
    uint64_t gDebugChecksum;  // sum of the host's callback addresses at creation
};

// The parameters selector; also rebuilds missing or invalid blocks for
// prepare and start.
void DoParameters();

// Allocate a block through the host's newProc: errPlugInHostInsufficient
// without handle procs, memFullErr when the host has no memory.
void NewParametersHandle();
void NewDataHandle();

// Fill fresh blocks (the handles locked).
void InitParameters();
void CreateDataHandle();

// kUiOk when the block is sound (its signature, its booleans, and a handle
// large enough to hold it), else kUiErrArg.
int32_t CheckParameters();
int32_t CheckData();

// With diagnostics on: kUiErrGeneral and a "Checksum error!" alert when the
// host's callbacks are not those the data block was made under; otherwise
// kUiOk.
int32_t ValidateChecksum(const char* caller);

// Before prepare touches the blocks: locks them, and rebuilds what is missing
// or unsound. The result slot is set when it fails.
void RecoverBlocks();
// The same for start, which locks first: a missing block ends the start with
// the lock's result, an unsound one is rebuilt.
void LockAndCheckBlocks();

// The preferences file into the settings record (-30100 and an alert when it
// cannot be read; a missing file is written with the record's values), and
// the record into the file (an alert when it cannot be written). Both need
// the blocks locked; they return the library status.
int32_t ReadPreferencesFile();
int32_t WritePreferencesFile();
