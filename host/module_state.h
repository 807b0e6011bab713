// Module-wide state of the plug-in: set on every host call and kept while the
// module stays loaded. Plain globals: the host calls one at a time, on its
// main thread, and the module is not re-entrant.
#pragma once

#include <cstdint>

#include "host/sdk_types.h"

struct UiState;
struct ParametersBlock;
struct DataBlock;
struct PrefsRecord;

// The host's record of the current call. gFilterRecord is null during the
// about selector (whose record is far smaller), gAboutRecord null otherwise.
extern FilterRecord* gFilterRecord;
extern AboutRecord* gAboutRecord;
// The host's pointer-sized slot that keeps gDataHandle between calls.
extern intptr_t* gDataSlot;
// The host's result; handlers store a host error code here and never clear it.
extern int16_t* gResult;
extern SPBasicSuite* gSPBasic;

// 1 = diagnostics on. Chosen once, at the first call of the module's lifetime.
extern uint8_t gDiagnostics;
extern uint8_t gDiagnosticsInitialised;

// Open for exactly the duration of one call.
extern UiState* gUiState;
// The resource source of every string and resource lookup.
extern void* gModuleInstance;

// Working pointers into the locked host handles: valid from LockHandles to
// UnlockHandles, null otherwise.
extern ParametersBlock* gParametersBlock;
extern DataBlock* gDataBlock;
extern PrefsRecord* gPrefs;
extern char* gTempFolder;
extern char* gMessageBuffer;
extern uint64_t* gDebugChecksumField;

// The data handle kept in the host's data slot (null when there is no slot).
Handle Host_DataHandle();
void Host_SetDataHandle(Handle h);

// Stores a host result code (0 leaves the slot as it is).
void Host_StoreResult(int16_t code);
// True once some step of this call has stored a result.
bool Host_ResultSet();

// The host result code for a library status: kUiErrCancelled userCanceledErr,
// kUiErrMemory memFullErr, kUiErrUnsupported errPlugInHostInsufficient, any
// other failure filterBadParameters; kUiOk stays 0 (noErr).
int16_t Host_ResultFromStatus(int32_t status);

// Returns the module to its freshly loaded state (diagnostics not yet chosen),
// so that a test can play the first call of a module lifetime again.
void Host_ResetModuleStateForTesting();
