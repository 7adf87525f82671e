#include "settings.h"

#include <cstring>

const char* const key_table[kKeyCount] = {
    "NAME",  "GROUP",   "ESSID", "PRODUCT",    "PCCARD", "IP",     "NETMASK", "MACADDR",
    "IPSET", "DHCPSET", "DHCPS", "CLIENT_SET", "DSCH",   "CUSTOM", "DOMAIN",  "ROUTER",
};

bool is_valid_key(const char* key) {
    if (std::strcmp(key, "w") == 0) return true;
    for (const char* k : key_table)
        if (std::strcmp(key, k) == 0) return true;
    return false;
}

void ValueTable::clear() { std::memset(slots_, 0, sizeof slots_); }

bool ValueTable::set(const char* key, const char* value) {
    std::size_t key_len = std::strlen(key);
    std::size_t value_len = std::strlen(value);
    if (key_len == 0 || key_len >= kKeySize || value_len >= kSlotValueSize) return false;
    for (Slot& s : slots_) {
        if (s.key[0] != '\0' && std::strcmp(s.key, key) != 0) continue;
        std::memcpy(s.key, key, key_len + 1);
        std::memcpy(s.value, value, value_len + 1);
        return true;
    }
    return false;
}

const char* ValueTable::get(const char* key) const {
    for (const Slot& s : slots_)
        if (s.key[0] != '\0' && std::strcmp(s.key, key) == 0) return s.value;
    return nullptr;
}

namespace {

// The key of a line: the text before its first '=', when it is valid.
bool line_key(const char* line, char (&key)[kKeySize]) {
    const char* eq = std::strchr(line, '=');
    if (!eq) return false;
    std::size_t key_len = static_cast<std::size_t>(eq - line);
    if (key_len >= kKeySize) return false;
    std::memcpy(key, line, key_len);
    key[key_len] = '\0';
    return is_valid_key(key);
}

// Whether a piece without a newline goes on in the next one (it does not
// at the end of the file).
bool more_of_line(std::FILE* f) {
    int c = std::fgetc(f);
    if (c == EOF) return false;
    std::ungetc(c, f);
    return true;
}

}  // namespace

int read_apinfo(std::FILE* f, ValueTable& table) {
    char line[kLineSize];
    bool continued = false;  // this piece goes on a line already begun
    for (;;) {
        std::memset(line, 0, sizeof line);  // a newline found below was read now
        if (!std::fgets(line, sizeof line, f)) break;
        const bool first = !continued;
        continued = !std::memchr(line, '\n', sizeof line) && more_of_line(f);
        char key[kKeySize];
        if (!first || !line_key(line, key)) continue;
        if (continued && std::strcmp(key, "w") != 0) return -1;
        char* open = std::strchr(line, '"');
        char* close = std::strrchr(line, '"');
        if (!open || close == open) continue;
        *close = '\0';
        table.set(key, open + 1);
    }
    return std::ferror(f) ? -1 : 0;
}

int write_apinfo(std::FILE* f, const ValueTable& table) {
    for (const char* key : key_table) {
        const char* value = table.get(key);
        std::fprintf(f, "%s=\"%s\"\n", key, value ? value : "");
    }
    return std::ferror(f) ? -1 : 0;
}

int cant_open(const char* path) {
    std::printf("Can't open \"%s\".\n", path);
    return -1;
}
