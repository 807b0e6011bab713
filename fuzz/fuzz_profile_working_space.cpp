// Embedded profiles as the batch command meets them in image files: the
// header, the tag table, the colorant, white, adaptation and curve tags.
// Seeds in fuzz/corpus/profile_working_space/ are matrix/TRC RGB profiles
// of the common kinds (parametric and table curves, with and without an
// adaptation tag).
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "icc/profile_working_space.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    ProfileWorkingSpace space;
    if (ReadProfileWorkingSpace(data, uint32_t(size), &space) == 0 &&
        !(std::isfinite(space.gamma) && std::isfinite(space.white[0]) &&
          std::isfinite(space.primaries[0])))
        __builtin_trap();
    return 0;
}
