// Feeds arbitrary text, cut into lines the way the programs read them
// (at most 255 characters per read), to the line parsers of pktcount and
// masqflush.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "counters.h"
#include "listing.h"
#include "netdev.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Counters current[kIfaceCount];
    SavedCounters saved;
    MasqLine fields;
    MasqControl rec;
    std::memset(&rec, 0, sizeof rec);

    std::size_t pos = 0;
    while (pos < size) {
        char line[256];
        std::size_t n = 0;
        while (pos < size && n < sizeof line - 1) {
            char c = static_cast<char>(data[pos++]);
            if (c == '\0') break;  // a string ends there, as for fgets' caller
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = '\0';
        for (int i = 0; i < kIfaceCount; ++i) apply_netdev_line(line, kIfaceNames[i], current[i]);
        apply_counter_line(line, saved);
        parse_masq_line(line, fields);
        describe_entry(fields, rec);
    }
    return 0;
}
