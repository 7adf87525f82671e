// The key="value" line syntax shared by the settings, dial, status and
// counter files.
#pragma once
#include <cstddef>
#include <cstdio>

constexpr std::size_t kLineSize = 256;   // a line is read with this buffer
constexpr std::size_t kFieldSize = 128;  // key and value buffers

// Splits one line: the key is everything before the first '=', the value
// everything between the first and the last double quote. Returns 0, or -1
// for a line outside the syntax (no '=', fewer than two double quotes, or a
// key or value too long for its buffer); such a line is to be skipped.
int split_setting_line(const char* line, char (&key)[kFieldSize], char (&value)[kFieldSize]);

// Reads an open file line by line (pieces of at most 255 characters count as
// lines of their own) and calls fn(key, value) for every line in the syntax.
template <typename Fn>
void for_each_setting(std::FILE* f, Fn fn) {
    char line[kLineSize];
    char key[kFieldSize];
    char value[kFieldSize];
    while (std::fgets(line, sizeof line, f)) {
        if (split_setting_line(line, key, value) == 0) fn(key, value);
    }
}
