#include "records.h"

#include <cstring>

void essid_text(const EssidRecord& record, char (&out)[kEssidTextSize]) {
    std::size_t i = 0;
    for (; i < record.length && i < kEssidTextSize - 1 && record.text[i] != '\0'; ++i) out[i] = record.text[i];
    out[i] = '\0';
}

bool put_essid(EssidRecord& record, const char* text) {
    std::size_t len = std::strlen(text);
    if (len > kEssidMax) return false;
    record.length = static_cast<uint8_t>(len);
    std::memcpy(record.text, text, len + 1);
    return true;
}

bool parse_ds(const char* text, unsigned* out) {
    // Read wide and signed, so that no huge or negative number wraps into
    // the range.
    long long ds;
    if (std::sscanf(text, "%lld", &ds) != 1 || ds < kDsMin || ds > kDsMax) return false;
    *out = static_cast<unsigned>(ds);
    return true;
}

long long banner_version(const char* banner) {
    unsigned major, minor;
    if (std::sscanf(banner, "PCnetMobile:v%u.%2u ", &major, &minor) != 2) return 0;
    return major * 100LL + minor;
}

void print_stations(std::FILE* out, const StationTable& table, bool with_value) {
    for (const StationEntry& e : table.entries) {
        if (e.in_use == 0) continue;
        const uint8_t* m = e.mac;
        std::fprintf(out, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
        if (with_value)
            std::fprintf(out, " %lu\n", static_cast<unsigned long>(e.value));
        else
            std::fputc('\n', out);
    }
}
