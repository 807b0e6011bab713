// The kernel self-check of the Windows build: the vector and the portable
// path of each kernel over the same pixels must give the same samples. The
// test host links the engine for this check alone.
#pragma once

// Prints one line: the paths agree, they differ, or the check was skipped
// because the processor lacks the vector path.
void CheckKernelPaths();
