// The start selector: the host and the image checked, the settings of the
// run chosen, the transform compiled, the preferences written back and the
// whole image filtered.
#include <cstring>

#include "editor/settings_file.h"
#include "engine/colour_science.h"
#include "engine/working_space.h"
#include "host/blocks.h"
#include "host/compile_pass.h"
#include "host/editor_start.h"
#include "host/filter_image.h"
#include "host/host_checks.h"
#include "host/module_state.h"
#include "host/preview_read.h"
#include "host/reference_space.h"
#include "host/script_params.h"
#include "host/stages.h"
#include "ui/alert.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// The first step that finds the host or the image unusable stores its result.
bool HostAndImageUsable() {
    FilterRecord* f = gFilterRecord;
    if (f->planes < 3) {
        char text[256];
        Ui_ResToCString(gUiState, kStrNeedRgbWritable, text, sizeof text);
        Ui_Alert_StopOne(gUiState, text, nullptr, 0);
        Host_StoreResult(userCanceledErr);
        return false;
    }
    if (!Host_HasAdvanceState() || !Host_HasDisplayPixels()) {
        Ui_Debug_Log(gDiagnostics, "advanceState or displayPixels not available");
        Host_StoreResult(errPlugInHostInsufficient);
        return false;
    }
    if (f->samplingSupport == hostDoesNotSupportSampling) {
        Ui_Debug_Log(gDiagnostics, "hostDoesNotSupportSampling");
        Host_StoreResult(errPlugInHostInsufficient);
        return false;
    }
    if (f->imageMode != plugInModeRGBColor && f->imageMode != plugInModeRGB48) {
        Ui_Debug_Logf(gDiagnostics, "gFilterRecord->imageMode = %d", int(f->imageMode));
        Host_StoreResult(filterBadMode);
        return false;
    }
    if (f->depth == 0) f->depth = 8;
    if (f->depth != 8 && f->depth != 16) {
        Ui_Debug_Logf(gDiagnostics, "gFilterRecord->depth = %d", int(f->depth));
        Host_StoreResult(filterBadParameters);
        return false;
    }
    return true;
}

// The working space of the run, at the head of the working settings.
void SetUpReferenceSpace(EditState* edit) {
    ReferenceSpaceOfHost(gFilterRecord->monitor, &edit->pars.refRGB, gDiagnostics);
}

// Stored settings made in another working space are applied only when the
// user goes on; the current working space is then kept. The pass applies the
// stored sharpen / noise settings too, and the working settings carry them
// on, so that they become the previous settings as well.
int32_t TakeStoredSettings(const EditPars& stored, EditState* edit) {
    return ApplyStoredSettings(gUiState, &stored, &edit->pars, 0);
}

// Settings that leave the image unchanged, keeping the memory-colour
// definitions of the previous settings without their samples.
void ResetSettings(const PrefsRecord& prefs, EditPars* pars) {
    pars->doAutoBlack = pars->doAutoWhite = pars->doAutoMidGray = 0;
    pars->brightness = pars->contrast = 0.5f;
    for (int32_t b = 0; b < kMemoryColorBins; ++b) {
        pars->customBinColors[b] = prefs.previous.customBinColors[b];
        ClearMemorySamples(&pars->customBinColors[b]);
    }
    pars->doSharpen = 0;
    pars->doRemoveNoise = 0;
    PutSharpenSettings(prefs.sharpenDefaults, pars);
    PutNoiseSettings(prefs.noiseDefaults, pars);
}

// A recorded action replayed without the editor applies what it recorded
// (its previous settings), whatever the start mode: in the reset mode it
// would otherwise replay as no correction. The start mode governs runs that
// show the editor and runs without a recording.
int32_t ChooseStartSettings(EditState* edit, bool recorded) {
    const PrefsRecord& prefs = *gPrefs;
    int32_t status = kUiOk;
    if ((recorded && gDataBlock->showEditor == 0) || prefs.startMode == kStartPrevious)
        status = TakeStoredSettings(prefs.previous, edit);
    else if (prefs.startMode == kStartCustom)
        status = TakeStoredSettings(prefs.custom, edit);
    else
        ResetSettings(prefs, &edit->pars);
    edit->filters = FilterSettingsOf(edit->pars);
    edit->startPars = edit->pars;
    return status;
}

// The settings of a replay compiled without the editor, against the reduced
// image of the preview rectangle that prepare chose: the automatic levels
// and the memory colours' samples are measured on it. The images go before
// the pass, which asks the host for the image anew.
bool CompileReplay(EditState* edit) {
    // The read has alerted its failure.
    const int32_t read = ReadReducedImage(edit, edit->previewWidth, edit->previewHeight);
    if (read == kUiErrMemory || read == kUiErrArg) Host_StoreResult(Host_ResultFromStatus(read));
    if (read != kUiOk) return false;
    const int32_t compiled = CompileForPass(edit, gFilterRecord->depth == 16 ? 2 : 1);
    FreePreviewImages(edit);
    if (compiled != kUiOk) return false;
    gPrefs->previous = edit->pars;
    return true;
}

// From the working space on: the settings chosen and compiled, the
// preferences written back, the image filtered. A failure stores its result.
int32_t RunWithSettings(EditState* edit, bool recorded) {
    const int32_t space = CheckWorkingSpace(&edit->pars.refRGB);
    if (space != kUiOk) {
        char advice[256], context[128];
        Ui_ResToCString(gUiState, kStrAdviceWorkingSpace, advice, sizeof advice);
        Ui_ResToCString(gUiState, kStrCtxVerifyingWorkingSpace, context, sizeof context);
        Ui_Alert_ReportError(gUiState, space, context, advice);
        Host_StoreResult(filterBadParameters);
        return space;
    }
    UI_TRY(ChooseStartSettings(edit, recorded));
    // An interactive run compiles in the editor: its OK leaves the transform
    // built for the document.
    const bool compiled =
        gDataBlock->showEditor == 1 ? RunEditor(edit) == kUiOk : CompileReplay(edit);

    Ui_Debug_Log(gDiagnostics, "Update preferences...");
    WritePreferencesFile();
    Ui_Debug_Log(gDiagnostics, "... preferences done");
    if (!compiled) return kUiErrCancelled;
    Ui_Debug_Log(gDiagnostics, "filter image...");
    const int32_t status = FilterImage(edit);
    Ui_Debug_Log(gDiagnostics, "... filter image");
    return status;
}

void FinishStart(EditState* edit) {
    Ui_Debug_Log(gDiagnostics, "ready to free parameters");
    FreeEditParsStuff(edit);
    Ui_Debug_Log(gDiagnostics, "...DoStart");
}

}  // namespace

void DoStart() {
    Ui_Debug_Log(gDiagnostics, "DoStart...");
    LockAndCheckBlocks();
    if (Host_ResultSet() || !HostAndImageUsable()) return;
    if (ReadPreferencesFile() != kUiOk) {
        Ui_Debug_Logf(gDiagnostics, "Error reading file %s", gParametersBlock->prefsPath);
        Host_StoreResult(filterBadParameters);
        return;
    }
    bool recorded = false;
    const int32_t scripted = ReadScriptParameters(&recorded);
    if (scripted != kUiOk) Ui_Alert_ReportErrorf(gUiState, scripted, kStrCtxReadingScript, nullptr);

    EditState* edit = &gDataBlock->edit;
    FreeEditParsStuff(edit);
    SetUpReferenceSpace(edit);
    if (RunWithSettings(edit, recorded) != kUiOk && !Host_ResultSet())
        Host_StoreResult(userCanceledErr);
    FinishStart(edit);
}
