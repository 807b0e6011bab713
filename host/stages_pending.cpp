// Handlers whose work is not built yet: each validates the blocks, traces its
// entry and exit, and the host sees success.
#include "editor/report_error.h"
#include "host/blocks.h"
#include "host/module_state.h"
#include "host/script_params.h"
#include "host/stages.h"
#include "ui/debug_log.h"

void DoStart() {
    Ui_Debug_Log(gDiagnostics, "DoStart...");
    LockAndCheckBlocks();
    if (!Host_ResultSet()) {
        const int32_t status = ReadScriptParameters();
        if (status != 0) ReportErrorAt(gUiState, status, kContextReadingScript, 0, nullptr);
    }
    Ui_Debug_Log(gDiagnostics, "...DoStart");
}
