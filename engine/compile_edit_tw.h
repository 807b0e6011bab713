// The transform compiler: turns a settings record and a view of the image to
// be corrected into a Tintwork (per-channel input tables, a 33 × 33 × 33
// grid, per-channel output tables). All image-dependent work (the tone
// analysis, the eyedropper samples) happens here; applying the Tintwork
// afterwards is pure table work.
#pragma once

#include <cstdint>

#include "engine/edit_pars.h"
#include "engine/ip_image.h"
#include "engine/tintwork.h"

// Owns a compiled Tintwork and mirrors its shape.
struct TWHandle {
    int32_t inputChannels;
    int32_t outputChannels;
    int32_t inputSpace;
    int32_t outputSpace;
    int32_t gridDepth;
    int32_t inputDepth;   // kept current by TWHandleSetDepth
    int32_t outputDepth;  // kept current by TWHandleSetDepth
    Tintwork* tintwork;
};

// What the compile needs of one run's working state; the host's edit state
// holds it.
struct UiState;

struct EditTWSource {
    EditPars editPars;
    IPImage views[2];                // 0: the reduced preview; 1: the 1:1 view of a zoomed editor
    uint8_t zoomed;                  // 1 analyses views[1]
    const SelectionMask* selection;  // null: every pixel takes part; else covers the analysed view
    uint8_t diagnostics;             // log level of the trace lines
    UiState* ui;                     // the call's library state, for the error alert; may be null
};

// Compiles pars against view (and mask) into handle, which must be empty.
// The grid and the Tintwork's depths are the view's. kUiErrArg for a missing
// argument, a view that fails CheckImageView or a mask that does not cover it;
// kUiErrMemory when memory is short or the working space has no matrices; or
// the error of the Tintwork builder. On failure the handle stays empty.
int32_t CompileEditTW(const EditPars* pars, const IPImage* view, const SelectionMask* mask,
                      TWHandle* handle);

// The per-channel points a compile used: as the tone analysis measured them
// on the view, or the neutral points without an automatic switch.
struct ToneLevels {
    float blackPoint[3];
    float midGray[3];
    float whitePoint[3];
};

// CompileEditTW, and the points it used into *levels (null: not wanted).
int32_t CompileEditTWLevels(const EditPars* pars, const IPImage* view, const SelectionMask* mask,
                            TWHandle* handle, ToneLevels* levels);

// Frees the handle in *slot if there is one (logging the replacement),
// compiles the selected view into a new handle, and sets its output depth to
// outputDepth (1 or 2). On failure *slot is null and the error is reported to
// the user with the context "creating Tintwork". Returns kUiOk or the error.
int32_t MakeEditTW(const EditTWSource* source, int32_t outputDepth, TWHandle** slot);

// MakeEditTW, and the points the compile used into *levels (null: not
// wanted).
int32_t MakeEditTWLevels(const EditTWSource* source, int32_t outputDepth, TWHandle** slot,
                         ToneLevels* levels);

// Sets the Tintwork's depth of one side (TwSide) and mirrors it in the handle.
int32_t TWHandleSetDepth(TWHandle* handle, int32_t side, int32_t depth);

// Destroys the Tintwork and frees the handle; null is allowed.
void FreeEditTW(TWHandle* handle);

// Releases the handle of a run's edit state when the state is torn down,
// with its log lines, and clears the slot.
void FreeEditStateTW(const EditTWSource* source, TWHandle** slot);
