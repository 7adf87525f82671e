// The command-line options of infoedit: -KEY for each key of the settings
// file and -w, each with the check its value must pass and what a valid
// value does (the rows of keys.h).
#pragma once
#include <cstddef>

#include "settings.h"

// At most `limit` characters, each an ASCII letter, digit or '_'.
bool name_check(const char* value, std::size_t limit);
// The leading decimal number of the value lies within [lo, hi].
bool range_check(const char* value, long lo, long hi);
// Four numbers 0..255 separated by dots: digits and dots only.
bool dotted_quad_check(const char* value);
// Six hexadecimal numbers 0..255 separated by ':' (or blanks).
bool mac_check(const char* value);

// ESSID from the last three octets of the MACADDR value (its characters 9,
// 10, 12, 13, 15 and 16) followed by the GROUP value. Positions beyond the
// end of a short MACADDR value are left out.
void derive_essid(ValueTable& table);

// What the run has gathered from its options.
struct Edit {
    ValueTable& table;
    bool disk_write = true;  // -w no clears it
};

// Checks and applies one option (key without its '-'). Returns 0, or -1
// when the key is not valid or the value fails its check.
int apply_option(Edit& edit, const char* key, const char* value);

// The "-KEY value" pairs of a command line (arguments after the program
// name), left to right, each seeing the effect of the ones before. Returns
// 0, or -1 for a usage error: a count that is not even and at least two, a
// word without '-', or a failed option.
int apply_options(Edit& edit, int count, char* const* args);
