// The two resources by which a host finds and scripts the plug-in: the
// property list ("PIPL") and the scripting terminology ("AETE"), both id
// 16000, in the host's published Windows binary forms (little-endian).
//
// Both are built from the one description in plugin_properties.cpp. The
// Linux build serves the bytes through the headless resource lookup; the
// Windows build compiles the same builders into a small native generator
// that writes them into the resource script. No platform calls here.
#pragma once

#include <cstdint>

constexpr int32_t kPluginPropertiesResourceId = 16000;

// Upper bound of either resource's size, for callers that want a fixed buffer.
constexpr uint32_t kPluginPropertiesMaxBytes = 1024;

// Each builder writes the resource into out (capacity bytes) and its length
// into *size. With too small a capacity (out may then be null) it leaves the
// buffer zeroed, still reports the length needed, and returns -1; otherwise 0.
int32_t BuildPipl(uint8_t* out, uint32_t capacity, uint32_t* size);
int32_t BuildAete(uint8_t* out, uint32_t capacity, uint32_t* size);
