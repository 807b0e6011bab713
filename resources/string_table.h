// The string table compiled into the program (the headless backend reads it;
// the Windows resource script is generated from the same list), and the
// names by which the code fetches its strings, generated from that list too.
#pragma once

#include <cstdint>

enum StringId : int32_t {
    kStrNone = 0,  // no string: the table has no entry 0
#define UI_STRING(name, id, text) name = id,
#include "resources/strings.inc"
#undef UI_STRING
};

struct StringTableEntry {
    int32_t id;
    const char* name;  // the StringId's name, for checks
    const char* text;
};

extern const StringTableEntry kStringTable[];
extern const int32_t kStringTableCount;

// The entry of an id, or null when the table has none.
const StringTableEntry* FindStringTableEntry(int32_t id);
