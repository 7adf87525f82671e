// What every program repeats: its name for the usage line, the common
// report of a file that cannot be opened, and the status of a failed run.
#pragma once
#include <fcntl.h>
#include <unistd.h>

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

// Descriptors 0, 1 and 2 open (on /dev/null where they were closed), so
// that no file the program opens later becomes its standard output or
// error by chance.
inline void open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR | O_NOCTTY);  // the lowest free one: fd
}
