// The small handlers: about, continue and finish.
#include "host/stages.h"

#include "host/about_box.h"
#include "host/blocks.h"
#include "host/handle_lock.h"
#include "host/host_rects.h"
#include "host/module_state.h"
#include "host/script_params.h"
#include "ui/debug_log.h"
#include "ui/status.h"

void DoAbout() {
    Ui_Debug_Log(gDiagnostics, "DoAbout...");
    const int32_t status = RunAboutBox(gUiState);
    if (status != kUiOk) Ui_Debug_Logf(gDiagnostics, "RunAboutBox error %d", int(status));
    Ui_Debug_Log(gDiagnostics, "...DoAbout");
}

// All image work happens inside the start stage through advanceState; empty
// rectangles end the host's continue loop at once.
void DoContinue() {
    Ui_Debug_Log(gDiagnostics, "DoContinue...");
    const VRect empty = {0, 0, 0, 0};
    SetInRect(empty);
    SetMaskRect(empty);
    SetOutRect(empty);
    Ui_Debug_Log(gDiagnostics, "...DoContinue");
}

void DoFinish() {
    Ui_Debug_Log(gDiagnostics, "DoFinish...");
    LockHandles();
    // Settings are recorded only from a sound parameters block.
    if (!Host_ResultSet() && CheckParameters() == 0) WriteScriptParameters();
    Ui_Debug_Log(gDiagnostics, "...DoFinish");
}
