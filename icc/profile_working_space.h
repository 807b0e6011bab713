// The RGB working space an embedded ICC profile describes, when it is a
// matrix/TRC RGB profile: the chromaticities of its primaries and its white
// (taken back from the profile connection space's D50 through the profile's
// chromatic adaptation), and a pure-power gamma fitted to its red curve.
#pragma once

#include <cstdint>

struct ProfileWorkingSpace {
    double gamma;
    double primaries[6];  // x, y of red, green, blue
    double white[2];      // x, y
};

// Reads size bytes of profile data. kUiOk; kUiErrFormat for data that is
// damaged or not a matrix/TRC RGB profile (nothing is read past size);
// kUiErrArg for missing arguments.
int32_t ReadProfileWorkingSpace(const uint8_t* data, uint32_t size, ProfileWorkingSpace* space);
