// The straightforward reader: one character at a time into a 1024-byte
// line buffer, every keyword tried in list order, output with printf. It
// is what readlogs must equal byte for byte; tests and the benchmark use it.
#pragma once
#include <cstdio>

#include "keyword.h"

// Prints the record's answer with capture references replaced, then a newline.
void printkey(const KeyCord* rec, FILE* out);
// Returns what readlogs returns.
int readlogs_plain(const char* path, FILE* out);
void scanlog_plain(FILE* in, FILE* out);
