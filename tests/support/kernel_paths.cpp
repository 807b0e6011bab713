#include "tests/support/kernel_paths.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine_switches.h"
#include "ui/status.h"

namespace {

int32_t gForced = kKernelPathBest;
const char* gUnavailable = nullptr;

constexpr const char* kNoVectorPath = "this processor lacks the vector path (AVX2)";
constexpr const char* kNoVector512Path =
    "this processor lacks the AVX-512 path (AVX-512 F, BW and VL)";

}  // namespace

bool SelectKernelPathFromEnvironment(const char** why) {
    const char* name = std::getenv(kKernelPathVariable);
    if (name == nullptr || name[0] == 0) return true;
    if (std::strcmp(name, "portable") == 0) {
        gForced = kKernelPathPortable;
    } else if (std::strcmp(name, "vector") == 0) {
        gForced = kKernelPathVector;
    } else if (std::strcmp(name, "vector512") == 0) {
        gForced = kKernelPathVector512;
    } else {
        *why = "VANTORIA_KERNEL_PATH names no kernel path (portable, vector or vector512)";
        return false;
    }
    if (SetKernelPath(gForced) != kUiOk) {
        gUnavailable = gForced == kKernelPathVector512 ? kNoVector512Path : kNoVectorPath;
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
    if (!CpuHasVectorPath()) return {kKernelPathPortable};
    return {kKernelPathPortable, kKernelPathVector};
}

std::vector<int32_t> KernelPathsToCheckWith512() {
    std::vector<int32_t> paths = KernelPathsToCheck();
    if (gForced == kKernelPathBest && CpuHasVector512Path()) paths.push_back(kKernelPathVector512);
    return paths;
}

const char* VectorPathUnchecked() {
    return gForced == kKernelPathBest && !CpuHasVectorPath() ? kNoVectorPath : nullptr;
}

const char* Vector512PathUnchecked() {
    return gForced == kKernelPathBest && !CpuHasVector512Path() ? kNoVector512Path : nullptr;
}

const char* PathsCannotBeCompared() {
    if (gForced == kKernelPathPortable)
        return "compares the two paths; this run forces the portable path";
    if (gForced == kKernelPathVector || gForced == kKernelPathVector512)
        return "compares the two paths; this run forces a vector path";
    return CpuHasVectorPath() ? nullptr : kNoVectorPath;
}
