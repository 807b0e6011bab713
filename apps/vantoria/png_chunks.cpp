#include "apps/vantoria/png_chunks.h"

#include <cstdio>
#include <cstring>

namespace {

// The PNG chunk CRC (ISO 3309, polynomial 0xEDB88320), bit by bit: it runs
// over eleven bytes once per file.
uint32_t Crc(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

const uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

// Reads the last 12 bytes of an open file and leaves it positioned before
// them; true when they are the IEND chunk.
bool AtEnd(std::FILE* f) {
    uint8_t tail[12] = {};
    return std::fseek(f, -12, SEEK_END) == 0 && std::fread(tail, 1, 12, f) == 12 &&
           std::memcmp(tail, kEnd, 12) == 0 && std::fseek(f, -12, SEEK_END) == 0;
}

uint32_t Big32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBig32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace

std::vector<uint8_t> ReadPngTime(const std::string& path) {
    std::vector<uint8_t> time;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return time;
    // Chunk headers after the 8-byte signature, skipping each chunk's data.
    uint8_t head[8];
    bool ok = std::fseek(f, 8, SEEK_SET) == 0;
    while (ok && std::fread(head, 1, 8, f) == 8) {
        const uint32_t length = Big32(head);
        if (std::memcmp(head + 4, "tIME", 4) == 0 && length == 7) {
            time.resize(7);
            if (std::fread(time.data(), 1, 7, f) != 7) time.clear();
            break;
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0) break;
        ok = std::fseek(f, long(length) + 4, SEEK_CUR) == 0;
    }
    std::fclose(f);
    return time;
}

bool PngEndsWell(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    const bool ok = AtEnd(f);
    std::fclose(f);
    return ok;
}

bool AddPngTime(const std::string& path, const std::vector<uint8_t>& time) {
    if (time.size() != 7) return true;
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (f == nullptr) return false;
    bool ok = AtEnd(f);
    uint8_t chunk[19 + 12];
    PutBig32(chunk, 7);
    std::memcpy(chunk + 4, "tIME", 4);
    std::memcpy(chunk + 8, time.data(), 7);
    PutBig32(chunk + 15, Crc(chunk + 4, 11));
    std::memcpy(chunk + 19, kEnd, 12);
    ok = ok && std::fwrite(chunk, 1, sizeof chunk, f) == sizeof chunk;
    return std::fclose(f) == 0 && ok;
}
