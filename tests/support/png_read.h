// Reading PNG photographs for the integration tests and benchmarks, and
// finding the sample photographs (VANTORIA_PHOTOS, else the build's photos
// folder).
#pragma once

#include <string>

#include "tests/support/interleaved_view.h"

// Reads an 8- or 16-bit RGB or RGBA PNG into three channels (alpha dropped,
// grey and palette expanded; 16-bit samples pass through the plug-in
// interface's 15-bit scale). False with a reason in *error.
bool ReadPngImage(const std::string& path, InterleavedImage* image, std::string* error);

// The folder of the sample photographs, ending in '/'.
std::string PhotoFolder();

// Reads one sample photograph (for example "astronaut.png"). False, with a
// message that says where it was looked for and how to fetch it, when it is
// missing or unreadable.
bool LoadPhoto(const char* name, InterleavedImage* image, std::string* error);
