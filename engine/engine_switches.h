// The engine's process-wide switches, all in one place: the range-check mode
// of the colour code and the kernel path of every filter kernel (Tintwork,
// sharpen, noise). Both start at their normal setting; tests, benchmarks and
// the self-checks of the test programs change them.
#pragma once

#include <cstdint>

// ---- Range checks of the colour code --------------------------------------

enum ColorCheckMode : int32_t {
    kColorCheckStrict = 0,  // an out-of-range input fails with kUiErrGeneral
    kColorCheckClamp = 1,   // the input is forced into range (the initial mode)
    kColorCheckOff = 2,     // inputs are taken as they are
};

int32_t GetColorCheckMode();
// kUiErrArg for a value other than the three modes (the mode stays as it was).
int32_t SetColorCheckMode(int32_t mode);

// Sets a mode for the life of a scope and restores the previous one on every
// exit path.
struct ColorCheckModeScope {
    int32_t saved;
    explicit ColorCheckModeScope(int32_t mode) : saved(GetColorCheckMode()) {
        SetColorCheckMode(mode);
    }
    ~ColorCheckModeScope() { SetColorCheckMode(saved); }
    ColorCheckModeScope(const ColorCheckModeScope&) = delete;
    ColorCheckModeScope& operator=(const ColorCheckModeScope&) = delete;
};

// ---- Kernel path ------------------------------------------------------------

// Every kernel has a portable form and a vector (AVX2) form with the same
// results; some have an AVX-512 form too. Tintwork kernels look at the path on
// each call; sharpen and noise choose theirs when a filter is opened.
enum KernelPath : int32_t {
    kKernelPathBest = 0,       // the widest vector path the processor has (the initial choice)
    kKernelPathPortable = 1,   // the portable path everywhere
    kKernelPathVector = 2,     // the vector path (AVX2) everywhere
    kKernelPathVector512 = 3,  // AVX-512 (F, BW, VL) where a kernel has it, else AVX2
};

// Selects the path of every kernel. kUiErrArg for an unknown path,
// kUiErrUnsupported for the vector path on a processor without it; the choice
// stays as it was on failure.
int32_t SetKernelPath(int32_t path);
// The path as selected, kKernelPathBest included (to restore it later).
int32_t GetKernelPath();
// The path the kernels run now: kKernelPathPortable or kKernelPathVector
// (also while the AVX-512 forms run, for the kernels that have none).
int32_t KernelPathInForce();
// Whether the kernels that have an AVX-512 form run it now.
bool Vector512InForce();
// Whether this processor can run the vector path.
bool CpuHasVectorPath();
// Whether this processor can run the AVX-512 forms (AVX-512 F, BW and VL).
bool CpuHasVector512Path();

// Restores the kernel path selected when the scope began, on every exit path.
struct KernelPathScope {
    int32_t saved;
    KernelPathScope() : saved(GetKernelPath()) {}
    ~KernelPathScope() { SetKernelPath(saved); }
    KernelPathScope(const KernelPathScope&) = delete;
    KernelPathScope& operator=(const KernelPathScope&) = delete;
};
