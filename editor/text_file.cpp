#include "editor/text_file.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ui/status.h"

namespace {

constexpr uint32_t kTextFileType = 0x54455854;  // 'TEXT'

}  // namespace

int32_t TextFile_WriteLine(FLFile* file, const char* format, ...) {
    char line[kSettingsLineCapacity];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (written < 0 || size_t(written) >= sizeof line) return kUiErrArg;
    uint32_t size = uint32_t(written);
    return FLWrite(file, line, &size);
}

int32_t TextFile_OpenRead(FLFile* file, const char* path) {
    FLSpec spec;
    if (FL_DiskSpec(&spec, path) != kUiOk) return kUiErrOpen;
    return FLOpen(file, &spec, kFLRead);
}

int32_t TextFile_WriteReplacing(const char* path, int32_t (*write)(FLFile*, const void*),
                                const void* context) {
    if (path == nullptr || write == nullptr) return kUiErrArg;
    FLFile file;
    UI_TRY(FLOpenReplacement(&file, path));
    const int32_t status = write(&file, context);
    if (status != kUiOk) {
        FLAbandonReplacement(&file);
        return status;
    }
    UI_TRY(FLCommitReplacement(&file, path));
    // Marked as text where files carry a type.
    return Ui_File_SetInfo(path, kTextFileType, 0, kStrNone, 0);
}

int32_t TextFile_ReadLine(FLFile* file, char* line, uint32_t capacity, uint32_t* length) {
    *length = UINT32_MAX;
    const int32_t status = FLReadLine(file, line, capacity, length);
    // FLReadLine reports the end of the file with a length of 0.
    if (status == kUiErrRead && *length == 0) return kUiErrFormat;
    return status;
}

int32_t TextFile_ScanLine(FLFile* file, uint32_t capacity, int32_t expected, const char* format,
                          ...) {
    char line[kSettingsLineCapacity];
    if (capacity > sizeof line) return kUiErrArg;
    uint32_t length = 0;
    UI_TRY(TextFile_ReadLine(file, line, capacity, &length));
    va_list args;
    va_start(args, format);
    const int found = std::vsscanf(line, format, args);
    va_end(args);
    return found == expected ? kUiOk : kUiErrFormat;
}

bool TextFile_AllFinite(const float* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}
