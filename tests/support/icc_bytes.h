// Reading back the bytes of a written ICC profile: big-endian fields and the
// tag table.
#pragma once

#include <cstdint>
#include <vector>

inline uint32_t Be16(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 8 | b[at + 1];
}

inline uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return Be16(b, at) << 16 | Be16(b, at + 2);
}

// The four-character code of a text of four characters.
inline uint32_t SigOf(const char* s) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

struct IccTagEntry {
    uint32_t signature = 0, offset = 0, size = 0;
};

// The tag table's entry for signature; size 0 when there is none.
inline IccTagEntry FindIccTag(const std::vector<uint8_t>& b, uint32_t signature) {
    const uint32_t count = Be32(b, 128);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = 132 + 12 * size_t(i);
        if (Be32(b, at) == signature) return {signature, Be32(b, at + 4), Be32(b, at + 8)};
    }
    return {};
}
