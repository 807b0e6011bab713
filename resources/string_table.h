// The string table compiled into the program (the headless backend reads it;
// the Windows resource script is generated from the same list).
#pragma once

#include <cstdint>

struct StringTableEntry {
    int32_t id;
    const char* text;
};

extern const StringTableEntry kStringTable[];
extern const int32_t kStringTableCount;
