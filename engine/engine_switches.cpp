#include "engine/engine_switches.h"

#include "ui/status.h"

namespace {

int32_t gCheckMode = kColorCheckClamp;
int32_t gKernelPath = kKernelPathBest;

}  // namespace

int32_t GetColorCheckMode() {
    return gCheckMode;
}

int32_t SetColorCheckMode(int32_t mode) {
    if (mode != kColorCheckStrict && mode != kColorCheckClamp && mode != kColorCheckOff)
        return kUiErrArg;
    gCheckMode = mode;
    return kUiOk;
}

bool CpuHasVectorPath() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
#else
    return false;
#endif
}

int32_t SetKernelPath(int32_t path) {
    if (path < kKernelPathBest || path > kKernelPathVector) return kUiErrArg;
    if (path == kKernelPathVector && !CpuHasVectorPath()) return kUiErrUnsupported;
    gKernelPath = path;
    return kUiOk;
}

int32_t GetKernelPath() {
    return gKernelPath;
}

int32_t KernelPathInForce() {
    return gKernelPath != kKernelPathPortable && CpuHasVectorPath() ? kKernelPathVector
                                                                    : kKernelPathPortable;
}
