// What every program repeats: its name for the usage line, the common
// report of a file that cannot be opened, and the status of a failed run.
#pragma once
#include <cstdio>

// The exit status of a program whose main operation failed (its result -1,
// as the callers have always seen it).
constexpr int kFailureStatus = 255;

// The name the program was called by, for its usage line; `fallback` when
// the caller passed no argv[0] at all.
inline const char* program_name(char* const* argv, const char* fallback) {
    return argv[0] ? argv[0] : fallback;
}

// "can't open <path>": the common report of a file that cannot be opened,
// on standard output unless the program reports its failures elsewhere.
inline void report_cant_open(const char* path, std::FILE* to = stdout) {
    std::fprintf(to, "can't open %s\n", path);
}
