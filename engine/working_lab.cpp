#include "engine/working_lab.h"

#include <cmath>

#include "engine/colour_science.h"
#include "engine/matrix.h"
#include "engine/memory_colour.h"
#include "ui/status.h"

int32_t InitWorkingLab(const RefRGB& ref, WorkingLab* space) {
    space->gamma = ref.gamma;
    UI_TRY(DaylightXYZ(kMemoryColorKelvin, space->white));
    Matrix* m = nullptr;
    if (MakeRGBToXYZ(ref.primaries, ref.xyzWhite, &m) != kUiOk) return kUiErrMemory;
    // Bradford adaptation is linear: adapting each primary's row once equals
    // adapting every colour's XYZ.
    int32_t status = kUiOk;
    for (int32_t k = 0; k < 3 && status == kUiOk; ++k)
        status = AdaptXYZ(m->v + 3 * k, space->toXYZ + 3 * k, ref.xyzWhite, space->white,
                          kAdaptBradford);
    MatrixFree(m);
    return status == kUiOk ? kUiOk : kUiErrMemory;
}

int32_t LinearToLab(const WorkingLab& space, const float linear[3], float lab[3]) {
    float xyz[3] = {0, 0, 0};
    for (int32_t k = 0; k < 3; ++k)
        for (int32_t j = 0; j < 3; ++j) xyz[j] += linear[k] * space.toXYZ[3 * k + j];
    return XYZToLab(xyz, lab, space.white);
}

void EncodedToLab(const WorkingLab& space, const double rgb[3], double lab[3]) {
    float linear[3];
    for (int32_t k = 0; k < 3; ++k) linear[k] = EncodedToLinear(float(rgb[k]), space.gamma);
    float out[3];
    LinearToLab(space, linear, out);
    for (int32_t j = 0; j < 3; ++j) lab[j] = out[j];
}

void MemoryColourIdealLab(const MemoryColorFcn& f, double lightness, double lab[3]) {
    const double chroma = ColorFunctionChroma(f.maxChroma, lightness);
    const double hue = (f.baseHue + (lightness - 50) * f.dHdL) * 3.14159265358979323846 / 180;
    lab[0] = lightness;
    lab[1] = chroma * std::cos(hue);
    lab[2] = chroma * std::sin(hue);
}
