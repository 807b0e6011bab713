#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/edit_pars.h"
#include "ui/debug_log.h"
#include "ui/status.h"

namespace {

// Each checked scalar of the record, declared once: the name its log line
// uses, where it lives, its valid range and the value it takes by default
// and when repaired.
enum ParamKind : uint8_t { kParamFlag, kParamFloat };
struct EditParam {
    const char* name;
    uint16_t offset;
    uint8_t kind;
    float low;
    float high;
    float fallback;
};

// Record-level parameters, in the order they are validated. The amounts have
// no range of their own; only a value that is not a finite number is refused.
const EditParam kRecordParams[] = {
    {"doAutoBlack", offsetof(EditPars, doAutoBlack), kParamFlag, 0, 1, 0},
    {"doAutoMidGray", offsetof(EditPars, doAutoMidGray), kParamFlag, 0, 1, 0},
    {"doAutoWhite", offsetof(EditPars, doAutoWhite), kParamFlag, 0, 1, 0},
    {"brightness", offsetof(EditPars, brightness), kParamFloat, 0, 1, 0.5f},
    {"contrast", offsetof(EditPars, contrast), kParamFloat, 0, 1, 0.5f},
    {"autoBlackAmount", offsetof(EditPars, autoBlackAmount), kParamFloat, -FLT_MAX, FLT_MAX, 0},
    {"autoWhiteAmount", offsetof(EditPars, autoWhiteAmount), kParamFloat, -FLT_MAX, FLT_MAX, 0},
    {"autoMidGrayAmount", offsetof(EditPars, autoMidGrayAmount), kParamFloat, -FLT_MAX, FLT_MAX, 0},
};

// The ideal of a defined memory colour, in the order it is validated.
const EditParam kFcnParams[] = {
    {"fcn.maxChroma", offsetof(MemoryColorBin, fcn.maxChroma), kParamFloat, 0, 100, 0},
    {"fcn.baseHue", offsetof(MemoryColorBin, fcn.baseHue), kParamFloat, 0, 360, 0},
    {"fcn.dHdL", offsetof(MemoryColorBin, fcn.dHdL), kParamFloat, -1, 1, 0},
};

// Working-space ranges of the stored settings.
constexpr float kMinGamma = 0.5f, kMaxGamma = 5.0f;
constexpr float kMinWhite = 0.1f, kMaxWhite = 2.0f;

struct PredefinedColorDef {
    const char* name;
    MemoryColorFcn fcn;
};
const PredefinedColorDef kPredefinedColors[] = {
    {"Foliage", {40, 120, -0.5f}},
    {"Skin", {32, 45, 0}},
    {"Sky", {40, 258, -0.7f}},
    {"Neutrals", {0, 0, 0}},
};
// The predefined colour each bin receives: Neutrals, Skin, Foliage, then Sky.
const int32_t kBinColorKinds[] = {kColorNeutrals, kColorSkin, kColorFoliage};

double GetParam(const void* base, const EditParam& p) {
    const uint8_t* at = static_cast<const uint8_t*>(base) + p.offset;
    if (p.kind == kParamFlag) return *at;
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

void SetParam(void* base, const EditParam& p, float value) {
    uint8_t* at = static_cast<uint8_t*>(base) + p.offset;
    if (p.kind == kParamFlag)
        *at = uint8_t(value);
    else
        std::memcpy(at, &value, sizeof value);
}

// NaN is outside every range.
bool InRange(double v, double low, double high) {
    return v >= low && v <= high;
}

bool SampleValid(const MemorySample& s) {
    return s.count >= 0 && InRange(s.sumR, 0, FLT_MAX) && InRange(s.sumG, 0, FLT_MAX) &&
           InRange(s.sumB, 0, FLT_MAX);
}

bool RefRGBValid(const RefRGB& r) {
    if (!InRange(r.gamma, kMinGamma, kMaxGamma)) return false;
    for (float w : r.xyzWhite)
        if (!InRange(w, kMinWhite, kMaxWhite)) return false;
    for (float p : r.primaries)
        if (!InRange(p, 0, FLT_MAX)) return false;
    return true;
}

// True when the bin fails a rule; with log set, the first failing rule of the
// bin is written to the log.
bool BinFails(const MemoryColorBin& bin, int32_t b, bool log) {
    if (bin.haveDef > 1) {
        if (log)
            Ui_Debug_Logf(1, "editPars customBinColors[%d].haveDef pref invalid: %d", int(b),
                          int(bin.haveDef));
        return true;
    }
    if (bin.haveDef == 0) return false;
    for (const EditParam& p : kFcnParams) {
        const double v = GetParam(&bin, p);
        if (InRange(v, p.low, p.high)) continue;
        if (log)
            Ui_Debug_Logf(1, "editPars customBinColors[%d].%s pref invalid: %f", int(b), p.name, v);
        return true;
    }
    for (int32_t s = 0; s < kSamplesPerBin; ++s) {
        const MemorySample& m = bin.samplesBin[s];
        if (SampleValid(m)) continue;
        if (log)
            Ui_Debug_Logf(
                1, "editPars customBinColors[%d].samplesBin[%d] pref invalid: %f %f %f %f", int(b),
                int(s), double(m.sumR), double(m.sumG), double(m.sumB), double(m.count));
        return true;
    }
    return false;
}

void EmptyBin(MemoryColorBin* bin) {
    bin->haveDef = 0;
    std::memset(bin->name, 0, sizeof bin->name);
    for (MemorySample& s : bin->samplesBin) s.count = 0;
}

void SetEmptyBin(MemoryColorBin* bin) {
    std::memset(bin, 0, sizeof *bin);
    bin->name[0] = ' ';
}

}  // namespace

int32_t SetPredefinedMemoryColor(int32_t kind, MemoryColorBin* bin) {
    if (bin == nullptr || kind < 0 || kind > kColorNeutrals) return kUiErrArg;
    const PredefinedColorDef& def = kPredefinedColors[kind];
    std::memset(bin, 0, sizeof *bin);
    bin->haveDef = 1;
    std::memcpy(bin->name, def.name, std::strlen(def.name) + 1);
    bin->fcn = def.fcn;
    return kUiOk;
}

void ClearMemorySamples(MemoryColorBin* bin) {
    if (bin != nullptr) std::memset(bin->samplesBin, 0, sizeof bin->samplesBin);
}

int32_t SetDefaultRefRGB(EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    return DefaultRefRGB(&pars->refRGB);
}

int32_t SetDefaultEditParsBase(EditPars* pars, int32_t numPredefined) {
    if (pars == nullptr) return kUiErrArg;
    UI_TRY(SetDefaultRefRGB(pars));
    for (const EditParam& p : kRecordParams) SetParam(pars, p, p.fallback);
    for (int32_t b = 0; b < kMemoryColorBins; ++b) {
        MemoryColorBin* bin = &pars->customBinColors[b];
        if (b >= numPredefined) {
            SetEmptyBin(bin);
            continue;
        }
        const int32_t kind = b < 3 ? kBinColorKinds[b] : int32_t(kColorSky);
        UI_TRY(SetPredefinedMemoryColor(kind, bin));
    }
    return kUiOk;
}

int32_t SetDefaultEditPars(EditPars* pars, int32_t numPredefined) {
    if (pars == nullptr) return kUiErrArg;
    EditPars fresh;
    std::memset(&fresh, 0, sizeof fresh);  // also the padding: copies compare bytewise
    UI_TRY(SetDefaultEditParsBase(&fresh, numPredefined));
    *pars = fresh;
    return kUiOk;
}

int32_t ValidateEditPars(EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    const RefRGB& r = pars->refRGB;
    if (!RefRGBValid(r)) {
        Ui_Debug_Logf(1, "refRGB in the editPars prefs is invalid: %f, %f %f %f, %f %f %f %f %f %f",
                      double(r.gamma), double(r.xyzWhite[0]), double(r.xyzWhite[1]),
                      double(r.xyzWhite[2]), double(r.primaries[0]), double(r.primaries[1]),
                      double(r.primaries[2]), double(r.primaries[3]), double(r.primaries[4]),
                      double(r.primaries[5]));
        UI_TRY(SetDefaultEditParsBase(pars, kDefaultPredefinedBins));
        return kUiErrUnsupported;
    }
    bool repaired = false;
    for (const EditParam& p : kRecordParams) {
        const double v = GetParam(pars, p);
        if (InRange(v, p.low, p.high)) continue;
        if (p.kind == kParamFlag)
            Ui_Debug_Logf(1, "editPars %s pref invalid: %d", p.name, int(v));
        else
            Ui_Debug_Logf(1, "editPars %s pref invalid: %f", p.name, v);
        SetParam(pars, p, p.fallback);
        repaired = true;
    }
    for (int32_t b = 0; b < kMemoryColorBins; ++b) {
        if (!BinFails(pars->customBinColors[b], b, true)) continue;
        EmptyBin(&pars->customBinColors[b]);
        repaired = true;
    }
    return repaired ? kUiErrUnsupported : kUiOk;
}

int32_t CheckEditPars(const EditPars* pars) {
    if (pars == nullptr) return kUiErrArg;
    for (const EditParam& p : kRecordParams)
        if (!InRange(GetParam(pars, p), p.low, p.high)) return kUiErrArg;
    for (int32_t b = 0; b < kMemoryColorBins; ++b)
        if (BinFails(pars->customBinColors[b], b, false)) return kUiErrArg;
    return CheckWorkingSpace(&pars->refRGB);
}
