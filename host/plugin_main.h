// The module's one exported function, called by the host once per stage of a
// filter run. Nothing else is exported.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define VANTORIA_EXPORT __declspec(dllexport)
#else
#define VANTORIA_EXPORT __attribute__((visibility("default")))
#endif

// selector: 0 about, 1 parameters, 2 prepare, 3 start, 4 continue, 5 finish.
// paramBlock: the host's AboutRecord for selector 0, its FilterRecord otherwise.
// data: the host's pointer-sized slot kept between calls. result: the host's
// result code, set only on failure.
extern "C" VANTORIA_EXPORT void PluginMain(int16_t selector, void* paramBlock, intptr_t* data,
                                           int16_t* result);
