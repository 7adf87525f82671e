// The command and reply buffer, and the reply as it is printed.
#pragma once
#include <cstddef>

constexpr std::size_t kReplySize = 4096;
constexpr const char* kOkMarker = "\r\nOK\r\n";

struct Reply {
    char text[kReplySize + 1];  // always NUL-terminated
    std::size_t length;
};

// Puts the command with its carriage return into the buffer. False when
// they do not fit (a command of more than kReplySize - 1 bytes).
bool set_command(Reply& buf, const char* command);

// Empties the buffer for the reply.
void clear(Reply& buf);

// True once the buffer holds kReplySize bytes.
bool full(const Reply& buf);

// Room left and where it starts; after reading n bytes there, added()
// counts them and terminates the text.
std::size_t room(const Reply& buf);
char* tail(Reply& buf);
void added(Reply& buf, std::size_t n);

// True when the modem's final "\r\nOK\r\n" has arrived, wherever the
// reads split it.
bool has_ok(const Reply& buf);

// Copies `text` into `out` (of the reply buffer's size) leaving out every
// carriage return.
void strip_returns(const char* text, char (&out)[kReplySize + 1]);
