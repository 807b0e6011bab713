// The ".cube" writer: node colours through the Tintwork, printed six
// decimals each, written through a small buffer.
#include "icc/cube_lut.h"

#include <cstring>

#include "ui/allocator.h"
#include "ui/debug_log.h"
#include "ui/file_layer.h"
#include "ui/status.h"

namespace {

constexpr uint32_t kBufferBytes = 16384;
constexpr uint32_t kLineBytes = 320;

struct LineSink {
    FLFile* file;
    char* buffer;
    uint32_t used;
    int32_t status;
};

void Flush(LineSink* s) {
    if (s->status != kUiOk || s->used == 0) return;
    uint32_t n = s->used;
    s->status = FLWrite(s->file, s->buffer, &n);
    s->used = 0;
}

void PutLine(LineSink* s, const char* line) {
    const uint32_t n = uint32_t(std::strlen(line));
    if (s->used + n > kBufferBytes) Flush(s);
    if (s->status != kUiOk) return;
    std::memcpy(s->buffer + s->used, line, n);
    s->used += n;
}

int32_t PutTable(const Tintwork* tw, const char* title, LineSink* s) {
    char clean[kLineBytes / 2];
    size_t n = 0;
    for (const char* c = title; *c && n + 1 < sizeof clean; ++c)
        clean[n++] = (*c == '"' || uint8_t(*c) < 0x20) ? ' ' : *c;
    clean[n] = 0;
    char line[kLineBytes];
    Ui_Sprintf(line, sizeof line, "TITLE \"%s\"\n", clean);
    PutLine(s, line);
    Ui_Sprintf(line, sizeof line, "LUT_3D_SIZE %d\n", kCubeLutPoints);
    PutLine(s, line);
    PutLine(s, "DOMAIN_MIN 0.0 0.0 0.0\nDOMAIN_MAX 1.0 1.0 1.0\n");
    int32_t index[3];
    double rgb[3];
    for (index[2] = 0; index[2] < kCubeLutPoints; ++index[2])
        for (index[1] = 0; index[1] < kCubeLutPoints; ++index[1])
            for (index[0] = 0; index[0] < kCubeLutPoints && s->status == kUiOk; ++index[0]) {
                UI_TRY(CubeLutNode(tw, kCubeLutPoints, index, rgb));
                Ui_Sprintf(line, sizeof line, "%f %f %f\n", rgb[0], rgb[1], rgb[2]);
                PutLine(s, line);
            }
    Flush(s);
    return s->status;
}

}  // namespace

int32_t CubeLutNode(const Tintwork* tw, int32_t points, const int32_t index[3], double out[3]) {
    if (tw == nullptr || tw->inputChannels != 3 || tw->outputChannels != 3 || points < 2)
        return kUiErrArg;
    uint8_t device[3];
    for (int32_t c = 0; c < 3; ++c)
        device[c] = uint8_t(double(index[c]) * 255.0 / double(points - 1) + 0.5);
    uint16_t corrected[kTwMaxChannels];
    UI_TRY(TwApplyPixel8(tw, device, corrected));
    const double scale = tw->outputDepth == 2 ? 65535.0 : 255.0;
    for (int32_t c = 0; c < 3; ++c) out[c] = corrected[c] / scale;
    return kUiOk;
}

int32_t WriteCubeLut(const Tintwork* tw, const char* title, const char* path) {
    if (tw == nullptr || title == nullptr || path == nullptr || path[0] == 0) return kUiErrArg;
    UiOwned<char> buffer(static_cast<char*>(Ui_Malloc(kBufferBytes)));
    if (!buffer) return kUiErrMemory;
    FLFile file;
    UI_TRY(FLOpenReplacement(&file, path));
    LineSink sink = {&file, buffer.get(), 0, kUiOk};
    const int32_t status = PutTable(tw, title, &sink);
    if (status != kUiOk) {
        FLAbandonReplacement(&file);
        return status;
    }
    return FLCommitReplacement(&file, path);
}
