// The settings base block in portable cells (the preferences entries and the
// scripting blob), followed by the sharpen / noise block.
#include "fuzz/editpars_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckEditParsRoundTrip({ReadEditPars, WriteEditPars}, data, size);
    return 0;
}
