// Handlers whose work is not built yet: each validates the blocks, traces its
// entry and exit, and the host sees success.
#include "host/blocks.h"
#include "host/module_state.h"
#include "host/stages.h"
#include "ui/debug_log.h"

void DoPrepare() {
    Ui_Debug_Log(gDiagnostics, "DoPrepare...");
    RecoverBlocks();
    Ui_Debug_Log(gDiagnostics, "...DoPrepare");
}

void DoStart() {
    Ui_Debug_Log(gDiagnostics, "DoStart...");
    LockAndCheckBlocks();
    Ui_Debug_Log(gDiagnostics, "...DoStart");
}

// Nothing is recorded for scripting yet.
void WriteScriptParameters() {}
