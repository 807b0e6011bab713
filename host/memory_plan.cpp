#include "editor/preview_layout.h"
#include "host/blocks.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/stages.h"
#include "ui/debug_log.h"
#include "ui/dialog.h"
#include "ui/platform_dialog.h"
#include "ui/status.h"

// The prepare selector: the blocks validated, the plan made and reported to
// the host, the preview size and the editor window rectangle stored.
void DoPrepare() {
    Ui_Debug_Log(gDiagnostics, "DoPrepare...");
    RecoverBlocks();
    if (Host_ResultSet()) return;
    EditState& edit = gDataBlock->edit;
    const VRect f = GetFilterRect();
    PreviewPlanRequest request = {};
    request.available = gFilterRecord->maxSpace;
    request.depth = gFilterRecord->depth;
    request.planes = gFilterRecord->planes;
    request.filter = PassRect{f.top, f.left, f.bottom, f.right};
    request.useLargestWindow = gPrefs->useLargestWindow;
    MemoryPlan plan;
    PassRect mx;
    if (PlanEditorPreview(request, &plan, &mx, gDiagnostics) != kUiOk) {
        Host_StoreResult(memFullErr);
        return;
    }
    gFilterRecord->bufferSpace = int32_t(plan.bufferSpace);
    gFilterRecord->maxSpace = int32_t(plan.maxSpace);
    gDataBlock->rowSkip = plan.rowSkip;
    edit.previewReduced = plan.previewReduced;
    edit.previewWidth = plan.previewWidth;
    edit.previewHeight = plan.previewHeight;
    // The window loses what the preview lost from its largest size.
    UiRect area;
    if (Plat_ScreenWorkArea(&area) == kUiOk)
        edit.windowRect =
            PassRect{area.top, area.left, area.bottom - ((mx.bottom - mx.top) - plan.previewHeight),
                     area.right + (plan.previewWidth - (mx.right - mx.left))};
    Ui_Debug_Logf(gDiagnostics, "Tell Photoshop: maxSpace = %ld, bufferSpace = %ld",
                  long(plan.maxSpace), long(plan.bufferSpace));
    Ui_Debug_Log(gDiagnostics, "...DoPrepare");
}
