// ICC colour profiles (profile version 2.1) built in memory as an ordered list
// of tags and written to a file. A lookup-table tag can compute its grid while
// the file is written, so a 41-point three-dimensional table never sits in
// memory as a whole.
#pragma once

#include <cstdint>

// Four-character codes, as big-endian 32-bit values.
constexpr uint32_t IccSig(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kIccHeaderBytes = 128;
constexpr uint32_t kIccTagEntryBytes = 12;
constexpr int32_t kIccMaxChannels = 8;  // inputs and outputs of a table tag
constexpr uint32_t kIccMaxTableEntries = 4096;

// Header choices given at creation.
struct IccHeaderChoices {
    int32_t deviceClass;      // 0 scnr, 1 mntr, 2 prtr, 3 link, 4 abst, 5 spac
    int32_t dataSpace;        // 4 CMYK, 5 GRAY, 7 Lab, 8 three-colour, else RGB
    int32_t connectionSpace;  // 0 XYZ, 1 and 2 Lab, 3 GRAY; links also 4 RGB, 5 CMYK, 6, 7
    int32_t intent;           // 0 .. 3
    char manufacturer[4];     // four characters
    uint32_t model;
};

// Computes one grid node: in holds the node's input values in [0, 1], out
// receives one 16-bit value per output channel. A non-zero result stops the
// writing with that status.
typedef int32_t (*IccGridFunction)(const double* in, uint16_t* out, void* context);

// A 16-bit lookup table ("mft2") as handed to IccAddLookupTable.
struct ProfileTable {
    int32_t inputChannels;
    int32_t outputChannels;
    int32_t gridPoints;     // per dimension, 2 .. 255
    double matrix[9];       // row by row
    uint32_t inputEntries;  // per channel, 2 .. 4096
    uint32_t outputEntries;
    uint16_t* inputTables;         // inputChannels × inputEntries, channel by channel
    uint16_t* outputTables;        // outputChannels × outputEntries
    uint16_t* grid;                // mode 0: gridPoints^inputs × outputs, first input slowest
    IccGridFunction gridFunction;  // mode 1
    // With a grid function, its context; mode 1 without one: a uint32_t
    // holding the signature of the tag whose data this tag shares.
    void* context;
};

// Values of the tag types that are arrays of numbers: "curv" (16-bit
// entries), "sf32", "uf32", "ui08", "ui16", "ui32", "ui64", "sig ", "dtim"
// (six 16-bit numbers), "data" (flag, then bytes), "meas", "view", "scrn".
// The fixed-point types take their values in `reals`, the others in `ints`.
struct IccNumbers {
    uint32_t count;
    double* reals;
    uint64_t* ints;
};

// One profile of a "pseq" sequence description.
struct IccSequenceEntry {
    uint32_t manufacturer;
    uint32_t model;
    uint64_t attributes;
    uint32_t technology;
    char manufacturerText[64];  // terminated
    char modelText[64];
};

struct IccSequence {
    uint32_t count;
    IccSequenceEntry* entries;
};

// One tag. A tag of size 0 shares the data of the tag named by sharedWith.
struct IccTag {
    uint32_t signature;
    uint32_t type;
    uint32_t size;     // bytes of serialised data
    uint32_t padding;  // bytes of 0 up to a multiple of 4
    uint32_t sharedWith;
    char* text;            // "desc", "text"
    double xyz[3];         // "XYZ "
    ProfileTable* table;   // "mft2", "mft1": a copy owned by the tag
    IccNumbers numbers;    // the number types
    IccSequence sequence;  // "pseq"
};

constexpr int32_t kIccMaxTags = 32;

struct IccProfile {
    IccHeaderChoices header;
    int32_t tagCount;
    IccTag* tags[kIccMaxTags];  // in the order they were added
};

// s15Fixed16: value × 65536 rounded to nearest; kUiErrArg when |value| > 32767.
int32_t IccS15Fixed16(double value, int32_t* out);

// Makes the profile and adds "desc" with the description and "cprt" with the
// copyright text. kUiErrArg for codes out of range or a missing argument.
int32_t IccCreateProfile(IccProfile** out, const IccHeaderChoices* choices,
                         const char* description);
// Adds "wtpt"; negative components are refused (kUiErrArg).
int32_t IccSetWhitePoint(IccProfile* profile, double x, double y, double z);
// Adds "A2B0" as "mft2". Mode 1 copies the matrix and curves and computes the
// grid at write time (or shares another tag's data when there is no grid
// function); mode 0 copies the table with its grid.
int32_t IccAddLookupTable(IccProfile* profile, const ProfileTable* table, int32_t mode);

// General tag adders. An XYZ tag (wtpt, bkpt, lumi, rXYZ, gXYZ, bXYZ); a
// table tag (A2B0 .. B2A2, gamt, pre0 .. pre2) of type "mft2" or "mft1";
// a text tag of type "text" or "desc"; a tag of one of the number types.
// kUiErrArg for a tag signature that the type does not accept.
int32_t IccAddXYZTag(IccProfile* profile, uint32_t signature, const double xyz[3]);
int32_t IccAddTableTag(IccProfile* profile, uint32_t signature, uint32_t type,
                       const ProfileTable* table, int32_t mode);
int32_t IccAddTextTag(IccProfile* profile, uint32_t signature, uint32_t type, const char* text);
int32_t IccAddNumberTag(IccProfile* profile, uint32_t signature, uint32_t type,
                        const IccNumbers* numbers);
// A "pseq" tag: the profiles of a sequence, each with two descriptions.
int32_t IccAddSequenceTag(IccProfile* profile, uint32_t signature, const IccSequence* sequence);

// Writes the profile; file errors come from the file layer, a grid
// function's status stops the writing. A failed write leaves a partial file
// that the caller deletes.
int32_t IccWriteProfile(const IccProfile* profile, const char* path);

// Releases the tags and the profile and clears *profile; null is allowed.
void IccFreeProfile(IccProfile** profile);
