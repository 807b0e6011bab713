#include "editor/settings_file.h"

#include <cstring>
#include <initializer_list>

#include "editor/text_file.h"
#include "ui/status.h"

namespace {

constexpr char kSectionMark[] = "-----";

// A 0 / 1 switch as read: anything else becomes 2, which the checks refuse.
uint8_t Flag(int value) {
    return value == 0 || value == 1 ? uint8_t(value) : uint8_t(2);
}

int32_t WriteBin(FLFile* f, const MemoryColorBin& bin) {
    UI_TRY(TextFile_WriteLine(f, "%d\n", int(bin.haveDef)));
    char name[kBinNameBytes];
    std::memcpy(name, bin.name, sizeof name);
    name[kBinNameBytes - 1] = 0;
    UI_TRY(TextFile_WriteLine(f, "%s\n", name));
    UI_TRY(TextFile_WriteLine(f, "%f %f %f\n", double(bin.fcn.maxChroma), double(bin.fcn.baseHue),
                              double(bin.fcn.dHdL)));
    for (const MemorySample& s : bin.samplesBin)
        UI_TRY(TextFile_WriteLine(f, "%f %f %f %d\n", double(s.sumR), double(s.sumG),
                                  double(s.sumB), int(s.count)));
    return kUiOk;
}

int32_t WriteSection(FLFile* f, const EditPars& p) {
    UI_TRY(TextFile_WriteLine(f, "%s\n", kSectionMark));
    UI_TRY(TextFile_WriteLine(f, "%d %d %d\n", int(p.doSharpen), int(p.sharpenStrength),
                              int(p.sharpenMode)));
    UI_TRY(TextFile_WriteLine(f, "%d %d %d\n", int(p.doRemoveNoise), int(p.noiseFlag),
                              int(p.noiseExtra)));
    UI_TRY(TextFile_WriteLine(f, "%d %d %d %d\n", int(p.noiseRadius[0]), int(p.noiseRadius[1]),
                              int(p.noiseRadius[2]), int(p.noiseRadius[3])));
    return TextFile_WriteLine(f, "%d %d %d %d\n", int(p.noiseThreshold[0]),
                              int(p.noiseThreshold[1]), int(p.noiseThreshold[2]),
                              int(p.noiseThreshold[3]));
}

int32_t WriteWhole(FLFile* f, const void* context) {
    return WriteCustomSettingsTo(f, static_cast<const EditPars*>(context));
}

int32_t ReadBin(FLFile* f, MemoryColorBin* bin) {
    constexpr uint32_t cap = kSettingsLineCapacity;
    int haveDef = 0;
    UI_TRY(TextFile_ScanLine(f, cap, 1, "%d", &haveDef));
    bin->haveDef = haveDef > 0 ? 1 : 0;

    char line[kSettingsLineCapacity];
    uint32_t length = 0;
    UI_TRY(TextFile_ReadLine(f, line, cap, &length));
    const uint32_t nameLength = length - 1;  // without its line feed
    if (nameLength > uint32_t(kBinNameBytes - 1)) return kUiErrFormat;
    std::memset(bin->name, 0, sizeof bin->name);
    std::memcpy(bin->name, line, nameLength);

    MemoryColorFcn& fcn = bin->fcn;
    UI_TRY(TextFile_ScanLine(f, cap, 3, "%f %f %f", &fcn.maxChroma, &fcn.baseHue, &fcn.dHdL));
    const float values[3] = {fcn.maxChroma, fcn.baseHue, fcn.dHdL};
    if (!TextFile_AllFinite(values, 3)) return kUiErrFormat;
    for (MemorySample& s : bin->samplesBin) {
        int count = 0;
        UI_TRY(TextFile_ScanLine(f, cap, 4, "%f %f %f %d", &s.sumR, &s.sumG, &s.sumB, &count));
        s.count = count;
        const float sums[3] = {s.sumR, s.sumG, s.sumB};
        if (!TextFile_AllFinite(sums, 3)) return kUiErrFormat;
    }
    return kUiOk;
}

int32_t ReadBase(FLFile* f, EditPars* p) {
    constexpr uint32_t cap = kSettingsLineCapacity;
    RefRGB& ref = p->refRGB;
    UI_TRY(TextFile_ScanLine(f, cap, 4, "%f %f %f %f", &ref.gamma, &ref.xyzWhite[0],
                             &ref.xyzWhite[1], &ref.xyzWhite[2]));
    float* pr = ref.primaries;
    UI_TRY(TextFile_ScanLine(f, cap, 6, "%f %f %f %f %f %f", &pr[0], &pr[1], &pr[2], &pr[3], &pr[4],
                             &pr[5]));
    int flags[3] = {};
    UI_TRY(TextFile_ScanLine(f, cap, 3, "%d %d %d", &flags[0], &flags[1], &flags[2]));
    p->doAutoBlack = Flag(flags[0]);
    p->doAutoWhite = Flag(flags[1]);
    p->doAutoMidGray = Flag(flags[2]);
    UI_TRY(TextFile_ScanLine(f, cap, 3, "%f %f %f", &p->autoBlackAmount, &p->autoWhiteAmount,
                             &p->autoMidGrayAmount));
    UI_TRY(TextFile_ScanLine(f, cap, 2, "%f %f", &p->brightness, &p->contrast));
    const float values[] = {ref.gamma,
                            ref.xyzWhite[0],
                            ref.xyzWhite[1],
                            ref.xyzWhite[2],
                            pr[0],
                            pr[1],
                            pr[2],
                            pr[3],
                            pr[4],
                            pr[5],
                            p->autoBlackAmount,
                            p->autoWhiteAmount,
                            p->autoMidGrayAmount,
                            p->brightness,
                            p->contrast};
    if (!TextFile_AllFinite(values, int32_t(sizeof values / sizeof values[0]))) return kUiErrFormat;
    for (MemoryColorBin& bin : p->customBinColors) UI_TRY(ReadBin(f, &bin));
    return kUiOk;
}

// Skips lines up to the section's mark: 0 with *found, 0 without it when the
// file ends first (a file older than the section), or the read error.
int32_t FindSection(FLFile* f, bool* found) {
    char line[kSectionLineCapacity];
    *found = false;
    for (;;) {
        uint32_t length = UINT32_MAX;
        const int32_t status = FLReadLine(f, line, kSectionLineCapacity, &length);
        // FLReadLine reports the end of the file with a length of 0.
        if (status == kUiErrRead && length == 0) return kUiOk;
        UI_TRY(status);
        if (std::strncmp(line, kSectionMark, sizeof kSectionMark - 1) == 0) break;
    }
    *found = true;
    return kUiOk;
}

// The four lines after the mark.
int32_t ReadSectionLines(FLFile* f, EditPars* p) {
    constexpr uint32_t cap = kSectionLineCapacity;
    int sharpen = 0, noise = 0, noiseFlag = 0;
    UI_TRY(
        TextFile_ScanLine(f, cap, 3, "%d %d %d", &sharpen, &p->sharpenStrength, &p->sharpenMode));
    UI_TRY(TextFile_ScanLine(f, cap, 3, "%d %d %d", &noise, &noiseFlag, &p->noiseExtra));
    int32_t* r = p->noiseRadius;
    int32_t* t = p->noiseThreshold;
    UI_TRY(TextFile_ScanLine(f, cap, 4, "%d %d %d %d", &r[0], &r[1], &r[2], &r[3]));
    UI_TRY(TextFile_ScanLine(f, cap, 4, "%d %d %d %d", &t[0], &t[1], &t[2], &t[3]));
    for (int v : {sharpen, noise, noiseFlag})
        if (v != 0 && v != 1) return kUiErrFormat;
    p->doSharpen = uint8_t(sharpen);
    p->doRemoveNoise = uint8_t(noise);
    p->noiseFlag = uint8_t(noiseFlag);
    return kUiOk;
}

typedef int32_t (*ReadFrom)(FLFile* file, EditPars* target, int32_t builtInColors);

int32_t SectionFrom(FLFile* file, EditPars* target, int32_t) {
    return ReadSharpenNoiseSectionFrom(file, target);
}

// Opens path, runs read on it and closes it; a read error wins over the close.
int32_t ReadFile(const char* path, EditPars* target, int32_t builtInColors, ReadFrom read) {
    if (target == nullptr || path == nullptr) return kUiErrArg;
    FLFile file;
    UI_TRY(TextFile_OpenRead(&file, path));
    const int32_t status = read(&file, target, builtInColors);
    FLClose(&file);
    return status;
}

}  // namespace

int32_t WriteCustomSettingsTo(FLFile* f, const EditPars* pars) {
    if (f == nullptr || pars == nullptr) return kUiErrArg;
    const EditPars& p = *pars;
    const RefRGB& ref = p.refRGB;
    UI_TRY(TextFile_WriteLine(f, "%f %f %f %f\n", double(ref.gamma), double(ref.xyzWhite[0]),
                              double(ref.xyzWhite[1]), double(ref.xyzWhite[2])));
    const float* pr = ref.primaries;
    UI_TRY(TextFile_WriteLine(f, "%f %f %f %f %f %f\n", double(pr[0]), double(pr[1]), double(pr[2]),
                              double(pr[3]), double(pr[4]), double(pr[5])));
    UI_TRY(TextFile_WriteLine(f, "%d %d %d\n", int(p.doAutoBlack), int(p.doAutoWhite),
                              int(p.doAutoMidGray)));
    UI_TRY(TextFile_WriteLine(f, "%f %f %f\n", double(p.autoBlackAmount), double(p.autoWhiteAmount),
                              double(p.autoMidGrayAmount)));
    UI_TRY(TextFile_WriteLine(f, "%f %f\n", double(p.brightness), double(p.contrast)));
    for (const MemoryColorBin& bin : p.customBinColors) UI_TRY(WriteBin(f, bin));
    return WriteSection(f, p);
}

int32_t WriteCustomSettings(const EditPars* pars, const char* path) {
    if (pars == nullptr) return kUiErrArg;
    return TextFile_WriteReplacing(path, WriteWhole, pars);
}

int32_t ReadCustomSettingsFrom(FLFile* file, EditPars* target, int32_t builtInColors) {
    if (file == nullptr || target == nullptr) return kUiErrArg;
    EditPars scratch = *target;
    UI_TRY(SetDefaultEditParsBase(&scratch, builtInColors));
    UI_TRY(ReadBase(file, &scratch));
    if (CheckEditPars(&scratch) != kUiOk) return kUiErrFormat;
    *target = scratch;
    return kUiOk;
}

int32_t ReadCustomSettings(EditPars* target, const char* path, int32_t builtInColors) {
    return ReadFile(path, target, builtInColors, ReadCustomSettingsFrom);
}

int32_t ReadSharpenNoiseSectionFrom(FLFile* file, EditPars* target) {
    if (file == nullptr || target == nullptr) return kUiErrArg;
    EditPars scratch = *target;
    bool found = false;
    UI_TRY(FindSection(file, &found));
    if (!found) return kUiErrFormat;
    UI_TRY(ReadSectionLines(file, &scratch));
    *target = scratch;
    return kUiOk;
}

int32_t ReadSharpenNoiseSection(EditPars* target, const char* path) {
    return ReadFile(path, target, 0, SectionFrom);
}

int32_t ReadCustomSettingsFileFrom(FLFile* file, EditPars* target, int32_t builtInColors) {
    if (file == nullptr || target == nullptr) return kUiErrArg;
    EditPars scratch = *target;
    UI_TRY(ReadCustomSettingsFrom(file, &scratch, builtInColors));
    bool found = false;
    UI_TRY(FindSection(file, &found));
    if (found) UI_TRY(ReadSectionLines(file, &scratch));
    *target = scratch;
    return kUiOk;
}

int32_t ReadCustomSettingsFile(EditPars* target, const char* path, int32_t builtInColors) {
    return ReadFile(path, target, builtInColors, ReadCustomSettingsFileFrom);
}
