#include "resources/string_table.h"

const StringTableEntry kStringTable[] = {
#define UI_STRING(id, text) {id, text},
#include "resources/strings.inc"
#undef UI_STRING
};

const int32_t kStringTableCount = int32_t(sizeof kStringTable / sizeof kStringTable[0]);
