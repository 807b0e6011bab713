#include "host/compile_pass.h"

#include "engine/view_correction.h"
#include "host/module_state.h"
#include "host/preview_read.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// The source of a compile: the run's settings and the view they are measured
// on, with its selection. Without a read image the view is empty and the
// automatic levels and samples keep their neutral values.
EditTWSource PassSource(const EditState* edit, int32_t bytesPerSample) {
    static uint16_t noPixels[4];
    EditTWSource source = {};
    source.editPars = edit->pars;
    source.diagnostics = gDiagnostics;
    source.ui = gUiState;
    if (edit->sourceView.width > 0 && edit->sourceView.bytesPerSample == bytesPerSample) {
        source.views[0] = edit->sourceView;
        if (edit->selection.bits != nullptr) source.selection = &edit->selection;
        return source;
    }
    IPImage& view = source.views[0];
    view.kind = kIPImageColour;
    view.planeCount = 3;
    view.bytesPerSample = bytesPerSample;
    view.resolution = 72.0f;
    view.sampleStride = 3;
    view.rowStride = 3;
    for (int32_t c = 0; c < 3; ++c) view.planes[c] = noPixels + c;
    return source;
}

}  // namespace

int32_t CompileForPass(EditState* edit, int32_t bytesPerSample) {
    if (edit == nullptr || (bytesPerSample != 1 && bytesPerSample != 2)) return kUiErrArg;
    const EditTWSource source = PassSource(edit, bytesPerSample);
    ViewCorrection compiled = {};
    compiled.transform = edit->transform;
    const int32_t status = CompileViewCorrection(&source, bytesPerSample, &compiled);
    edit->transform = compiled.transform;
    return status;
}

void FreeEditParsStuff(EditState* edit) {
    if (edit == nullptr) return;
    Ui_Debug_Log(gDiagnostics, "FreeEditParsStuff...");
    const EditTWSource source = PassSource(edit, 1);
    FreeEditStateTW(&source, &edit->transform);
    Ui_Debug_Log(gDiagnostics, "FreeImages...");
    FreePreviewImages(edit);
    Ui_Debug_Log(gDiagnostics, "...FreeImages");
    Ui_Debug_Log(gDiagnostics, "... FreeEditParsStuff done");
}
