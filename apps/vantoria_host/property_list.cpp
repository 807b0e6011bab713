#include "apps/vantoria_host/property_list.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr uint32_t kHeaderSize = 10;
constexpr uint32_t kPropertyHeaderSize = 16;
constexpr uint32_t kVendor = FourCharCode("8BIM");

// Walks to property index; false when it or its data would leave the list.
bool PropertyAt(const PropertyList& list, uint32_t index, Property* property, uint32_t* next) {
    uint32_t offset = kHeaderSize;
    for (uint32_t i = 0;; ++i) {
        if (list.size - offset < kPropertyHeaderSize) return false;
        const uint8_t* p = list.bytes + offset;
        const uint32_t length = ReadLE32(p + 12);
        const uint32_t dataAt = offset + kPropertyHeaderSize;
        if (length > list.size - dataAt) return false;
        // Lengths are normally written padded; a last property may end unpadded.
        const uint32_t padded = (length + 3u) & ~3u;
        const uint32_t end = padded > list.size - dataAt ? list.size : dataAt + padded;
        if (i == index) {
            *property = {ReadLE32(p), ReadLE32(p + 4), int32_t(ReadLE32(p + 8)), length,
                         list.bytes + dataAt};
            *next = end;
            return true;
        }
        offset = end;
    }
}
}  // namespace

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t ReadLE16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}

bool PropertyList_Open(const void* bytes, uint32_t size, PropertyList* list, char* why,
                       size_t whyCapacity) {
    *list = {static_cast<const uint8_t*>(bytes), size, 0};
    if (bytes == nullptr || size < kHeaderSize) {
        std::snprintf(why, whyCapacity, "%u bytes are too few for the header", unsigned(size));
        return false;
    }
    const uint16_t reserved = ReadLE16(list->bytes);
    const uint32_t version = ReadLE32(list->bytes + 2);
    const uint32_t count = ReadLE32(list->bytes + 6);
    if (reserved != 1 || version != 0) {
        std::snprintf(why, whyCapacity, "header word %u, version %u (want 1 and 0)",
                      unsigned(reserved), unsigned(version));
        return false;
    }
    // Every property needs at least its header: a count beyond that is damage.
    if (count > (size - kHeaderSize) / kPropertyHeaderSize) {
        std::snprintf(why, whyCapacity, "%u properties cannot fit in %u bytes", unsigned(count),
                      unsigned(size));
        return false;
    }
    list->count = count;
    Property property;
    uint32_t end = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (!PropertyAt(*list, i, &property, &end)) {
            std::snprintf(why, whyCapacity, "property %u runs past the end", unsigned(i));
            return false;
        }
    }
    if (end != size) {
        std::snprintf(why, whyCapacity, "%u bytes follow the last property", unsigned(size - end));
        return false;
    }
    return true;
}

bool PropertyList_Find(const PropertyList& list, uint32_t key, Property* property) {
    uint32_t next = 0;
    for (uint32_t i = 0; i < list.count; ++i) {
        if (!PropertyAt(list, i, property, &next)) return false;
        if (property->vendor == kVendor && property->key == key) return true;
    }
    return false;
}

bool Property_PascalString(const Property& property, char* text, size_t capacity) {
    if (property.length < 1) return false;
    const uint32_t n = property.data[0];
    if (n + 1u > property.length || n + 1u > capacity) return false;
    std::memcpy(text, property.data + 1, n);
    text[n] = 0;
    return true;
}

bool Property_CString(const Property& property, char* text, size_t capacity) {
    const void* end = std::memchr(property.data, 0, property.length);
    if (end == nullptr) return false;
    const size_t n = size_t(static_cast<const uint8_t*>(end) - property.data);
    if (n + 1 > capacity) return false;
    std::memcpy(text, property.data, n + 1);
    return true;
}
