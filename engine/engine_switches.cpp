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

bool CpuHasVector512Path() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = [] {
        __builtin_cpu_init();
        return CpuHasVectorPath() && __builtin_cpu_supports("avx512f") != 0 &&
               __builtin_cpu_supports("avx512bw") != 0 && __builtin_cpu_supports("avx512vl") != 0;
    }();
    return has;
#else
    return false;
#endif
}

int32_t SetKernelPath(int32_t path) {
    if (path < kKernelPathBest || path > kKernelPathVector512) return kUiErrArg;
    if (path == kKernelPathVector && !CpuHasVectorPath()) return kUiErrUnsupported;
    if (path == kKernelPathVector512 && !CpuHasVector512Path()) return kUiErrUnsupported;
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

bool Vector512InForce() {
    return (gKernelPath == kKernelPathBest || gKernelPath == kKernelPathVector512) &&
           CpuHasVector512Path();
}
