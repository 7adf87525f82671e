// What wlancard reads from and puts into the driver's records.
#pragma once
#include <cstddef>
#include <cstdio>

#include "radio.h"

constexpr std::size_t kEssidTextSize = 256;  // output buffer of get essid
// The longest network name a wireless LAN allows.
constexpr std::size_t kEssidMax = 32;
constexpr unsigned kDsMin = 1, kDsMax = 99;

// The ESSID the driver filled in: its length byte's worth of text, cut at
// an earlier NUL byte.
void essid_text(const EssidRecord& record, char (&out)[kEssidTextSize]);

// Fills an ESSID record to send: length byte, text, NUL byte. Returns false
// (record untouched) for a text longer than kEssidMax.
bool put_essid(EssidRecord& record, const char* text);

// Reads a DS channel for set ds: leading decimal digits, 1 to 99.
bool parse_ds(const char* text, unsigned* out);

// The version value of a banner: major * 100 + minor, or 0 when the banner
// does not begin with the driver's version tag.
long long banner_version(const char* banner);

// Prints one line per station in use, in table order: the address, and the
// station's value when `with_value`.
void print_stations(std::FILE* out, const StationTable& table, bool with_value);
