// Reading the system log and printing the explanations.
#pragma once
#include <cstddef>
#include <cstdio>

#include "keyword.h"

constexpr int kLineMax = 1024;  // a longer line keeps only what follows its last full 1024

// The two parts of a log line that msghint looks at.
struct LogFields {
    const char* stamp;  // the first three fields: month, day, time of day
    int stamp_len;
    const char* text;   // the message text from the fifth field on; "" if none
};
LogFields splitlogline(const char* line);

// Reads the log file and prints "<stamp> : <answer>" for every line whose
// message text matches a keyword. Returns 1 when the whole log was read; 0
// when the file cannot be opened or read (a directory, a read error) or the
// memory for the capture block or the read buffer cannot be had; -1 when
// the output could not be written (out's error flag is set; what out still
// buffers is the caller's to flush).
int readlogs(const char* path, FILE* out = stdout);

// The same over an open descriptor, read in blocks of up to chunk bytes
// (the block size changes nothing in the output). Captures must be set up.
// Returns false when the read buffer cannot be allocated, a read fails, or
// a write to out fails (the scan then stops).
bool scanlog(int fd, FILE* out, size_t chunk);
