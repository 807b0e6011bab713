// Reader of a plug-in's property list resource (Windows form, little-endian):
// a reserved word, the list version and the property count, then properties
// of vendor, key, id, length and data, each padded to four bytes. Bounds are
// checked against the resource's size; nothing is trusted.
#pragma once

#include <cstddef>
#include <cstdint>

struct PropertyList {
    const uint8_t* bytes;
    uint32_t size;
    uint32_t count;
};

struct Property {
    uint32_t vendor;
    uint32_t key;
    int32_t id;
    uint32_t length;
    const uint8_t* data;
};

constexpr uint32_t FourCharCode(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

// Checks the header and that every property lies inside the resource. On
// failure returns false with the reason in why.
bool PropertyList_Open(const void* bytes, uint32_t size, PropertyList* list, char* why,
                       size_t whyCapacity);

// The first property with this key from vendor '8BIM'; false when there is none.
bool PropertyList_Find(const PropertyList& list, uint32_t key, Property* property);

// Text of a Pascal-string property or of a C-string property, terminated,
// into text; false when the data does not hold such a string.
bool Property_PascalString(const Property& property, char* text, size_t capacity);
bool Property_CString(const Property& property, char* text, size_t capacity);

uint32_t ReadLE32(const uint8_t* p);
uint16_t ReadLE16(const uint8_t* p);
