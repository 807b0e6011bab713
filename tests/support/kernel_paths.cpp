#include "tests/support/kernel_paths.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine_switches.h"
#include "ui/status.h"

namespace {

int32_t gForced = kKernelPathBest;
const char* gUnavailable = nullptr;

constexpr const char* kNoVectorPath = "this processor lacks the vector path (AVX2)";

}  // namespace

bool SelectKernelPathFromEnvironment(const char** why) {
    const char* name = std::getenv(kKernelPathVariable);
    if (name == nullptr || name[0] == 0) return true;
    if (std::strcmp(name, "portable") == 0) {
        gForced = kKernelPathPortable;
    } else if (std::strcmp(name, "vector") == 0) {
        gForced = kKernelPathVector;
    } else {
        *why = "VANTORIA_KERNEL_PATH names no kernel path (portable or vector)";
        return false;
    }
    if (SetKernelPath(gForced) != kUiOk) gUnavailable = kNoVectorPath;
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

const char* VectorPathUnchecked() {
    return gForced == kKernelPathBest && !CpuHasVectorPath() ? kNoVectorPath : nullptr;
}

const char* PathsCannotBeCompared() {
    if (gForced == kKernelPathPortable)
        return "compares the two paths; this run forces the portable path";
    if (gForced == kKernelPathVector)
        return "compares the two paths; this run forces the vector path";
    return CpuHasVectorPath() ? nullptr : kNoVectorPath;
}
