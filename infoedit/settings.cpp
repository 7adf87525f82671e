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
    if (key_len == 0 || key_len >= kKeySize || value_len >= kValueSize) return false;
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

void read_apinfo(std::FILE* f, ValueTable& table) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        char* eq = std::strchr(line, '=');
        char* open = std::strchr(line, '"');
        char* close = std::strrchr(line, '"');
        if (!eq || !open || close == open) continue;
        std::size_t key_len = static_cast<std::size_t>(eq - line);
        if (key_len >= kKeySize) continue;
        char key[kKeySize];
        std::memcpy(key, line, key_len);
        key[key_len] = '\0';
        if (!is_valid_key(key)) continue;
        *close = '\0';
        table.set(key, open + 1);  // refuses a value too long for its slot
    }
}

int write_apinfo(std::FILE* f, const ValueTable& table) {
    for (const char* key : key_table) {
        const char* value = table.get(key);
        std::fprintf(f, "%s=\"%s\"\n", key, value ? value : "");
    }
    return std::ferror(f) ? -1 : 0;
}
