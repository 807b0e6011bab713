#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ui/debug_log.h"

namespace {

struct Out {
    char* buf;
    size_t cap;
    size_t len;
    void Put(char c) {
        if (len + 1 < cap) buf[len++] = c;
    }
    void Put(const char* s) {
        while (*s) Put(*s++);
    }
};

// Integer with a field width. "%d" puts spaces before the sign and zeros after
// it; "%ld" puts either pad character after the sign (padAfterSign).
void PutInteger(Out& out, uint32_t magnitude, bool negative, unsigned base, bool upper, int width,
                bool zeroPad, bool padAfterSign) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char tmp[16];
    int n = 0;
    do {
        tmp[n++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    const int used = n + (negative ? 1 : 0);
    const int pad = width > used ? width - used : 0;
    const char padChar = zeroPad ? '0' : ' ';
    const bool after = zeroPad || padAfterSign;
    if (!after)
        for (int i = 0; i < pad; ++i) out.Put(padChar);
    if (negative) out.Put('-');
    if (after)
        for (int i = 0; i < pad; ++i) out.Put(padChar);
    while (n > 0) out.Put(tmp[--n]);
}

void PutSigned(Out& out, int32_t v, int width, bool zeroPad, bool padAfterSign) {
    const bool negative = v < 0;
    const uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    PutInteger(out, magnitude, negative, 10, false, width, zeroPad, padAfterSign);
}

// Fixed notation with exactly six decimals, the fraction rounded half up. The
// integer part is printed from the double itself, so huge values come out in full.
void PutFixed(Out& out, double v) {
    if (std::isnan(v)) return out.Put("nan");
    if (std::isinf(v)) return out.Put(v < 0 ? "-inf" : "inf");
    if (std::signbit(v)) {
        out.Put('-');
        v = -v;
    }
    double whole = std::floor(v);
    double micro = std::floor((v - whole) * 1e6 + 0.5);
    if (micro >= 1e6) {
        whole += 1.0;
        micro = 0.0;
    }
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f.%06.0f", whole, micro);
    out.Put(digits);
}

}  // namespace

static int32_t FormatV(char* buffer, size_t capacity, const char* format, va_list ap) {
    if (buffer == nullptr || capacity == 0) return 0;
    Out out{buffer, capacity, 0};
    int32_t conversions = 0;
    for (const char* f = format ? format : ""; *f; ++f) {
        if (*f != '%') {
            out.Put(*f);
            continue;
        }
        ++f;
        if (*f == 0) break;
        bool zeroPad = false;
        int width = 0;
        bool hasWidth = false;
        if (*f >= '0' && *f <= '9') {
            hasWidth = true;
            zeroPad = *f == '0';
            while (*f >= '0' && *f <= '9') width = width * 10 + (*f++ - '0');
            if (*f == 0) break;
        }
        bool isLong = false;
        if (*f == 'l' && (f[1] == 'd' || f[1] == 'x' || f[1] == 'X')) {
            isLong = true;
            ++f;
        }
        switch (*f) {
            case 'd': {
                // 64-bit arguments are printed from their low 32 bits.
                const int32_t v = isLong ? static_cast<int32_t>(va_arg(ap, long)) : va_arg(ap, int);
                PutSigned(out, v, width, zeroPad, isLong);
                ++conversions;
                break;
            }
            case 'x':
            case 'X': {
                const uint32_t v = isLong ? static_cast<uint32_t>(va_arg(ap, unsigned long))
                                          : va_arg(ap, unsigned int);
                PutInteger(out, v, false, 16, *f == 'X', width, zeroPad, true);
                ++conversions;
                break;
            }
            case 'c': {
                const char c = static_cast<char>(va_arg(ap, int));
                if (!hasWidth) {
                    out.Put(c);
                    ++conversions;
                }
                break;
            }
            case 's': {
                const char* s = va_arg(ap, const char*);
                if (!hasWidth) {
                    out.Put(s ? s : "");
                    ++conversions;
                }
                break;
            }
            case 'f': {
                const double v = va_arg(ap, double);
                if (!hasWidth) {
                    PutFixed(out, v);
                    ++conversions;
                }
                break;
            }
            default:
                // Any other character stands for itself ("%%" gives "%"); after
                // a width it is dropped like any conversion without one.
                if (!hasWidth) out.Put(*f);
                break;
        }
    }
    buffer[out.len] = 0;
    return conversions;
}

int32_t Ui_VSprintf(char* buffer, size_t capacity, const char* format, va_list args) {
    return FormatV(buffer, capacity, format, args);
}

int32_t Ui_Sprintf(char* buffer, size_t capacity, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const int32_t n = FormatV(buffer, capacity, format, ap);
    va_end(ap);
    return n;
}

int32_t Ui_Debug_Logf(uint8_t level, const char* format, ...) {
    if (level != 1) return 0;
    char line[512];
    va_list ap;
    va_start(ap, format);
    FormatV(line, sizeof line, format, ap);
    va_end(ap);
    return Ui_Debug_Log(level, line);
}
