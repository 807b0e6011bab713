// Shared between the host kit's own files.
#pragma once

#include "hostkit/hostkit.h"

enum HKArea { kHKAreaIn, kHKAreaOut, kHKAreaMask };

// The area the plug-in requests, from the 32-bit rectangles once it has
// switched to them, else from the 16-bit ones.
VRect HK_RequestedRect(const HKHost* host, HKArea area);
bool HK_AnyAreaRequested(const HKHost* host);

void HK_WriteBackOutput(HKHost* host);
void HK_ReleaseAreas(HKHost* host);
