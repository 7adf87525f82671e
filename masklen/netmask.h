// Conversions between the two written forms of an IPv4 netmask.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr std::size_t kMaskWord = 32;  // input word and result, with the zero

// "24" -> "255.255.255.0". Returns 0, or -1 for a malformed prefix length
// (no number, or outside 0..32); `result` is then untouched.
int prefix_to_mask(const char* word, char (&result)[kMaskWord]);

// "255.255.255.0" -> "24". Returns 0, or -1 for a malformed netmask (fewer
// than four parts, a part outside 0..255, or ones after the first zero bit).
int mask_to_prefix(const char* word, char (&result)[kMaskWord]);
