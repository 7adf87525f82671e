// Decimal numbers as the programs read them.
#pragma once
#include <cerrno>
#include <climits>
#include <cstdlib>

// Decimal numbers as the appliance's atoi reads them: leading blanks, an
// optional sign, the digits up to the first non-digit; no digits give 0.
// A value beyond the int range gives the nearest end of it (INT_MIN or
// INT_MAX) on every word size, where a plain conversion would wrap on a
// 64-bit build.
inline int saturate_int(long v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v); }

inline int to_int(const char* text) { return saturate_int(std::strtol(text, nullptr, 10)); }

// The same, for a caller that must know whether there was a number, as
// sscanf's %d tells: false, and *out left alone, when there are no digits.
// With `rest`, *rest is set to what follows the number.
inline bool scan_int(const char* text, int* out, const char** rest = nullptr) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text) return false;
    *out = saturate_int(v);
    if (rest) *rest = end;
    return true;
}

// Strict form: the whole text must be a decimal number within
// [lo, hi]. Returns false (and leaves *out alone) otherwise.
inline bool parse_int(const char* text, long lo, long hi, long* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || end == text || v < lo || v > hi) return false;
    *out = v;
    return true;
}
