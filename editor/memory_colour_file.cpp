#include "editor/memory_colour_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/text_file.h"
#include "ui/status.h"

namespace {

// Fields before the name: flag, hue, chroma, dHdL.
constexpr int32_t kFieldsBeforeName = 4;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

float Clamp(float v, float low, float high) {
    return v < low ? low : v > high ? high : v;
}

int32_t WriteLine(FLFile* f, const void* context) {
    return WriteMemoryColorTo(f, static_cast<const MemoryColorBin*>(context));
}

}  // namespace

int32_t WriteMemoryColorTo(FLFile* file, const MemoryColorBin* bin) {
    if (file == nullptr || bin == nullptr || bin->haveDef == 0) return kUiErrArg;
    char name[kBinNameBytes];
    std::memcpy(name, bin->name, sizeof name);
    name[kBinNameBytes - 1] = 0;
    // std::lround rounds half away from zero.
    return TextFile_WriteLine(file, "%d %3ld %3ld %4.1f %s\n", 1, std::lround(bin->fcn.baseHue),
                              std::lround(bin->fcn.maxChroma), double(bin->fcn.dHdL), name);
}

int32_t WriteMemoryColor(const MemoryColorBin* bin, const char* path) {
    if (bin == nullptr || bin->haveDef == 0) return kUiErrArg;
    return TextFile_WriteReplacing(path, WriteLine, bin);
}

int32_t ReadMemoryColorFrom(FLFile* file, MemoryColorBin* bin) {
    if (file == nullptr || bin == nullptr) return kUiErrArg;
    char line[kShortLineCapacity];
    uint32_t length = 0;
    UI_TRY(TextFile_ReadLine(file, line, kShortLineCapacity, &length));
    if (length <= 1) return kUiErrFormat;

    // The name starts after the fourth blank (or tab) that is followed by
    // something else; the line feed counts as something else.
    const char* name = nullptr;
    int32_t places = 0;
    for (uint32_t i = 0; i + 1 < length; ++i) {
        if (IsBlank(line[i]) && !IsBlank(line[i + 1]) && ++places == kFieldsBeforeName) {
            name = line + i + 1;
            break;
        }
    }
    if (name == nullptr) return kUiErrFormat;

    int flag = 0;
    float hue = 0, chroma = 0, dHdL = 0;
    if (std::sscanf(line, "%d %f %f %f", &flag, &hue, &chroma, &dHdL) != 4 || flag != 1)
        return kUiErrFormat;
    const float values[3] = {hue, chroma, dHdL};
    if (!TextFile_AllFinite(values, 3)) return kUiErrFormat;

    bin->haveDef = 1;
    bin->fcn.baseHue = Clamp(hue, 0.0f, 360.0f);
    bin->fcn.maxChroma = Clamp(chroma, 0.0f, 100.0f);
    bin->fcn.dHdL = Clamp(dHdL, -1.0f, 1.0f);
    size_t nameLength = std::strcspn(name, "\n");
    if (nameLength > size_t(kBinNameBytes - 1)) nameLength = kBinNameBytes - 1;
    std::memset(bin->name, 0, sizeof bin->name);
    std::memcpy(bin->name, name, nameLength);
    return kUiOk;
}

int32_t ReadMemoryColor(MemoryColorBin* bin, const char* path) {
    if (bin == nullptr || path == nullptr) return kUiErrArg;
    FLFile file;
    UI_TRY(TextFile_OpenRead(&file, path));
    const int32_t status = ReadMemoryColorFrom(&file, bin);
    FLClose(&file);
    return status;
}
