#include "keyline.h"

#include <cstring>

int split_setting_line(const char* line, char (&key)[kFieldSize], char (&value)[kFieldSize]) {
    const char* eq = std::strchr(line, '=');
    const char* open = std::strchr(line, '"');
    const char* close = std::strrchr(line, '"');
    if (!eq || !open || close == open) return -1;

    std::size_t key_len = static_cast<std::size_t>(eq - line);
    std::size_t value_len = static_cast<std::size_t>(close - open - 1);
    if (key_len >= kFieldSize || value_len >= kFieldSize) return -1;

    std::memcpy(key, line, key_len);
    key[key_len] = '\0';
    std::memcpy(value, open + 1, value_len);
    value[value_len] = '\0';
    return 0;
}
