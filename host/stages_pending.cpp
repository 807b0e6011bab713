// Handlers whose work is not built yet: each only traces its entry and exit,
// and the host sees success.
#include "host/module_state.h"
#include "host/stages.h"
#include "ui/debug_log.h"

void DoParameters() {
    Ui_Debug_Log(gDiagnostics, "DoParameters...");
    Ui_Debug_Log(gDiagnostics, "...DoParameters");
}

void DoPrepare() {
    Ui_Debug_Log(gDiagnostics, "DoPrepare...");
    Ui_Debug_Log(gDiagnostics, "...DoPrepare");
}

void DoStart() {
    Ui_Debug_Log(gDiagnostics, "DoStart...");
    Ui_Debug_Log(gDiagnostics, "...DoStart");
}

// Nothing is recorded for scripting yet.
void WriteScriptParameters() {}
