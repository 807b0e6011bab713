// Kernel paths in the tests. The suites that run kernels are registered twice
// with CTest, the second time with VANTORIA_KERNEL_PATH=portable; the test
// main selects the path the variable names before any test runs, so every
// test of such a suite runs on that path. Tests that select paths themselves
// ask here which ones they may select.
#pragma once

#include <cstdint>
#include <vector>

// The name of the environment variable and the paths it may name.
constexpr const char* kKernelPathVariable = "VANTORIA_KERNEL_PATH";

// Selects the path VANTORIA_KERNEL_PATH names: "portable", "vector" or
// "vector512"; unset or empty leaves the best path. Returns false, with the
// reason in *why, for any other value. A vector path on a processor without
// it selects nothing: KernelPathUnavailable() then gives the reason every
// test is skipped.
bool SelectKernelPathFromEnvironment(const char** why);

// The path this run forces (portable or vector), or kKernelPathBest.
int32_t ForcedKernelPath();

// Why this run cannot run at all on the path it forces, or null.
const char* KernelPathUnavailable();

// The paths a test checks in turn: the forced one, else the portable path
// and, where the processor has it, the vector path.
std::vector<int32_t> KernelPathsToCheck();

// Why the vector path went unchecked in a test that checked the paths of
// KernelPathsToCheck() (the processor lacks it), or null. A run that forces
// the portable path has left it out on purpose: null.
const char* VectorPathUnchecked();

// For kernels that also have an AVX-512 form: KernelPathsToCheck() and,
// unless a path is forced, the AVX-512 path where the processor has it; why
// that path went unchecked, or null.
std::vector<int32_t> KernelPathsToCheckWith512();
const char* Vector512PathUnchecked();

// Why this run cannot compare the vector path with the portable one (it
// forces a path, or the processor lacks the vector path), or null.
const char* PathsCannotBeCompared();
