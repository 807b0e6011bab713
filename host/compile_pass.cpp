#include "host/compile_pass.h"

#include "host/module_state.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kGridNodes = 33;

// Three inputs, three outputs, 33 nodes a side placed evenly over the grid's
// code range, each grid value the node's own input: the identity.
int32_t BuildIdentity(int32_t gridDepth, Tintwork** out) {
    *out = nullptr;
    Tintwork* tw = nullptr;
    UI_TRY(CreateTintwork(&tw, 3, 3, kTwSpaceRgb, kTwSpaceRgb, 1, kTwKindExplicit, gridDepth));
    const uint32_t max = gridDepth == 2 ? 65535u : 255u;
    uint16_t nodes[kGridNodes];
    for (uint32_t i = 0; i < kGridNodes; ++i)
        nodes[i] = uint16_t((i * max + (kGridNodes - 1) / 2) / (kGridNodes - 1));
    int32_t status = kUiOk;
    for (int32_t c = 0; c < 3 && status == kUiOk; ++c)
        status = SetInputNodes(tw, c, kGridNodes, nodes);
    // Node index n = r + 33 g + 33² b: the first input varies fastest.
    for (uint32_t n = 0; n < kGridNodes * kGridNodes * kGridNodes && status == kUiOk; ++n) {
        const uint16_t v[3] = {nodes[n % kGridNodes], nodes[n / kGridNodes % kGridNodes],
                               nodes[n / (kGridNodes * kGridNodes)]};
        const uint8_t v8[3] = {uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2])};
        status = SetGridNode(tw, n, gridDepth == 2 ? static_cast<const void*>(v) : v8);
    }
    if (status != kUiOk) {
        DestroyTintwork(tw);
        return status;
    }
    *out = tw;
    return kUiOk;
}

}  // namespace

int32_t CompileForPass(EditState* edit, int32_t bytesPerSample) {
    if (edit == nullptr || (bytesPerSample != 1 && bytesPerSample != 2)) return kUiErrArg;
    DestroyTintwork(edit->transform);
    edit->transform = nullptr;
    return BuildIdentity(bytesPerSample, &edit->transform);
}

void FreeEditParsStuff(EditState* edit) {
    if (edit == nullptr) return;
    Ui_Debug_Log(gDiagnostics, "FreeEditParsStuff...");
    DestroyTintwork(edit->transform);
    edit->transform = nullptr;
    Ui_Debug_Log(gDiagnostics, "FreeImages...");
    // The preview images, the display map and the selection bitmap join here
    // with the editor.
    Ui_Debug_Log(gDiagnostics, "...FreeImages");
    Ui_Debug_Log(gDiagnostics, "... FreeEditParsStuff done");
}
