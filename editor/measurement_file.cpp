#include <cstdio>
#include <cstring>

#include "editor/memory_colour_file.h"
#include "editor/text_file.h"
#include "engine/memory_colour.h"
#include "ui/alert.h"
#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

// A measurement line must hold at least two separators between its numbers.
bool HasTwoSeparators(const char* line) {
    int32_t separators = 0;
    for (const char* c = line; *c != 0; ++c)
        if ((*c == ' ' || *c == '\t') && ++separators == 2) return true;
    return false;
}

// Counts the lines from the current position to the end of the file.
int32_t CountLines(FLFile* file, int32_t* count) {
    char line[kShortLineCapacity];
    uint32_t length = 0;
    *count = 0;
    while (FLReadLine(file, line, kShortLineCapacity, &length) == kUiOk) {
        if (*count == INT32_MAX) return kUiErrFormat;
        ++*count;
    }
    return kUiOk;
}

}  // namespace

int32_t MeasurementTypeOfHeader(const char* header, int32_t* type) {
    if (header == nullptr || type == nullptr) return kUiErrArg;
    const size_t length = std::strlen(header);
    for (int32_t t = 0; t < kMeasurementTypes; ++t) {
        if (std::strncmp(kMeasurementTypeNames[t], header, length) == 0) {
            *type = t;
            return kUiOk;
        }
    }
    return kUiErrFormat;
}

int32_t ImportCieMeasurementsFrom(FLFile* file, MemoryColorBin* bin, int32_t* skipped) {
    if (file == nullptr || bin == nullptr || skipped == nullptr) return kUiErrArg;
    *skipped = 0;
    char line[kShortLineCapacity];
    uint32_t length = 0;
    UI_TRY(TextFile_ReadLine(file, line, kShortLineCapacity, &length));
    line[length - 1] = 0;  // the header without its line feed
    int32_t type = 0;
    UI_TRY(MeasurementTypeOfHeader(line, &type));

    int32_t count = 0;
    UI_TRY(CountLines(file, &count));
    if (count == 0) return kUiErrFormat;
    UiOwned<float[3]> triples(
        static_cast<float(*)[3]>(Ui_MallocArray(size_t(count), sizeof(float[3]))));
    if (triples.p == nullptr) return kUiErrMemory;

    UI_TRY(FLSeek(file, 0, kFLFromStart));
    UI_TRY(FLReadLine(file, line, kShortLineCapacity, &length));
    for (int32_t i = 0; i < count; ++i) {
        UI_TRY(FLReadLine(file, line, kShortLineCapacity, &length));
        float* t = triples.p[i];
        if (!HasTwoSeparators(line) || std::sscanf(line, "%f %f %f", &t[0], &t[1], &t[2]) != 3)
            return kUiErrFormat;
    }
    MemoryColorFcn fcn = bin->fcn;
    UI_TRY(FitColorFunctionFromMeasurements(count, triples.p, type, &fcn, skipped));
    bin->fcn = fcn;
    bin->haveDef = 1;
    return kUiOk;
}

int32_t ImportCieMeasurements(UiState* state, MemoryColorBin* bin, const char* path,
                              int32_t* skipped) {
    if (bin == nullptr || path == nullptr || skipped == nullptr) return kUiErrArg;
    FLFile file;
    UI_TRY(TextFile_OpenRead(&file, path));
    const int32_t status = ImportCieMeasurementsFrom(&file, bin, skipped);
    FLClose(&file);
    if (status == kUiOk && *skipped >= 1) {
        char format[kUiStringCapacity], text[kUiStringCapacity];
        Ui_Sprintf(text, sizeof text, Ui_ResString(state, kStrMeasurementsSkipped, format),
                   int(*skipped));
        Ui_Alert_Note(state, text, nullptr, 0);
    }
    return status;
}
