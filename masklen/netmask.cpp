#include "netmask.h"

#include <cctype>
#include <cstdio>

namespace {

// One "%d" conversion: blanks, an optional sign, at least one digit. The
// value saturates instead of wrapping, so a huge number stays out of every
// range rather than folding back into it.
bool scan_decimal(const char*& p, long long& out) {
    const char* s = p;
    while (std::isspace(static_cast<unsigned char>(*s))) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*s)); ++s)
        if (v < 1000000000000LL) v = v * 10 + (*s - '0');
    out = negative ? -v : v;
    p = s;
    return true;
}

}  // namespace

int prefix_to_mask(const char* word, char (&result)[kMaskWord]) {
    long long len = 0;
    if (!scan_decimal(word, len) || len < 0 || len > 32) return -1;
    std::uint32_t mask = 0;
    for (long long i = 0; i < len; ++i) mask = (mask >> 1) | 0x80000000u;
    std::snprintf(result, sizeof result, "%u.%u.%u.%u", mask >> 24, (mask >> 16) & 0xFF,
                  (mask >> 8) & 0xFF, mask & 0xFF);
    return 0;
}

int mask_to_prefix(const char* word, char (&result)[kMaskWord]) {
    std::uint32_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *word++ != '.') return -1;
        long long v = 0;
        if (!scan_decimal(word, v) || v < 0 || v > 255) return -1;
        mask = (mask << 8) | static_cast<std::uint32_t>(v);
    }
    int len = 0;
    while (len < 32 && (mask & (0x80000000u >> len))) ++len;
    // Any one bit below the first zero makes the mask non-contiguous.
    if (len < 32 && (mask << len) != 0) return -1;
    std::snprintf(result, sizeof result, "%d", len);
    return 0;
}
