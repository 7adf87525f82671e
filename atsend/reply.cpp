#include "reply.h"

#include <cstring>

bool set_command(Reply& buf, const char* command) {
    const std::size_t n = std::strlen(command);
    if (n + 1 > kReplySize) return false;
    std::memcpy(buf.text, command, n);
    buf.text[n] = '\r';
    buf.text[n + 1] = '\0';
    buf.length = n + 1;
    return true;
}

void clear(Reply& buf) {
    buf.length = 0;
    buf.text[0] = '\0';
}

bool full(const Reply& buf) { return buf.length >= kReplySize; }

std::size_t room(const Reply& buf) { return kReplySize - buf.length; }

char* tail(Reply& buf) { return buf.text + buf.length; }

void added(Reply& buf, std::size_t n) {
    buf.length += n;
    buf.text[buf.length] = '\0';
}

bool has_ok(const Reply& buf) { return std::strstr(buf.text, kOkMarker) != nullptr; }

void strip_returns(const char* text, char (&out)[kReplySize + 1]) {
    std::size_t o = 0;
    for (std::size_t i = 0; text[i] != '\0' && o < kReplySize; ++i)
        if (text[i] != '\r') out[o++] = text[i];
    out[o] = '\0';
}
