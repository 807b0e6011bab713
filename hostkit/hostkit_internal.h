// Shared between the host kit's own files.
#pragma once

#include "hostkit/hostkit.h"

// The host whose callbacks run now (the callbacks carry no context).
HKHost* HK_Active();
void HK_SetActive(HKHost* host);

enum HKArea { kHKAreaIn, kHKAreaOut, kHKAreaMask };

// The area the plug-in requests, from the 32-bit rectangles once it has
// switched to them, else from the 16-bit ones.
VRect HK_RequestedRect(const HKHost* host, HKArea area);
bool HK_AnyAreaRequested(const HKHost* host);

// Tells options.onRowsFinal that the result's first rows are final.
void HK_TellRowsFinal(HKHost* host, int32_t rows);

void HK_WriteBackOutput(HKHost* host);
void HK_ReleaseAreas(HKHost* host);
// Gives the system back the buffers kept for later requests.
void HK_FreeSpares(HKHost* host);

// Handles the host makes for itself (titles, descriptors, texts): they do not
// count as the plug-in's requests. Null when memory is short.
Handle HK_NewHostHandle(const void* bytes, int32_t size);
// The bytes and size of a live handle; null for anything else.
const char* HK_HandleBytes(Handle h, int32_t* size);
void HK_DisposeHandle(Handle h);
void HK_FreeAllHandles(HKHost* host);
void HK_InstallHandleProcs(HKHost* host);
// Moves the parameters and data blocks into new allocations (contents only).
void HK_RelocateBlocks(HKHost* host);

void HK_InstallDescriptorProcs(HKHost* host);
void HK_InstallDisplayProcs(HKHost* host);
