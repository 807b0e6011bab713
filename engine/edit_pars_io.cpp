// The persisted images of the settings record: every numeric field one 4-byte
// cell (flags and integers stored as numbers too), in a fixed order that is
// not the in-memory layout; the bin name is 20 raw bytes at the end of its bin.
// The cells are portable numbers or big-endian IEEE singles.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/edit_pars.h"
#include "ui/portable_number.h"
#include "ui/status.h"

namespace {

enum CellKind : uint8_t { kCellFloat, kCellFlag, kCellInt };

// count consecutive fields of one kind at offset, one cell each.
struct CellRun {
    uint16_t offset;
    uint8_t kind;
    uint8_t count;
};

const CellRun kRecordCells[] = {
    {offsetof(EditPars, refRGB.gamma), kCellFloat, 1},
    {offsetof(EditPars, refRGB.xyzWhite), kCellFloat, 3},
    {offsetof(EditPars, refRGB.primaries), kCellFloat, 6},
    {offsetof(EditPars, doAutoBlack), kCellFlag, 1},
    {offsetof(EditPars, autoBlackAmount), kCellFloat, 1},
    {offsetof(EditPars, doAutoWhite), kCellFlag, 1},
    {offsetof(EditPars, autoWhiteAmount), kCellFloat, 1},
    {offsetof(EditPars, doAutoMidGray), kCellFlag, 1},
    {offsetof(EditPars, autoMidGrayAmount), kCellFloat, 1},
    {offsetof(EditPars, brightness), kCellFloat, 1},
    {offsetof(EditPars, contrast), kCellFloat, 1},
};
const CellRun kBinCells[] = {
    {offsetof(MemoryColorBin, haveDef), kCellFlag, 1},
    {offsetof(MemoryColorBin, fcn.maxChroma), kCellFloat, 1},
    {offsetof(MemoryColorBin, fcn.baseHue), kCellFloat, 1},
    {offsetof(MemoryColorBin, fcn.dHdL), kCellFloat, 1},
};
const CellRun kSampleCells[] = {
    {offsetof(MemorySample, sumR), kCellFloat, 1},
    {offsetof(MemorySample, sumG), kCellFloat, 1},
    {offsetof(MemorySample, sumB), kCellFloat, 1},
    {offsetof(MemorySample, count), kCellInt, 1},
};
const CellRun kExtensionCells[] = {
    {offsetof(EditPars, doSharpen), kCellFlag, 1},
    {offsetof(EditPars, sharpenStrength), kCellInt, 1},
    {offsetof(EditPars, sharpenMode), kCellInt, 1},
    {offsetof(EditPars, doRemoveNoise), kCellFlag, 1},
    {offsetof(EditPars, noiseFlag), kCellFlag, 1},
    {offsetof(EditPars, noiseRadius), kCellInt, kNoiseChannels},
    {offsetof(EditPars, noiseThreshold), kCellInt, kNoiseChannels},
    {offsetof(EditPars, noiseExtra), kCellInt, 1},
};

constexpr uint32_t kCellBytes = 4;
constexpr uint32_t kRecordCellBytes = 18 * kCellBytes;
constexpr uint32_t kBinBytes = (4 + 4 * kSamplesPerBin) * kCellBytes + kBinNameBytes;
static_assert(kRecordCellBytes + kMemoryColorBins * kBinBytes == kEditParsBytes,
              "base block layout");
static_assert(14 * kCellBytes == kEditParsExtensionBytes, "extension block layout");

struct CellCodec {
    float (*get)(const uint8_t* cell);
    void (*put)(float value, uint8_t* cell);
};
float GetPortable(const uint8_t* cell) {
    return Ui_DecodeNumber(cell, kUiNumberBinary);
}
void PutPortable(float value, uint8_t* cell) {
    Ui_EncodeNumber(value, kUiNumberBinary, cell);
}
const CellCodec kPortable = {GetPortable, PutPortable};
const CellCodec kIeee = {Ui_GetBEFloat, Ui_PutBEFloat};

// Toward zero, held within the 32-bit range; not a number gives 0.
int32_t TruncateToInt32(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return int32_t(v);
}

void PutRuns(const void* record, const CellRun* runs, size_t n, const CellCodec& codec,
             uint8_t** out) {
    const uint8_t* base = static_cast<const uint8_t*>(record);
    for (size_t r = 0; r < n; ++r) {
        for (uint32_t i = 0; i < runs[r].count; ++i) {
            float v;
            if (runs[r].kind == kCellFlag) {
                v = base[runs[r].offset + i];
            } else if (runs[r].kind == kCellInt) {
                int32_t k;
                std::memcpy(&k, base + runs[r].offset + 4 * i, 4);
                v = float(k);
            } else {
                std::memcpy(&v, base + runs[r].offset + 4 * i, 4);
            }
            codec.put(v, *out);
            *out += kCellBytes;
        }
    }
}

void GetRuns(void* record, const CellRun* runs, size_t n, const CellCodec& codec,
             const uint8_t** in) {
    uint8_t* base = static_cast<uint8_t*>(record);
    for (size_t r = 0; r < n; ++r) {
        for (uint32_t i = 0; i < runs[r].count; ++i) {
            const float v = codec.get(*in);
            *in += kCellBytes;
            if (runs[r].kind == kCellFlag) {
                base[runs[r].offset + i] = v > 0.5f ? 1 : 0;
            } else if (runs[r].kind == kCellInt) {
                const int32_t k = TruncateToInt32(v);
                std::memcpy(base + runs[r].offset + 4 * i, &k, 4);
            } else {
                std::memcpy(base + runs[r].offset + 4 * i, &v, 4);
            }
        }
    }
}

template <size_t N>
constexpr size_t Count(const CellRun (&)[N]) {
    return N;
}

void PutBase(const EditPars& pars, const CellCodec& codec, uint8_t* out) {
    PutRuns(&pars, kRecordCells, Count(kRecordCells), codec, &out);
    for (const MemoryColorBin& bin : pars.customBinColors) {
        PutRuns(&bin, kBinCells, Count(kBinCells), codec, &out);
        for (const MemorySample& s : bin.samplesBin)
            PutRuns(&s, kSampleCells, Count(kSampleCells), codec, &out);
        // The name up to its terminator; the rest of the field is zero.
        const void* end = std::memchr(bin.name, 0, kBinNameBytes);
        const size_t n = end ? size_t(static_cast<const char*>(end) - bin.name) : kBinNameBytes;
        std::memset(out, 0, kBinNameBytes);
        std::memcpy(out, bin.name, n);
        out += kBinNameBytes;
    }
}

void GetBase(const uint8_t* in, const CellCodec& codec, EditPars* pars) {
    GetRuns(pars, kRecordCells, Count(kRecordCells), codec, &in);
    for (MemoryColorBin& bin : pars->customBinColors) {
        GetRuns(&bin, kBinCells, Count(kBinCells), codec, &in);
        for (MemorySample& s : bin.samplesBin)
            GetRuns(&s, kSampleCells, Count(kSampleCells), codec, &in);
        std::memcpy(bin.name, in, kBinNameBytes);
        bin.name[kBinNameBytes - 1] = 0;
        in += kBinNameBytes;
    }
}

int32_t ReadBase(const uint8_t* cells, uint32_t length, EditPars* pars, const CellCodec& codec) {
    if (cells == nullptr || pars == nullptr) return kUiErrArg;
    // Anything not decoded keeps its default.
    UI_TRY(SetDefaultEditParsBase(pars, kDefaultPredefinedBins));
    if (length != kEditParsBytes) return kUiErrFormat;
    GetBase(cells, codec, pars);
    RoundPrimaries(pars->refRGB.primaries);
    return ValidateEditPars(pars);
}

int32_t WriteBase(const EditPars* pars, uint8_t* cells, uint32_t capacity, const CellCodec& codec) {
    if (pars == nullptr || cells == nullptr || capacity < kEditParsBytes) return kUiErrArg;
    PutBase(*pars, codec, cells);
    return kUiOk;
}

}  // namespace

int32_t ReadEditPars(const uint8_t* cells, uint32_t length, EditPars* pars) {
    return ReadBase(cells, length, pars, kPortable);
}

int32_t ReadEditParsBigEndian(const uint8_t* cells, uint32_t length, EditPars* pars) {
    return ReadBase(cells, length, pars, kIeee);
}

int32_t ReadEditParsExtension(const uint8_t* cells, uint32_t length, EditPars* pars) {
    if (cells == nullptr || pars == nullptr) return kUiErrArg;
    if (length != kEditParsExtensionBytes) return kUiErrFormat;
    GetRuns(pars, kExtensionCells, Count(kExtensionCells), kPortable, &cells);
    return kUiOk;
}

int32_t WriteEditPars(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    return WriteBase(pars, cells, capacity, kPortable);
}

int32_t WriteEditParsBigEndian(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    return WriteBase(pars, cells, capacity, kIeee);
}

int32_t WriteEditParsExtension(const EditPars* pars, uint8_t* cells, uint32_t capacity) {
    if (pars == nullptr || cells == nullptr || capacity < kEditParsExtensionBytes) return kUiErrArg;
    PutRuns(pars, kExtensionCells, Count(kExtensionCells), kPortable, &cells);
    return kUiOk;
}
