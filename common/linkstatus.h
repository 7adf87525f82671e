// The link status file, shared by dialmon and dialstat.
#pragma once

constexpr const char* kStatusPath = "/etc/ppp/ppp.stat";

struct LinkStatus {
    int com_status = 0;
    int prog_status = 0;
    int dial_status = 0;
};

// Reads the three values from the file; a key that is absent leaves its value
// alone. Prints "can't open <path>" and returns -1 when the file cannot be
// opened.
int read_status(LinkStatus& st, const char* path = kStatusPath);

// Rewrites the file whole with the three lines in their fixed order, through
// replace_file (unsynced), so a reader sees the old file or the new one.
// Prints "can't open <path>" and returns -1 when it cannot be written.
int write_status(const LinkStatus& st, const char* path = kStatusPath);

// The value a short name (com, prog, dial) stands for, or nullptr.
int* status_value(LinkStatus& st, const char* name);
