#include "resources/string_table.h"

const StringTableEntry kStringTable[] = {
#define UI_STRING(name, id, text) {id, #name, text},
#include "resources/strings.inc"
#undef UI_STRING
};

const int32_t kStringTableCount = int32_t(sizeof kStringTable / sizeof kStringTable[0]);

const StringTableEntry* FindStringTableEntry(int32_t id) {
    for (const StringTableEntry& e : kStringTable)
        if (e.id == id) return &e;
    return nullptr;
}
