// Tintwork stream reader alone: read, check, write back and compare, without
// the transform application driver (fuzz_tintwork_stream runs that too), so
// the fuzzer spends its time on the reader's own checks.
#include "fuzz/tintwork_stream_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckTintworkStreamRoundTrip(data, size, nullptr);
    return 0;
}
