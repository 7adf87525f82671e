// The modem line: its set-up and restore, and the exchange on it.
#pragma once
#include <termios.h>

#include "reply.h"

constexpr const char* kModemPath = "/dev/modem";

struct Modem {
    int fd;
    speed_t speed;
    termios saved;
    termios working;
};

// Opens the line and sets it up raw at `speed`; false (after perror) when
// it cannot be opened.
bool open_modem(Modem& m, speed_t speed);

// Drops hardware flow control, puts the saved settings back, closes.
void close_modem(Modem& m);

// Writes the buffer's text in one call.
void send_command(const Modem& m, const Reply& buf);

enum class Collected { done, wait_failed };

// Reads the reply into `buf` until it holds the OK marker, the line has
// been silent for `silence_ms` milliseconds, the buffer is full, or a read
// gives nothing. wait_failed when the wait itself fails (a bad descriptor).
Collected collect_reply(int fd, Reply& buf, int silence_ms);
