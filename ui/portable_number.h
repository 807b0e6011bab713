// The portable number: four bytes, big-endian, a signed exponent byte e
// followed by a 24-bit two's-complement mantissa m. The binary form is worth
// m × 2^-23 × 2^e, the decimal form m × 10^-6 × 2^e. Used by the preferences
// file, the persisted settings and the scripting blob.
#pragma once

#include <cstdint>

enum UiNumberForm : int32_t { kUiNumberBinary = 3, kUiNumberDecimal = 4 };

// Encodes value as a fraction f in [0.5, 1) (sign kept) and exponent e, with
// m = f × 2^23 (binary) or f × 10^6 (decimal) rounded half away from zero and
// limited to -8388608 .. 8388607 or -999999 .. 999999. 0 and NaN give four
// zero bytes; exponents beyond the byte saturate to the largest magnitude
// (too large) or give zero (too small).
void Ui_EncodeNumber(double value, int32_t form, uint8_t out[4]);

// Decodes four bytes; a binary mantissa below -8388607 reads as -8388607, and
// a decimal value beyond the float range reads as the largest float.
float Ui_DecodeNumber(const uint8_t in[4], int32_t form);

// Big-endian integers and IEEE single-precision cells.
inline uint32_t Ui_GetBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline uint16_t Ui_GetBE16(const uint8_t* p) {
    return uint16_t(uint32_t(p[0]) << 8 | p[1]);
}
inline void Ui_PutBE32(uint32_t v, uint8_t* p) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
inline void Ui_PutBE16(uint16_t v, uint8_t* p) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
float Ui_GetBEFloat(const uint8_t* p);
void Ui_PutBEFloat(float v, uint8_t* p);
