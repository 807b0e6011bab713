// The file layer: one set of calls that reads and writes either a disk file
// or a block of memory, with the library's status codes.
#pragma once

#include <cstdint>

#include "resources/string_table.h"
#include "ui/paths.h"

// Names the file to open: a disk path (path[0] != 0), or a memory block
// (path[0] == 0, path[1] == kFLSpecMemoryBlock) or buffer (kFLSpecBuffer) of
// size bytes at data.
struct FLSpec {
    char path[kUiPathCapacity];
    uint8_t* data;
    uint32_t size;
};

// The letters of memory specifications.
enum FLSpecLetter : char { kFLSpecMemoryBlock = 'm', kFLSpecBuffer = 'b' };

enum FLKind : int32_t { kFLDisk = 0, kFLMemoryBlock = 4, kFLBuffer = 5, kFLClosed = 1000 };
enum FLMode : int32_t { kFLRead = 1, kFLWrite = 2, kFLReadWrite = 3 };
enum FLOrigin : int32_t { kFLFromStart = 0, kFLFromCurrent = 1, kFLFromEnd = 2 };

struct FLFile {
    int32_t kind;
    int32_t mode;
    char path[kUiPathCapacity];
    uint32_t position;  // memory kinds
    void* stream;       // disk: the stdio stream
    uint8_t* data;      // memory kinds
    uint32_t size;
    uint32_t highest;  // highest position written; starts at size for read modes
};

int32_t FL_DiskSpec(FLSpec* spec, const char* path);  // kUiErrArg when the path does not fit
void FL_MemorySpec(FLSpec* spec, char kindLetter, uint8_t* data, uint32_t size);

int32_t FLOpen(FLFile* file, const FLSpec* spec, int32_t mode);
// Closes the file; kUiErrWrite when a file open for writing could not be
// flushed or closed, so a truncated file is never reported as written.
int32_t FLClose(FLFile* file);
// Reads up to *size bytes; *size receives the count read. With exact set,
// fewer bytes than asked is kUiErrRead.
int32_t FLRead(FLFile* file, void* buffer, uint32_t* size, bool exact);
// Reads one line of at most capacity - 2 bytes, ends it with a line feed and
// a terminator; *length receives its length (the line feed counted). LF, CR,
// CR LF and LF CR end a line alike, and a last line without a line end reads
// as if it had one. At the end of the file: kUiErrRead with *length 0.
int32_t FLReadLine(FLFile* file, char* buffer, uint32_t capacity, uint32_t* length);
// Writes *size bytes; *size receives the count written; fewer is kUiErrWrite.
int32_t FLWrite(FLFile* file, const void* buffer, uint32_t* size);
int32_t FLSeek(FLFile* file, int64_t offset, int32_t origin);
int32_t FLGetPos(FLFile* file, uint32_t* position);
int32_t FLDelete(const FLSpec* spec);
// True when a disk file cannot be opened for reading because there is no
// file of that name (as opposed to one that exists but cannot be opened).
bool FL_FileMissing(const char* path);

// Sets a file's descriptive information (type, creator, description string,
// kind code). Files carry no such information on our platforms: returns kUiOk.
int32_t Ui_File_SetInfo(const char* path, uint32_t fileType, uint32_t creator, StringId description,
                        int32_t kindCode);

// Layer options, all 0 at first.
enum FLOption : int32_t {
    kFLOptionMemoryA = 1,     // kept for the memory kinds; nothing reads it
    kFLOptionNoDisk = 3,      // 1: disk files are refused
    kFLOptionMemoryB = 4,     // kept for the memory kinds; nothing reads it
    kFLOptionBufferSize = 6,  // stdio buffer size given to each disk file when above 0
};
// kUiErrArg for an option not listed; FLGetOption gives 0 for it.
int32_t FLSetOption(int32_t option, int32_t value);
int32_t FLGetOption(int32_t option);

// Safe replacement of a settings file: FLOpenReplacement opens a temporary
// file in the same folder as path for writing; FLCommitReplacement flushes it
// to disk, closes it and renames it over path; on any failure (and in
// FLAbandonReplacement) the temporary file is deleted and the old file stays
// as it was.
int32_t FLOpenReplacement(FLFile* file, const char* path);
int32_t FLCommitReplacement(FLFile* file, const char* path);
void FLAbandonReplacement(FLFile* file);

// Disk failure injection for tests: the Nth operation of a kind from now
// fails (1-based); 0 switches the kind off.
enum FLFault : int32_t {
    kFLFaultWrite,
    kFLFaultFlush,
    kFLFaultClose,
    kFLFaultRename,
    kFLFaultCount
};
void FL_InjectFault(int32_t fault, uint32_t n);
uint32_t FL_FaultOpCount(int32_t fault);  // operations of the kind since injection
