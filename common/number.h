// Decimal numbers as the programs read them.
#pragma once
#include <cerrno>
#include <climits>
#include <cstdlib>

// The standard base-10 conversion, taken to 32 bits the way an int
// assignment does: leading blanks, an optional sign, digits up to the
// first non-digit; no digits gives 0.
inline int to_int(const char* text) {
    return static_cast<int>(std::strtol(text, nullptr, 10));
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
