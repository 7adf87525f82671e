#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The option's row: the disk-write option's, or its key's.
const KeyRow* option_row(const char* key) {
    if (std::strcmp(key, kDiskWriteOption.key) == 0) return &kDiskWriteOption;
    for (const KeyRow& row : kKeys)
        if (std::strcmp(row.key, key) == 0) return &row;
    return nullptr;
}

bool passes(const KeyRow& row, const char* value) {
    switch (row.check) {
    case Check::any:
        return true;
    case Check::name:
        return name_check(value, row.limit);
    case Check::name_range:
        return name_check(value, row.limit) && range_check(value, 1, 99);
    case Check::dotted_quad:
        return dotted_quad_check(value);
    case Check::mac:
        return mac_check(value);
    case Check::choice:
        return std::strcmp(value, row.choices[0]) == 0 || std::strcmp(value, row.choices[1]) == 0;
    }
    return false;
}

bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A newline, carriage return or other control character would end or
// garble the line the value is written into.
bool has_control_char(const char* value) {
    for (const char* p = value; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// One number as "%d" (base 10) or "%X" (base 16) reads it: leading white
// space, a sign, digits. A number outside the int range is no number here,
// so a check never sees a value cut to 32 bits.
bool scan_number(const char*& p, int base, long& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, base);
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    out = v;
    p = end;
    return true;
}

// `count` numbers of 0..255, each after the first preceded by `sep` (or by
// nothing when `sep` is 0); what follows the last one is not looked at.
bool scan_octets(const char* p, int base, char sep, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0 && sep != '\0' && *p++ != sep) return false;
        long v;
        if (!scan_number(p, base, v) || v < 0 || v > 255) return false;
    }
    return true;
}

}  // namespace

bool name_check(const char* value, std::size_t limit) {
    std::size_t n = 0;
    for (; value[n] != '\0'; ++n)
        if (n >= limit || !is_name_char(value[n])) return false;
    return true;
}

bool range_check(const char* value, long lo, long hi) {
    long v = std::strtol(value, nullptr, 10);
    return v >= lo && v <= hi;
}

bool dotted_quad_check(const char* value) {
    // Digits and dots only: "%d" alone would also take blanks and signs,
    // which the web server refuses in its ServerName line.
    int dots = 0;
    for (const char* q = value; *q != '\0'; ++q) {
        if (*q == '.')
            ++dots;
        else if (*q < '0' || *q > '9')
            return false;
    }
    return dots == 3 && scan_octets(value, 10, '.', 4);  // "%d.%d.%d.%d"
}

bool mac_check(const char* value) {
    char copy[kValueSize];
    std::size_t len = std::strlen(value);
    if (len >= sizeof copy) return false;
    for (std::size_t i = 0; i <= len; ++i) copy[i] = value[i] == ':' ? ' ' : value[i];
    return scan_octets(copy, 16, '\0', 6);  // "%X %X %X %X %X %X"
}

void derive_essid(ValueTable& table) {
    static constexpr std::size_t kPositions[] = {9, 10, 12, 13, 15, 16};
    const char* mac = table.get("MACADDR");
    const char* group = table.get("GROUP");
    std::size_t mac_len = mac ? std::strlen(mac) : 0;
    char essid[kValueSize];
    std::size_t n = 0;
    for (std::size_t pos : kPositions)
        if (pos < mac_len) essid[n++] = mac[pos];
    std::snprintf(essid + n, sizeof essid - n, "%s", group ? group : "");
    table.set("ESSID", essid);
}

int apply_option(Edit& edit, const char* key, const char* value) {
    const KeyRow* row = option_row(key);
    if (!row || has_control_char(value) || !passes(*row, value)) return -1;
    // An option sets at most kValueSize - 1 characters.
    if (row->effect != Effect::none && std::strlen(value) >= kValueSize) return -1;
    switch (row->effect) {
    case Effect::none:
        return 0;
    case Effect::disk_flag:
        if (!edit.table.set(key, value)) return -1;
        if (std::strcmp(value, "no") == 0) edit.disk_write = false;
        return 0;
    case Effect::store:
        return edit.table.set(key, value) ? 0 : -1;
    case Effect::store_group:
        if (!edit.table.set(key, value)) return -1;
        derive_essid(edit.table);
        return 0;
    }
    return -1;
}

int apply_options(Edit& edit, int count, char* const* args) {
    if (count < 2 || count % 2 != 0) return -1;
    for (int i = 0; i < count; i += 2) {
        if (args[i][0] != '-') return -1;
        if (apply_option(edit, args[i] + 1, args[i + 1]) != 0) return -1;
    }
    return 0;
}
