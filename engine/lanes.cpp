#include "engine/lanes.h"

namespace {
bool gAvx2Allowed = true;
}

bool Lanes_UseAvx2() {
    __builtin_cpu_init();
    return gAvx2Allowed && __builtin_cpu_supports("avx2");
}

void Lanes_AllowAvx2(bool allowed) {
    gAvx2Allowed = allowed;
}
