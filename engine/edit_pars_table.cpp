#include "engine/edit_pars_table.h"

#include <cfloat>
#include <cstring>

#include "engine/noise_mask.h"
#include "engine/sharpen.h"
#include "engine/working_space.h"

namespace {

constexpr uint32_t kCellBytes = 4;

constexpr EditParDefault Value(float v) {
    return {kDefaultValue, v, nullptr, nullptr};
}
constexpr EditParDefault List(const float* list) {
    return {kDefaultList, 0, list, nullptr};
}
constexpr EditParDefault Text(const char* text) {
    return {kDefaultText, 0, nullptr, text};
}
constexpr EditParDefault Rule(EditParDefaultRule rule) {
    return {rule, 0, nullptr, nullptr};
}
constexpr EditParDefault Same() {
    return Rule(kDefaultSame);
}

template <size_t N>
constexpr EditParTable Table(const EditParRow (&rows)[N], uint32_t recordBytes,
                             uint32_t cellBytes) {
    return {rows, uint32_t(N), recordBytes, cellBytes};
}

// Any finite value; "at least 0" is [0, FLT_MAX]: infinities fail both.
constexpr float kMax = FLT_MAX;

// clang-format off

// The working space. Checked as one: the first value out of range resets the
// whole base part.
const EditParRow kRefRGBRows[] = {
    {"gamma", kParFloat, EDIT_PAR_AT(RefRGB, gamma), 0, 0.5f, 5.0f,
     Value(kDefaultGamma), Same(), kCheckRange, 1, kRepairRecord},
    {"xyzWhite", kParFloat, EDIT_PAR_AT(RefRGB, xyzWhite), 4, 0.1f, 2.0f,
     Rule(kDefaultDaylightWhite), Same(), kCheckRange, 2, kRepairRecord},
    {"primaries", kParFloat, EDIT_PAR_AT(RefRGB, primaries), 16, 0, kMax,
     List(kDefaultPrimaries), Same(), kCheckRange, 3, kRepairRecord, nullptr, nullptr,
     kRoundFourDecimals},
};
const EditParTable kRefRGBTable = Table(kRefRGBRows, sizeof(RefRGB), 40);

// One eyedropper sample, checked as one.
const EditParRow kSampleRows[] = {
    {"sumR", kParFloat, EDIT_PAR_AT(MemorySample, sumR), 0, 0, kMax, Value(0), Same(),
     kCheckRange, 1, kRepairRecord},
    {"sumG", kParFloat, EDIT_PAR_AT(MemorySample, sumG), 4, 0, kMax, Value(0), Same(),
     kCheckRange, 2, kRepairRecord},
    {"sumB", kParFloat, EDIT_PAR_AT(MemorySample, sumB), 8, 0, kMax, Value(0), Same(),
     kCheckRange, 3, kRepairRecord},
    {"count", kParInt, EDIT_PAR_AT(MemorySample, count), 12, 0, kMax, Value(0), Same(),
     kCheckRange, 4, kRepairRecord},
};
const EditParTable kSampleTable = Table(kSampleRows, sizeof(MemorySample), 16);

// One memory-colour bin: a bin without a definition is not checked further;
// the first failing check of a defined bin empties it. The name moves to the
// end of the bin in the block.
const EditParRow kBinRows[] = {
    {"haveDef", kParFlag, EDIT_PAR_AT(MemoryColorBin, haveDef), 0, 0, 1, Value(0), Same(),
     kCheckGate, 1, kRepairRecord, "editPars customBinColors[%d].haveDef pref invalid: %d"},
    {"fcn.maxChroma", kParFloat, EDIT_PAR_AT(MemoryColorBin, fcn.maxChroma), 4, 0, 100,
     Value(0), Same(), kCheckRange, 2, kRepairRecord,
     "editPars customBinColors[%d].fcn.maxChroma pref invalid: %f"},
    {"fcn.baseHue", kParFloat, EDIT_PAR_AT(MemoryColorBin, fcn.baseHue), 8, 0, 360,
     Value(0), Same(), kCheckRange, 3, kRepairRecord,
     "editPars customBinColors[%d].fcn.baseHue pref invalid: %f"},
    {"fcn.dHdL", kParFloat, EDIT_PAR_AT(MemoryColorBin, fcn.dHdL), 12, -1, 1,
     Value(0), Same(), kCheckRange, 4, kRepairRecord,
     "editPars customBinColors[%d].fcn.dHdL pref invalid: %f"},
    {"samplesBin", kParGroup, EDIT_PAR_AT(MemoryColorBin, samplesBin), 16, 0, 0,
     Rule(kDefaultRecords), Same(), kCheckWhole, 5, kRepairRecord,
     "editPars customBinColors[%d].samplesBin[%d] pref invalid: %f %f %f %f", &kSampleTable},
    {"name", kParText, EDIT_PAR_AT(MemoryColorBin, name), 176, 0, 0, Text(" "), Same()},
};
const EditParTable kBinTable = Table(kBinRows, sizeof(MemoryColorBin), 196);

// The base block. Flags are validated in the order black, mid-grey, white;
// the amounts have no range of their own, only a value that is not a finite
// number is refused.
const EditParRow kBaseRows[] = {
    {"refRGB", kParGroup, EDIT_PAR_AT(EditPars, refRGB), 0, 0, 0,
     Rule(kDefaultRecords), Same(), kCheckWhole, 1, kRepairResetBase,
     "refRGB in the editPars prefs is invalid: %f, %f %f %f, %f %f %f %f %f %f", &kRefRGBTable},
    {"doAutoBlack", kParFlag, EDIT_PAR_AT(EditPars, doAutoBlack), 40, 0, 1, Value(0), Same(),
     kCheckRange, 2, kRepairDefault, "editPars doAutoBlack pref invalid: %d"},
    {"autoBlackAmount", kParFloat, EDIT_PAR_AT(EditPars, autoBlackAmount), 44, -kMax, kMax,
     Value(0), Same(), kCheckRange, 7, kRepairDefault, "editPars autoBlackAmount pref invalid: %f"},
    {"doAutoWhite", kParFlag, EDIT_PAR_AT(EditPars, doAutoWhite), 48, 0, 1, Value(0), Same(),
     kCheckRange, 4, kRepairDefault, "editPars doAutoWhite pref invalid: %d"},
    {"autoWhiteAmount", kParFloat, EDIT_PAR_AT(EditPars, autoWhiteAmount), 52, -kMax, kMax,
     Value(0), Same(), kCheckRange, 8, kRepairDefault, "editPars autoWhiteAmount pref invalid: %f"},
    {"doAutoMidGray", kParFlag, EDIT_PAR_AT(EditPars, doAutoMidGray), 56, 0, 1, Value(0), Same(),
     kCheckRange, 3, kRepairDefault, "editPars doAutoMidGray pref invalid: %d"},
    {"autoMidGrayAmount", kParFloat, EDIT_PAR_AT(EditPars, autoMidGrayAmount), 60, -kMax, kMax,
     Value(0), Same(), kCheckRange, 9, kRepairDefault,
     "editPars autoMidGrayAmount pref invalid: %f"},
    {"brightness", kParFloat, EDIT_PAR_AT(EditPars, brightness), 64, 0, 1, Value(0.5f), Same(),
     kCheckRange, 5, kRepairDefault, "editPars brightness pref invalid: %f"},
    {"contrast", kParFloat, EDIT_PAR_AT(EditPars, contrast), 68, 0, 1, Value(0.5f), Same(),
     kCheckRange, 6, kRepairDefault, "editPars contrast pref invalid: %f"},
    {"customBinColors", kParGroup, EDIT_PAR_AT(EditPars, customBinColors), 72, 0, 0,
     Rule(kDefaultMemoryColors), Same(), kCheckEach, 10, kRepairEmptyBin, nullptr, &kBinTable},
};

// Where a run in reset mode and Restore Defaults start: luminance untouched,
// the blue chrominance filtered with radius 8 and the red with radius 4.
constexpr float kStartRadius[kNoiseChannels] = {0, 8, 4, 0};
constexpr float kStartThreshold[kNoiseChannels] = {0, 16, 16, 0};

// The sharpen / noise block: cleared by default, not validated on reading.
// Thresholds are in 8-bit sample units.
const EditParRow kExtensionRows[] = {
    {"doSharpen", kParFlag, EDIT_PAR_AT(EditPars, doSharpen), 0, 0, 1, Value(0), Same()},
    {"sharpenStrength", kParInt, EDIT_PAR_AT(EditPars, sharpenStrength), 4,
     1, kSharpenMaxStrength, Value(0), Value(6)},
    {"sharpenMode", kParInt, EDIT_PAR_AT(EditPars, sharpenMode), 8,
     kSharpenEachChannel, kSharpenMaxSelector, Value(0), Value(kSharpenEachChannel)},
    {"doRemoveNoise", kParFlag, EDIT_PAR_AT(EditPars, doRemoveNoise), 12, 0, 1, Value(0), Same()},
    {"noiseFlag", kParFlag, EDIT_PAR_AT(EditPars, noiseFlag), 16, 0, 1, Value(0), Value(1)},
    {"noiseRadius", kParInt, EDIT_PAR_AT(EditPars, noiseRadius), 20, 0, kNoiseMaxRadius,
     Value(0), List(kStartRadius)},
    {"noiseThreshold", kParInt, EDIT_PAR_AT(EditPars, noiseThreshold), 36, 0, 255,
     Value(0), List(kStartThreshold)},
    {"noiseExtra", kParInt, EDIT_PAR_AT(EditPars, noiseExtra), 52, kNoiseSquare, kNoiseRays,
     Value(0), Value(kNoiseRandomDisc)},
};

// clang-format on

bool NameIs(const char* name, const char* row, const char** rest) {
    const size_t n = std::strlen(row);
    if (std::strncmp(name, row, n) != 0) return false;
    if (name[n] != 0 && name[n] != '.') return false;
    *rest = name[n] == '.' ? name + n + 1 : nullptr;
    return true;
}

const EditParRow* FindIn(const EditParTable& table, const char* name) {
    for (uint32_t i = 0; i < table.count; ++i) {
        const EditParRow& row = table.rows[i];
        const char* rest = nullptr;
        if (!NameIs(name, row.name, &rest)) continue;
        if (rest == nullptr) return &row;
        if (row.group != nullptr) {
            const EditParRow* found = FindIn(*row.group, rest);
            if (found != nullptr) return found;
        }
    }
    return nullptr;
}

}  // namespace

const EditParTable kEditParsBaseTable = Table(kBaseRows, sizeof(EditPars), kEditParsBytes);
const EditParTable kEditParsExtensionTable =
    Table(kExtensionRows, sizeof(EditPars), kEditParsExtensionBytes);

uint32_t EditParCellStride(const EditParRow& row) {
    if (row.kind == kParGroup) return row.group->cellBytes;
    if (row.kind == kParText) return 1;  // a text's elements are its bytes
    return kCellBytes;
}

const EditParRow* FindEditPar(const char* name) {
    if (name == nullptr) return nullptr;
    const EditParRow* row = FindIn(kEditParsBaseTable, name);
    return row != nullptr ? row : FindIn(kEditParsExtensionTable, name);
}

double EditParNumber(const EditParRow& row, const void* base, uint32_t i) {
    const void* at = EditParElement(row, base, i);
    if (row.kind == kParFlag) return *static_cast<const uint8_t*>(at);
    if (row.kind == kParInt) {
        int32_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}
