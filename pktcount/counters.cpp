#include "counters.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "owned.h"
#include "store.h"

namespace {

struct CounterKey {
    const char* key;
    Iface iface;
    std::uint32_t Counters::*field;
};

// The counter file's lines, in the order they are written.
constexpr CounterKey kKeys[] = {
    {"eth0_tx", kEth0, &Counters::tx},     {"eth0_tx_err", kEth0, &Counters::tx_err},
    {"eth0_rx", kEth0, &Counters::rx},     {"eth0_rx_err", kEth0, &Counters::rx_err},
    {"eth1_tx", kEth1, &Counters::tx},     {"eth1_tx_err", kEth1, &Counters::tx_err},
    {"eth1_rx", kEth1, &Counters::rx},     {"eth1_rx_err", kEth1, &Counters::rx_err},
    {"ppp0_tx", kPpp0, &Counters::tx},     {"ppp0_tx_err", kPpp0, &Counters::tx_err},
    {"ppp0_rx", kPpp0, &Counters::rx},     {"ppp0_rx_err", kPpp0, &Counters::rx_err},
};

bool blank(char c) { return c == '=' || c == '"' || std::isspace(static_cast<unsigned char>(c)); }

}  // namespace

int iface_index(const char* word) {
    for (int i = 0; i < kIfaceCount; ++i)
        if (std::strcmp(word, kIfaceNames[i]) == 0) return i;
    return -1;
}

int apply_counter_line(const char* line, SavedCounters& saved) {
    const char* p = line;
    while (*p && blank(*p)) ++p;
    const char* key = p;
    while (*p && !blank(*p)) ++p;
    std::size_t key_len = static_cast<std::size_t>(p - key);
    // A key that does not fit the key buffer is none of ours.
    if (key_len == 0 || key_len >= kWordSize) return -1;
    char word[kWordSize];
    std::memcpy(word, key, key_len);
    word[key_len] = '\0';

    while (*p && blank(*p)) ++p;
    const char* digits = p;
    if (*digits == '+' || *digits == '-') ++digits;
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return -1;  // no number: ignored
    // Taken to 32 bits the same way on every build.
    auto value = static_cast<std::uint32_t>(std::strtoll(p, nullptr, 10));

    for (const CounterKey& k : kKeys) {
        if (std::strcmp(word, k.key) == 0) {
            saved.iface[k.iface].*k.field = value;
            return 0;
        }
    }
    return -1;
}

CounterRead read_counter_file(SavedCounters& saved) {
    File f(kCounterFile, "r");
    if (!f) return CounterRead::cant_open;
    char line[kLineSize];
    while (std::fgets(line, sizeof line, f.get())) apply_counter_line(line, saved);
    return std::ferror(f.get()) ? CounterRead::read_error : CounterRead::ok;
}

void print_counter_lines(std::FILE* out, const SavedCounters& saved) {
    for (const CounterKey& k : kKeys)
        std::fprintf(out, "%s=\"%d\"\n", k.key, static_cast<std::int32_t>(saved.iface[k.iface].*k.field));
}

int write_counter_file(const SavedCounters& saved) {
    return replace_file(kCounterFile, [&saved](std::FILE* f) {
        print_counter_lines(f, saved);
        return 0;  // the replacement checks the writes
    });
}
