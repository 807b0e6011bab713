// The settings base block in big-endian IEEE cells (the older preferences
// entries), followed by the sharpen / noise block.
#include "fuzz/editpars_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckEditParsRoundTrip({ReadEditParsBigEndian, WriteEditParsBigEndian}, data, size);
    return 0;
}
