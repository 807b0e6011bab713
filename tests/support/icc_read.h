// Reading a profile back into the writer's own structure, for the tests and
// the fuzz target that check the writer.
#pragma once

#include <cstdint>

#include "icc/icc_profile.h"

// Reads a profile from size bytes at data into a new profile whose tags are
// in table order (a tag whose data is another's is read as sharing it;
// lookup tables as given grids). kUiErrFormat for malformed data, which is
// never read past size; kUiErrUnsupported for a tag type that is not
// implemented (logged).
int32_t IccReadProfile(const uint8_t* data, uint32_t size, IccProfile** out);
