// Masked write-back of the filtering pass: corrected rows blended into the
// output by a soft selection mask.
#include <cstddef>

#include "engine/apply_driver.h"
#include "ui/status.h"

namespace {

template <typename T>
void Blend(uint32_t count, int32_t channels, const TwRun& source, const TwRun& corrected,
           const uint8_t* mask, const TwRun& out) {
    for (int32_t c = 0; c < channels; ++c) {
        const T* s = static_cast<const T*>(source.channel[c]);
        const T* k = static_cast<const T*>(corrected.channel[c]);
        T* o = static_cast<T*>(out.channel[c]);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t m = mask[i];
            const uint32_t src = s[size_t(i) * source.step], fix = k[size_t(i) * corrected.step];
            // m = 0 and m = 255 are exact; between them the sum is scaled by
            // 1/256 with rounding.
            const uint32_t v = m == 0     ? src
                               : m == 255 ? fix
                                          : (src * (255 - m) + fix * m + 128) >> 8;
            o[size_t(i) * out.step] = static_cast<T>(v);
        }
    }
}

bool Fits(const TwRun* run, int32_t depth, int32_t channels) {
    if (run == nullptr || run->depth != depth || run->step < 0) return false;
    for (int32_t c = 0; c < channels; ++c) {
        if (run->channel[c] == nullptr) return false;
    }
    return true;
}

}  // namespace

int32_t MaskedWriteBack(uint32_t count, int32_t channels, const TwRun* source,
                        const TwRun* corrected, const uint8_t* mask, const TwRun* out,
                        uint32_t* rowsWritten) {
    if (channels < 1 || channels > kTwMaxChannels || source == nullptr || mask == nullptr) {
        return kUiErrArg;
    }
    const int32_t depth = source->depth;
    if ((depth != 1 && depth != 2) || !Fits(source, depth, channels) ||
        !Fits(corrected, depth, channels) || !Fits(out, depth, channels)) {
        return kUiErrArg;
    }
    if (depth == 2) {
        Blend<uint16_t>(count, channels, *source, *corrected, mask, *out);
    } else {
        Blend<uint8_t>(count, channels, *source, *corrected, mask, *out);
    }
    if (rowsWritten != nullptr) ++*rowsWritten;
    return kUiOk;
}
