#include "netdev.h"

#include <cctype>
#include <cstring>

#include "owned.h"

namespace {

constexpr int kNumbers = 16;

// One "%d" conversion of a counter, kept as its 32-bit pattern: the kernel
// counts unsigned and the counts wrap.
bool scan_counter(const char*& p, std::uint32_t& out) {
    const char* s = p;
    while (*s == ':' || std::isspace(static_cast<unsigned char>(*s))) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    std::uint32_t v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*s)); ++s) v = v * 10u + static_cast<std::uint32_t>(*s - '0');
    out = negative ? 0u - v : v;
    p = s;
    return true;
}

}  // namespace

int apply_netdev_line(const char* line, const char* name, Counters& current) {
    // The name is searched in the line as it reads with ':' made a blank,
    // so a name holding ':' matches a blank there.
    std::size_t name_len = std::strlen(name);
    if (name_len == 0) return -1;
    const char* at = nullptr;
    for (const char* p = line; *p; ++p) {
        std::size_t i = 0;
        while (i < name_len && p[i] && (p[i] == ':' ? ' ' : p[i]) == name[i]) ++i;
        if (i == name_len) {
            at = p;
            break;
        }
    }
    if (!at) return -1;

    const char* p = at + name_len;
    for (int n = 1; n <= kNumbers; ++n) {
        std::uint32_t v = 0;
        if (!scan_counter(p, v)) break;
        switch (n) {
            case 2: current.rx = v; break;
            case 3: current.rx_err = v; break;
            case 10: current.tx = v; break;
            case 11: current.tx_err = v; break;
            default: break;
        }
    }
    return 0;
}

int read_interface_counters(const char* name, Counters& current) {
    current = Counters{};
    File f(kNetDev, "r");
    if (!f) return -1;
    char line[kLineSize];
    while (std::fgets(line, sizeof line, f.get())) apply_netdev_line(line, name, current);
    if (std::ferror(f.get())) {
        current = Counters{};  // as when it cannot be opened
        return -1;
    }
    return 0;
}
