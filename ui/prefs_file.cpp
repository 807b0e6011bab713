#include "ui/prefs_file.h"

#include <cstring>

#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/portable_number.h"
#include "ui/state.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kPrefsFileType = 0x70726566;  // 'pref'
constexpr uint32_t kPrefsCreator = 0x58522D2D;   // 'XR--'
constexpr int32_t kVersion = 1;

uint8_t Level(const UiState* state) {
    return state ? state->diagnostics : 0;
}

// Converts count values of a type from memory order into file bytes.
void EncodeValues(uint16_t type, const uint8_t* values, uint32_t count, uint8_t* out) {
    for (uint32_t i = 0; i < count; ++i) {
        switch (type) {
            case kUiPrefsBytes:
                out[i] = values[i];
                break;
            case kUiPrefsInt16: {
                int16_t v;
                std::memcpy(&v, values + 2 * i, 2);
                Ui_PutBE16(uint16_t(v), out + 2 * i);
                break;
            }
            case kUiPrefsInt32: {
                int32_t v;
                std::memcpy(&v, values + 4 * i, 4);
                Ui_PutBE32(uint32_t(v), out + 4 * i);
                break;
            }
            default: {
                float v;
                std::memcpy(&v, values + 4 * i, 4);
                Ui_EncodeNumber(v, type, out + 4 * i);
                break;
            }
        }
    }
}

// Converts count values read from the file into memory order, in place.
void DecodeValues(uint16_t type, uint8_t* values, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        switch (type) {
            case kUiPrefsBytes:
                return;
            case kUiPrefsInt16: {
                const int16_t v = int16_t(Ui_GetBE16(values + 2 * i));
                std::memcpy(values + 2 * i, &v, 2);
                break;
            }
            case kUiPrefsInt32: {
                const int32_t v = int32_t(Ui_GetBE32(values + 4 * i));
                std::memcpy(values + 4 * i, &v, 4);
                break;
            }
            default: {
                const float v = Ui_DecodeNumber(values + 4 * i, type);
                std::memcpy(values + 4 * i, &v, 4);
                break;
            }
        }
    }
}

int32_t WriteBytes(FLFile* file, const void* bytes, uint32_t size) {
    uint32_t n = size;
    return FLWrite(file, bytes, &n);
}

int32_t BytesLeft(FLFile* file, uint32_t* left) {
    uint32_t here = 0, end = 0;
    UI_TRY(FLGetPos(file, &here));
    UI_TRY(FLSeek(file, 0, kFLFromEnd));
    UI_TRY(FLGetPos(file, &end));
    UI_TRY(FLSeek(file, here, kFLFromStart));
    *left = end > here ? end - here : 0;
    return kUiOk;
}

int32_t WriteVersionAndEntries(UiState* state, FLFile* file, UiPrefsWriteCallback write,
                               void* context) {
    const uint8_t level = Level(state);
    const int32_t version = kVersion;
    int32_t status = Ui_Prefs_WriteEntry(file, kUiPrefsTagVersion, kUiPrefsInt32, 1, &version);
    if (status != kUiOk) {
        Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: Ui_Prefs_WriteEntry 1 returned %d", int(status));
        return status;
    }
    if (write != nullptr) {
        status = write(state, file, context);
        if (status != kUiOk) {
            Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: writePrefsCallback returned %d", int(status));
            return status;
        }
    }
    status = Ui_Prefs_WriteEntry(file, kUiPrefsTagEnd, kUiPrefsBytes, 0, nullptr);
    if (status != kUiOk)
        Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: Ui_Prefs_WriteEntry 3 returned %d", int(status));
    return status;
}

}  // namespace

uint32_t Ui_Prefs_ValueSize(uint32_t type) {
    switch (type) {
        case kUiPrefsBytes:
            return 1;
        case kUiPrefsInt16:
            return 2;
        case kUiPrefsInt32:
        case kUiPrefsNumber:
        case kUiPrefsDecimal:
            return 4;
        default:
            return 0;
    }
}

int32_t Ui_Prefs_WriteEntry(FLFile* file, uint16_t tag, uint16_t type, uint32_t count,
                            const void* values) {
    const uint32_t size = Ui_Prefs_ValueSize(type);
    if (file == nullptr || size == 0 || (count > 0 && values == nullptr)) return kUiErrArg;
    uint8_t header[kUiPrefsHeaderBytes];
    Ui_PutBE16(tag, header);
    Ui_PutBE16(type, header + 2);
    Ui_PutBE32(count, header + 4);
    UI_TRY(WriteBytes(file, header, sizeof header));
    // The values go out in pieces of a small buffer: no allocation, any count.
    const uint8_t* in = static_cast<const uint8_t*>(values);
    uint8_t chunk[256];
    const uint32_t perChunk = sizeof chunk / size;
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = count - done < perChunk ? count - done : perChunk;
        EncodeValues(type, in + size_t(done) * size, n, chunk);
        UI_TRY(WriteBytes(file, chunk, n * size));
        done += n;
    }
    return kUiOk;
}

int32_t Ui___Prefs_ReadEntry(FLFile* file, uint16_t* tag, uint16_t* type, uint32_t* count,
                             void** values) {
    if (file == nullptr || tag == nullptr || type == nullptr || count == nullptr) return kUiErrArg;
    *tag = 0;
    *type = 0;
    *count = 0;
    if (values) *values = nullptr;
    uint8_t header[kUiPrefsHeaderBytes];
    uint32_t n = sizeof header;
    UI_TRY(FLRead(file, header, &n, true));
    *tag = Ui_GetBE16(header);
    *type = Ui_GetBE16(header + 2);
    *count = Ui_GetBE32(header + 4);
    const uint32_t size = Ui_Prefs_ValueSize(*type);
    if (size == 0) return kUiErrFormat;
    // Never trust the count: the values must lie within the file.
    uint32_t left = 0;
    UI_TRY(BytesLeft(file, &left));
    const uint64_t bytes = uint64_t(*count) * size;
    if (bytes > left) return kUiErrFormat;
    if (bytes == 0) return kUiOk;
    if (values == nullptr) return FLSeek(file, int64_t(bytes), kFLFromCurrent);
    UiOwned<uint8_t> block(static_cast<uint8_t*>(Ui_MallocArray(*count, size)));
    if (!block) return kUiErrMemory;
    n = uint32_t(bytes);
    UI_TRY(FLRead(file, block.get(), &n, true));
    DecodeValues(*type, block.get(), *count);
    *values = block.release();
    return kUiOk;
}

int32_t Ui_Prefs_WriteAll(UiState* state, const char* path, int32_t fileKind,
                          UiPrefsWriteCallback write, void* context) {
    if (path == nullptr || path[0] == 0) return kUiErrArg;
    const uint8_t level = Level(state);
    FLFile file;
    int32_t status = FLOpenReplacement(&file, path);
    if (status != kUiOk) {
        Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: FLOpen error %d", int(status));
        Ui_Debug_Log(level, path);
        return status;
    }
    Ui_Debug_Log(level, "Ui_Prefs_WriteAll: FLOpen success");
    status = WriteVersionAndEntries(state, &file, write, context);
    if (status != kUiOk) {
        FLAbandonReplacement(&file);
        return status;
    }
    // The old file is replaced only now, after the end entry and a good close.
    status = FLCommitReplacement(&file, path);
    if (status != kUiOk) {
        Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: FLClose returned %d", int(status));
        return status;
    }
    const int32_t info =
        Ui_File_SetInfo(path, kPrefsFileType, kPrefsCreator, kStrPrefsFileDescription, fileKind);
    if (info != kUiOk)
        Ui_Debug_Logf(level, "Ui_Prefs_WriteAll: Ui_File_SetInfo returned %d", int(info));
    return kUiOk;
}

int32_t Ui_Prefs_ReadAll(UiState* state, const char* path, int32_t fileKind,
                         UiPrefsReadCallback read, UiPrefsWriteCallback write, void* context) {
    if (path == nullptr || path[0] == 0) return kUiErrArg;
    const uint8_t level = Level(state);
    FLSpec spec;
    UI_TRY(FL_DiskSpec(&spec, path));
    FLFile file;
    int32_t status = FLOpen(&file, &spec, kFLRead);
    if (status != kUiOk) {
        Ui_Debug_Logf(level, "Ui_Prefs_ReadAll: FLOpen error %d", int(status));
        Ui_Debug_Log(level, path);
        // Only a file that is not there is replaced: one that exists but
        // cannot be opened keeps the user's settings.
        if (!FL_FileMissing(path)) return status;
        Ui_Debug_Log(level, "Write out defaults instead.");
        status = Ui_Prefs_WriteAll(state, path, fileKind, write, context);
        if (status != kUiOk) Ui_Debug_Logf(level, "Ui_Prefs_WriteAll error %d", int(status));
        return status;
    }
    Ui_Debug_Log(level, "Ui_Prefs_ReadAll: FLOpen success");
    for (;;) {
        uint16_t tag, type;
        uint32_t count;
        void* values = nullptr;
        status = Ui___Prefs_ReadEntry(&file, &tag, &type, &count, &values);
        if (status != kUiOk) {
            Ui_Debug_Log(level, "Ui_Prefs_ReadAll: Ui___Prefs_ReadEntry error");
            Ui_Debug_Logf(level, "tag = %d, type = %d, count = %ld", int(tag), int(type),
                          long(count));
            break;
        }
        UiOwned<uint8_t> owned(static_cast<uint8_t*>(values));
        if (tag == kUiPrefsTagVersion) {
            if (count != 1) {
                Ui_Debug_Log(level, "Ui_Prefs_ReadAll: tag error");
                status = kUiErrFormat;
                break;
            }
            Ui_Debug_Log(level, "Ui_Prefs_ReadAll: version");
        }
        if (read != nullptr) {
            status = read(state, tag, type, count, values, context);
            if (status != kUiOk) break;
        }
        if (tag == kUiPrefsTagEnd) break;
    }
    FLClose(&file);
    return status;
}
