// The byte sink of the profile writer: every field big-endian, one at a time.
#include <cmath>

#include "icc/icc_internal.h"
#include "ui/status.h"

int32_t IccFlush(IccSink* sink) {
    if (sink->status != kUiOk || sink->used == 0) return sink->status;
    uint32_t n = sink->used;
    sink->status = FLWrite(sink->file, sink->buffer, &n);
    sink->used = 0;
    return sink->status;
}

static void PutByte(IccSink* sink, uint32_t v) {
    if (sink->status != kUiOk) return;
    if (sink->used == sink->capacity && IccFlush(sink) != kUiOk) return;
    sink->buffer[sink->used++] = uint8_t(v);
    ++sink->total;
}

void IccPut8(IccSink* sink, uint32_t v) {
    PutByte(sink, v);
}

void IccPut16(IccSink* sink, uint32_t v) {
    PutByte(sink, v >> 8);
    PutByte(sink, v);
}

void IccPut32(IccSink* sink, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) PutByte(sink, v >> shift);
}

void IccPut64(IccSink* sink, uint64_t v) {
    IccPut32(sink, uint32_t(v >> 32));
    IccPut32(sink, uint32_t(v));
}

void IccPutZeros(IccSink* sink, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) PutByte(sink, 0);
}

void IccPutS15(IccSink* sink, double v) {
    int32_t fixed = 0;
    if (IccS15Fixed16(v, &fixed) != kUiOk && sink->status == kUiOk) sink->status = kUiErrArg;
    IccPut32(sink, uint32_t(fixed));
}

void IccPutU16F16(IccSink* sink, double v) {
    const double scaled = std::floor(v * 65536.0 + 0.5);
    IccPut32(sink, scaled <= 0.0 ? 0u : scaled >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(scaled));
}

int32_t IccS15Fixed16(double value, int32_t* out) {
    if (out == nullptr) return kUiErrArg;
    *out = 0;
    if (!(std::fabs(value) <= 32767.0)) return kUiErrArg;  // also refuses NaN
    *out = int32_t(std::floor(value * 65536.0 + 0.5));
    return kUiOk;
}
