#include "ui/file_layer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ui/platform.h"
#include "ui/status.h"

namespace {

int32_t gOptionNoDisk = 0;
int32_t gOptionMemoryA = 0;
int32_t gOptionMemoryB = 0;
int32_t gOptionBufferSize = 0;

int32_t* OptionSlot(int32_t option) {
    switch (option) {
        case kFLOptionMemoryA:
            return &gOptionMemoryA;
        case kFLOptionNoDisk:
            return &gOptionNoDisk;
        case kFLOptionMemoryB:
            return &gOptionMemoryB;
        case kFLOptionBufferSize:
            return &gOptionBufferSize;
        default:
            return nullptr;
    }
}

uint32_t gFaultAt[kFLFaultCount];
uint32_t gFaultOps[kFLFaultCount];

// Counts one operation of a kind; true when the test asked it to fail.
bool Faulted(int32_t fault) {
    ++gFaultOps[fault];
    return gFaultAt[fault] != 0 && gFaultOps[fault] == gFaultAt[fault];
}

void Reset(FLFile* file) {
    std::memset(file, 0, sizeof *file);
    file->kind = kFLClosed;
}

bool IsMemory(const FLFile* file) {
    return file->kind == kFLMemoryBlock || file->kind == kFLBuffer;
}

std::FILE* Stream(const FLFile* file) {
    return static_cast<std::FILE*>(file->stream);
}

int32_t OpenDisk(FLFile* file, const FLSpec* spec, int32_t mode) {
    if (gOptionNoDisk == 1) return kUiErrArg;
    std::FILE* f = nullptr;
    switch (mode) {
        case kFLRead:
            f = std::fopen(spec->path, "rb");
            break;
        case kFLWrite:
            f = std::fopen(spec->path, "wb");
            break;
        case kFLReadWrite:
            f = std::fopen(spec->path, "r+b");
            if (f == nullptr) f = std::fopen(spec->path, "w+b");
            break;
        default:
            return kUiErrArg;
    }
    if (f == nullptr) return kUiErrOpen;
    if (gOptionBufferSize > 0) std::setvbuf(f, nullptr, _IOFBF, size_t(gOptionBufferSize));
    file->kind = kFLDisk;
    file->mode = mode;
    file->stream = f;
    std::memcpy(file->path, spec->path, sizeof file->path);
    return kUiOk;
}

}  // namespace

int32_t FL_DiskSpec(FLSpec* spec, const char* path) {
    if (spec == nullptr || path == nullptr || path[0] == 0) return kUiErrArg;
    std::memset(spec, 0, sizeof *spec);
    const size_t n = std::strlen(path);
    if (n + 1 > sizeof spec->path) return kUiErrArg;
    std::memcpy(spec->path, path, n + 1);
    return kUiOk;
}

void FL_MemorySpec(FLSpec* spec, char kindLetter, uint8_t* data, uint32_t size) {
    std::memset(spec, 0, sizeof *spec);
    spec->path[1] = kindLetter;
    spec->data = data;
    spec->size = size;
}

int32_t FLOpen(FLFile* file, const FLSpec* spec, int32_t mode) {
    if (file == nullptr) return kUiErrArg;
    Reset(file);
    if (spec == nullptr) return kUiErrArg;
    if (mode != kFLRead && mode != kFLWrite && mode != kFLReadWrite) return kUiErrArg;
    if (spec->path[0] != 0) {
        if (std::memchr(spec->path, 0, sizeof spec->path) == nullptr) return kUiErrArg;
        return OpenDisk(file, spec, mode);
    }
    int32_t kind;
    switch (spec->path[1]) {
        case kFLSpecMemoryBlock:
            kind = kFLMemoryBlock;
            break;
        case kFLSpecBuffer:
            kind = kFLBuffer;
            break;
        default:
            return kUiErrArg;
    }
    if (spec->data == nullptr || spec->size < 1) return kUiErrArg;
    file->kind = kind;
    file->mode = mode;
    file->data = spec->data;
    file->size = spec->size;
    file->highest = mode == kFLWrite ? 0 : spec->size;
    return kUiOk;
}

int32_t FLClose(FLFile* file) {
    if (file == nullptr) return kUiErrArg;
    int32_t status = kUiOk;
    if (file->kind == kFLDisk && file->stream != nullptr) {
        const bool writing = file->mode != kFLRead;
        bool ok = true;
        if (writing && (Faulted(kFLFaultFlush) || std::fflush(Stream(file)) != 0)) ok = false;
        const bool closeFault = writing && Faulted(kFLFaultClose);
        if (std::fclose(Stream(file)) != 0 || closeFault) ok = false;
        if (writing && !ok) status = kUiErrWrite;
    }
    Reset(file);
    return status;
}

int32_t FLRead(FLFile* file, void* buffer, uint32_t* size, bool exact) {
    if (file == nullptr || buffer == nullptr || size == nullptr || file->kind == kFLClosed)
        return kUiErrArg;
    const uint32_t wanted = *size;
    *size = 0;
    // A file opened only for writing reads nothing, whatever its kind.
    if (file->mode == kFLWrite) return kUiErrRead;
    uint32_t got;
    bool failed = false;
    if (IsMemory(file)) {
        const uint32_t left = file->position < file->size ? file->size - file->position : 0;
        got = wanted < left ? wanted : left;
        std::memcpy(buffer, file->data + file->position, got);
        file->position += got;
    } else {
        got = uint32_t(std::fread(buffer, 1, wanted, Stream(file)));
        failed = std::ferror(Stream(file)) != 0;
    }
    *size = got;
    return failed || (exact && got < wanted) ? kUiErrRead : kUiOk;
}

int32_t FLReadLine(FLFile* file, char* buffer, uint32_t capacity, uint32_t* length) {
    if (file == nullptr || buffer == nullptr || length == nullptr || capacity < 3) return kUiErrArg;
    uint32_t start;
    UI_TRY(FLGetPos(file, &start));
    // Two bytes beyond the longest text are read as well, so that a line end
    // (or CR LF pair) right at the cut is still taken whole; they are never text.
    uint32_t n = capacity;
    const int32_t status = FLRead(file, buffer, &n, false);
    if (status != kUiOk) return status;
    if (n == 0) {
        buffer[0] = 0;
        *length = 0;
        return kUiErrRead;
    }
    const uint32_t textLimit = n < capacity - 2 ? n : capacity - 2;
    const uint32_t searchLimit = n < capacity - 1 ? n : capacity - 1;
    // The text ends at the first LF or CR. A last line without a line end
    // reads like one with it: the line feed is appended either way.
    uint32_t end = textLimit;       // length of the text
    uint32_t consumed = textLimit;  // bytes the position moves by
    for (uint32_t i = 0; i < searchLimit; ++i) {
        const char c = buffer[i];
        if (c != '\n' && c != '\r') continue;
        end = i;
        consumed = i + 1;
        // Only a pair of different adjacent line-end characters (CR LF or
        // LF CR) counts as one ending.
        if (i + 1 < n && (buffer[i + 1] == '\n' || buffer[i + 1] == '\r') && buffer[i + 1] != c)
            consumed = i + 2;
        break;
    }
    buffer[end] = '\n';
    buffer[end + 1] = 0;
    *length = end + 1;
    return FLSeek(file, int64_t(start) + consumed, kFLFromStart);
}

int32_t FLWrite(FLFile* file, const void* buffer, uint32_t* size) {
    if (file == nullptr || buffer == nullptr || size == nullptr || file->kind == kFLClosed)
        return kUiErrArg;
    if (file->mode == kFLRead) return kUiErrWrite;
    const uint32_t wanted = *size;
    uint32_t put;
    if (IsMemory(file)) {
        const uint32_t left = file->position < file->size ? file->size - file->position : 0;
        put = wanted < left ? wanted : left;
        std::memcpy(file->data + file->position, buffer, put);
        file->position += put;
        if (file->position > file->highest) file->highest = file->position;
    } else if (Faulted(kFLFaultWrite)) {
        put = 0;
    } else {
        put = uint32_t(std::fwrite(buffer, 1, wanted, Stream(file)));
    }
    *size = put;
    return put < wanted ? kUiErrWrite : kUiOk;
}

int32_t FLSeek(FLFile* file, int64_t offset, int32_t origin) {
    if (file == nullptr || file->kind == kFLClosed) return kUiErrArg;
    if (origin < kFLFromStart || origin > kFLFromEnd) return kUiErrArg;
    if (IsMemory(file)) {
        const int64_t base = origin == kFLFromStart     ? 0
                             : origin == kFLFromCurrent ? file->position
                                                        : file->size;
        const int64_t target = base + offset;
        if (target < 0 || target > int64_t(file->size)) return kUiErrGeneral;
        file->position = uint32_t(target);
        return kUiOk;
    }
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    // Positions are 32-bit throughout the layer (and long may be 32-bit).
    if (offset < INT32_MIN || offset > INT32_MAX) return kUiErrSeek;
    return std::fseek(Stream(file), long(offset), kWhence[origin]) == 0 ? kUiOk : kUiErrSeek;
}

int32_t FLGetPos(FLFile* file, uint32_t* position) {
    if (file == nullptr || position == nullptr || file->kind == kFLClosed) return kUiErrArg;
    if (IsMemory(file)) {
        *position = file->position;
        return kUiOk;
    }
    const long p = std::ftell(Stream(file));
    if (p < 0) return kUiErrSeek;
    *position = uint32_t(p);
    return kUiOk;
}

int32_t FLDelete(const FLSpec* spec) {
    if (spec == nullptr || spec->path[0] == 0) return kUiErrArg;
    return std::remove(spec->path) == 0 ? kUiOk : kUiErrGeneral;
}

bool FL_FileMissing(const char* path) {
    if (path == nullptr || path[0] == 0) return false;
    errno = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (f != nullptr) {
        std::fclose(f);
        return false;
    }
    return errno == ENOENT;
}

int32_t Ui_File_SetInfo(const char*, uint32_t, uint32_t, StringId, int32_t) {
    return kUiOk;
}

int32_t FLSetOption(int32_t option, int32_t value) {
    int32_t* slot = OptionSlot(option);
    if (slot == nullptr) return kUiErrArg;
    *slot = value;
    return kUiOk;
}

int32_t FLGetOption(int32_t option) {
    const int32_t* slot = OptionSlot(option);
    return slot != nullptr ? *slot : 0;
}

int32_t FLOpenReplacement(FLFile* file, const char* path) {
    if (file == nullptr || path == nullptr) return kUiErrArg;
    Reset(file);
    // The temporary file sits beside the target so the final rename never
    // crosses file systems.
    char folder[kUiPathCapacity];
    const char* name = Ui_Path_FileName(path);
    const size_t folderLen = size_t(name - path);
    if (folderLen + 1 > sizeof folder) return kUiErrArg;
    std::memcpy(folder, path, folderLen);
    folder[folderLen] = 0;
    char temp[kUiPathCapacity];
    UI_TRY(Ui_Path_SetToTempFile(nullptr, folder[0] ? folder : ".", temp, sizeof temp));
    FLSpec spec;
    UI_TRY(FL_DiskSpec(&spec, temp));
    return FLOpen(file, &spec, kFLWrite);
}

void FLAbandonReplacement(FLFile* file) {
    if (file == nullptr || file->kind != kFLDisk) return;
    char temp[kUiPathCapacity];
    std::memcpy(temp, file->path, sizeof temp);
    FLClose(file);
    std::remove(temp);
}

int32_t FLCommitReplacement(FLFile* file, const char* path) {
    if (file == nullptr || path == nullptr || file->kind != kFLDisk) return kUiErrArg;
    char temp[kUiPathCapacity];
    std::memcpy(temp, file->path, sizeof temp);
    int32_t status = kUiOk;
    if (Faulted(kFLFaultFlush) || Plat_SyncFile(file->stream) != kUiOk) status = kUiErrWrite;
    const int32_t closed = FLClose(file);
    if (status == kUiOk) status = closed;
    if (status == kUiOk && (Faulted(kFLFaultRename) || Plat_ReplaceFile(temp, path) != kUiOk))
        status = kUiErrWrite;
    if (status != kUiOk) std::remove(temp);
    return status;
}

void FL_InjectFault(int32_t fault, uint32_t n) {
    if (fault < 0 || fault >= kFLFaultCount) return;
    gFaultAt[fault] = n;
    gFaultOps[fault] = 0;
}

uint32_t FL_FaultOpCount(int32_t fault) {
    return fault >= 0 && fault < kFLFaultCount ? gFaultOps[fault] : 0;
}
