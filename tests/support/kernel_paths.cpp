#include "tests/support/kernel_paths.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine_switches.h"
#include "ui/status.h"

namespace {

int32_t gForced = kKernelPathBest;
const char* gUnavailable = nullptr;

constexpr const char* kNoVectorPath = "this processor lacks the vector path (AVX2)";
constexpr const char* kNoAvx512Path =
    "this processor lacks the AVX-512 path (AVX-512 F, BW and VL): it went unchecked";

}  // namespace

bool SelectKernelPathFromEnvironment(const char** why) {
    const char* name = std::getenv(kKernelPathVariable);
    if (name == nullptr || name[0] == 0) return true;
    if (std::strcmp(name, "portable") == 0) {
        gForced = kKernelPathPortable;
    } else if (std::strcmp(name, "vector") == 0) {
        gForced = kKernelPathVector;
    } else if (std::strcmp(name, "avx512") == 0) {
        gForced = kKernelPathAvx512;
    } else {
        *why = "VANTORIA_KERNEL_PATH names no kernel path (portable, vector or avx512)";
        return false;
    }
    if (SetKernelPath(gForced) != kUiOk) {
        gUnavailable = gForced == kKernelPathAvx512 ? kNoAvx512Path : kNoVectorPath;
    }
    return true;
}

int32_t ForcedKernelPath() {
    return gForced;
}

const char* KernelPathUnavailable() {
    return gUnavailable;
}

std::vector<int32_t> KernelPathsToCheck() {
    if (gForced != kKernelPathBest) return {gForced};
    std::vector<int32_t> paths = {kKernelPathPortable};
    if (CpuHasVectorPath()) paths.push_back(kKernelPathVector);
    if (CpuHasAvx512Path()) paths.push_back(kKernelPathAvx512);
    return paths;
}

const char* VectorPathUnchecked() {
    return gForced == kKernelPathBest && !CpuHasVectorPath() ? kNoVectorPath : nullptr;
}

const char* VectorOrAvx512PathUnchecked() {
    if (const char* why = VectorPathUnchecked()) return why;
    return gForced == kKernelPathBest && !CpuHasAvx512Path() ? kNoAvx512Path : nullptr;
}

const char* PathsCannotBeCompared() {
    if (gForced == kKernelPathPortable)
        return "compares the two paths; this run forces the portable path";
    if (gForced == kKernelPathVector || gForced == kKernelPathAvx512)
        return "compares the paths; this run forces a vector path";
    return CpuHasVectorPath() ? nullptr : kNoVectorPath;
}
