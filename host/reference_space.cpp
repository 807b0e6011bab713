#include "host/reference_space.h"

#include "engine/colour_science.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

constexpr double kFixedOne = 65536.0;

double FromFixed(Fixed v) {
    return double(v) / kFixedOne;
}

}  // namespace

void ReferenceSpaceOfHost(const PlugInMonitor& m, RefRGB* ref, uint8_t diagnostics) {
    float white[2] = {0, 0};
    if (m.gamma != 0) {
        Ui_Debug_Log(diagnostics, "Host provides monitor information...");
        ref->gamma = float(FromFixed(m.gamma));
        const Fixed xy[6] = {m.redX, m.redY, m.greenX, m.greenY, m.blueX, m.blueY};
        for (int32_t i = 0; i < 6; ++i) ref->primaries[i] = float(FromFixed(xy[i]));
        white[0] = float(FromFixed(m.whiteX));
        white[1] = float(FromFixed(m.whiteY));
        const float xyY[3] = {white[0], white[1], 1.0f};
        if (xyYToXYZ(xyY, ref->xyzWhite) != kUiOk)
            ref->xyzWhite[0] = ref->xyzWhite[1] = ref->xyzWhite[2] = 0;
    } else {
        Ui_Debug_Log(diagnostics, "Using default reference space...");
        DefaultRefRGB(ref);
        const float sum = ref->xyzWhite[0] + ref->xyzWhite[1] + ref->xyzWhite[2];
        if (sum > 0) {
            white[0] = ref->xyzWhite[0] / sum;
            white[1] = ref->xyzWhite[1] / sum;
        }
    }
    RoundPrimaries(ref->primaries);
    const float* p = ref->primaries;
    Ui_Debug_Logf(diagnostics, "gamma: %f", double(ref->gamma));
    Ui_Debug_Logf(diagnostics, "primaries: %f %f %f %f %f %f", double(p[0]), double(p[1]),
                  double(p[2]), double(p[3]), double(p[4]), double(p[5]));
    Ui_Debug_Logf(diagnostics, "xyzWhite: %f %f %f (xy: %f %f)", double(ref->xyzWhite[0]),
                  double(ref->xyzWhite[1]), double(ref->xyzWhite[2]), double(white[0]),
                  double(white[1]));
}
