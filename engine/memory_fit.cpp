#include <cmath>
#include <limits>

#include "engine/colour_science.h"
#include "engine/memory_colour.h"
#include "engine/memory_colour_internal.h"
#include "ui/allocator.h"
#include "ui/status.h"

const char* const kMeasurementTypeNames[kMeasurementTypes] = {"Lab", "Luv",    "xyY",   "xyY100",
                                                              "XYZ", "XYZ100", "LCHab", "LCHuv"};

namespace {

constexpr int32_t kMaxChromaCandidate = 100;
// Only measurements at least this colourful say anything about the hue.
constexpr float kMinHueChroma = 5.0f;
constexpr int32_t kSlopeSteps = 10;  // dHdL runs over ±kSlopeSteps tenths
constexpr int32_t kHueCandidates = 360;
constexpr int32_t kBands = kSamplesPerBin;

// Every search starts from an unbounded best error, so that it always has a
// result: a fixed starting bound would leave none when a large set of
// measurements errs above it for every candidate. Whenever some candidate
// beats such a bound, the winner is the same.
constexpr double kNoBestYet = std::numeric_limits<double>::infinity();

int32_t FitMaxChroma(int32_t count, const float (*lch)[3]) {
    double best = kNoBestYet;
    int32_t bestC = 0;
    for (int32_t c = 0; c <= kMaxChromaCandidate; ++c) {
        double error = 0.0;
        for (int32_t i = 0; i < count && error <= best; ++i) {
            const double l = lch[i][0];
            const double d = ColorFunctionChroma(c, l) - lch[i][1];
            error += d * d;
        }
        if (error < best) {
            best = error;
            bestC = c;
        }
    }
    return bestC;
}

// The hue difference taken the short way round: one turn added or taken away
// is enough for predictions within 50 degrees of 0 .. 360 and hues in 0 .. 360.
double HueDifference(double predicted, double hue) {
    double d = predicted - hue;
    if (d > 180.0)
        d -= 360.0;
    else if (d < -180.0)
        d += 360.0;
    return d;
}

// Base hue and slope of the measurements with chroma >= 5.
void FitHue(int32_t count, const float (*lch)[3], MemoryColorFcn* fcn) {
    int32_t used = 0, only = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (lch[i][1] >= kMinHueChroma) {
            ++used;
            only = i;
        }
    }
    fcn->baseHue = 0.0f;
    fcn->dHdL = 0.0f;
    if (used == 0) return;
    if (used == 1) {
        fcn->baseHue = lch[only][2];
        return;
    }
    double best = kNoBestYet;
    int32_t bestH = 0, bestD = -kSlopeSteps;
    for (int32_t d = -kSlopeSteps; d <= kSlopeSteps; ++d) {
        const double slope = d * 0.1;
        for (int32_t h = 0; h < kHueCandidates; ++h) {
            double error = 0.0;
            for (int32_t i = 0; i < count && error <= best; ++i) {
                if (lch[i][1] < kMinHueChroma) continue;
                const double e = HueDifference((lch[i][0] - 50.0) * slope + h, lch[i][2]);
                error += e * e;
            }
            if (error < best) {
                best = error;
                bestH = h;
                bestD = d;
            }
        }
    }
    fcn->baseHue = float(bestH);
    fcn->dHdL = float(bestD * 0.1);
}

bool Finite3(const float v[3]) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// A measured L, C, h triple: a lightness and chroma that Lab allows (checked
// as the Lab colour (L, C, 0)), a chroma that is not negative.
int32_t CheckMeasuredLCh(const float lch[3]) {
    float lab[3] = {lch[0], lch[1], 0.0f};
    UI_TRY(CheckLab(lab));
    return lch[1] < 0.0f ? kUiErrGeneral : kUiOk;
}

// One measured triple of type `type` as LCh; any failing check fails it.
int32_t MeasurementToLCh(int32_t type, const float in[3], float lch[3]) {
    float v[3] = {in[0], in[1], in[2]}, lab[3];
    switch (type) {
        case kMeasuredLab:
            UI_TRY(CheckLab(v));
            return LabToLCh(v, lch);
        case kMeasuredLuv:
            UI_TRY(LuvToLab(v, lab));
            return LabToLCh(lab, lch);
        case kMeasuredxyY100:
            v[2] *= 0.01f;
            [[fallthrough]];
        case kMeasuredxyY:
            UI_TRY(xyYToLabAtTemperature(v, lab, kMemoryColorKelvin));
            return LabToLCh(lab, lch);
        case kMeasuredXYZ100:
            for (float& c : v) c *= 0.01f;
            [[fallthrough]];
        case kMeasuredXYZ:
            UI_TRY(XYZToLabAtTemperature(v, lab, kMemoryColorKelvin));
            return LabToLCh(lab, lch);
        case kMeasuredLCHab:
            UI_TRY(CheckMeasuredLCh(v));
            lch[0] = v[0];
            lch[1] = v[1];
            lch[2] = WrapDegrees(v[2]);
            return kUiOk;
        case kMeasuredLCHuv: {
            UI_TRY(CheckMeasuredLCh(v));
            float luv[3];
            UI_TRY(LChToLab(v, luv));
            UI_TRY(LuvToLab(luv, lab));
            return LabToLCh(lab, lch);
        }
        default:
            return kUiErrArg;
    }
}

}  // namespace

int32_t FitColorFunction(int32_t count, const float (*lch)[3], MemoryColorFcn* fcn) {
    if (count < 1 || lch == nullptr || fcn == nullptr) return kUiErrArg;
    MemoryColorFcn f;
    f.maxChroma = float(FitMaxChroma(count, lch));
    FitHue(count, lch, &f);
    *fcn = f;
    return kUiOk;
}

int32_t FitColorFunctionFromRGB(const float rgb[3], const RefRGB& ref, MemoryColorFcn* fcn) {
    if (rgb == nullptr || fcn == nullptr) return kUiErrArg;
    Matrix* toXYZ = nullptr;
    UI_TRY(MakeWorkingToXYZ(ref, &toXYZ));
    UiOwned<Matrix> owner(toXYZ);
    float lch[1][3];
    UI_TRY(WorkingRGBToReferenceLCh(rgb, ref, toXYZ, lch[0]));
    return FitColorFunction(1, lch, fcn);
}

int32_t FitColorFunctionFromClicks(int32_t count, const RegionPoint* points, const RefRGB& ref,
                                   const IPImage* view, MemoryColorFcn* fcn) {
    if (count < 1 || points == nullptr || view == nullptr || fcn == nullptr) return kUiErrArg;
    Matrix* toXYZ = nullptr;
    UI_TRY(MakeWorkingToXYZ(ref, &toXYZ));
    UiOwned<Matrix> matrixOwner(toXYZ);

    RegionMask region;
    UI_TRY(RegionMaskCreate(view->width, view->height, &region));
    UiOwned<uint8_t> bitsOwner(region.bits);
    for (int32_t i = 0; i < count; ++i)
        UI_TRY(GrowRegion(view, points[i].x, points[i].y, &region, nullptr));

    float colors[kBands][3];
    int32_t n = 0;
    UI_TRY(RegionBandColors(view, &region, kBands, colors, &n));
    for (int32_t i = 0; i < n; ++i)
        UI_TRY(WorkingRGBToReferenceLCh(colors[i], ref, toXYZ, colors[i]));
    return FitColorFunction(n, colors, fcn);
}

int32_t FitColorFunctionFromMeasurements(int32_t count, const float (*triples)[3], int32_t dataType,
                                         MemoryColorFcn* fcn, int32_t* skipped) {
    if (skipped != nullptr) *skipped = 0;
    if (count < 1 || triples == nullptr || fcn == nullptr || skipped == nullptr || dataType < 0 ||
        dataType >= kMeasurementTypes)
        return kUiErrArg;
    UiOwned<float[3]> lch(
        static_cast<float(*)[3]>(Ui_MallocArray(size_t(count), sizeof(float[3]))));
    if (!lch) return kUiErrMemory;

    int32_t used = 0;
    {
        ColorCheckModeScope strict(kColorCheckStrict);
        for (int32_t i = 0; i < count; ++i) {
            float* out = lch.get()[used];
            if (Finite3(triples[i]) && MeasurementToLCh(dataType, triples[i], out) == kUiOk &&
                Finite3(out))
                ++used;
            else
                ++*skipped;
        }
    }
    return FitColorFunction(used, lch.get(), fcn);
}
