#include "settings.h"

#include <cstdio>
#include <cstring>

#include "keyline.h"
#include "number.h"
#include "owned.h"
#include "program.h"

namespace {

// ppp.conf: numbers and the two modem strings of DialSettings.
struct ConfKey {
    const char* key;
    std::int32_t DialSettings::*number;
    char (DialSettings::*modem)[kModemSize];
};

constexpr ConfKey kConfKeys[] = {
    {"charge_flag_day", &DialSettings::charge_flag_day, nullptr},
    {"charge_limit_day", &DialSettings::charge_limit_day, nullptr},
    {"charge_reset_day", &DialSettings::charge_reset_day, nullptr},
    {"charge_flag_month", &DialSettings::charge_flag_month, nullptr},
    {"charge_limit_month", &DialSettings::charge_limit_month, nullptr},
    {"charge_reset_month", &DialSettings::charge_reset_month, nullptr},
    {"charge_rate", &DialSettings::charge_rate, nullptr},
    {"speed", &DialSettings::speed, nullptr},
    {"teleho_start", &DialSettings::teleho_start, nullptr},
    {"teleho_end", &DialSettings::teleho_end, nullptr},
    {"init_com", nullptr, &DialSettings::init_com},
    {"dial_com", nullptr, &DialSettings::dial_com},
    {"dial1", &DialSettings::dial1, nullptr},
    {"dial2", &DialSettings::dial2, nullptr},
    {"dial3", &DialSettings::dial3, nullptr},
    {"dial4", &DialSettings::dial4, nullptr},
    {"dial5", &DialSettings::dial5, nullptr},
};

// Dial files: one kind of value per key.
enum class Kind { Text, Number, Address };

struct EntryKey {
    const char* key;
    Kind kind;
    char (DialEntry::*text)[kTextSize];
    Quoting quoting;  // of a text
    std::int32_t DialEntry::*number;
    std::uint8_t (DialEntry::*address)[4];
    std::int32_t DialEntry::*address_set;
};

constexpr EntryKey text(const char* key, char (DialEntry::*field)[kTextSize], Quoting q) {
    return {key, Kind::Text, field, q, nullptr, nullptr, nullptr};
}
constexpr EntryKey number(const char* key, std::int32_t DialEntry::*field) {
    return {key, Kind::Number, nullptr, Quoting::none, field, nullptr, nullptr};
}
constexpr EntryKey address(const char* key, std::uint8_t (DialEntry::*field)[4],
                           std::int32_t DialEntry::*set) {
    return {key, Kind::Address, nullptr, Quoting::none, nullptr, field, set};
}

constexpr EntryKey kEntryKeys[] = {
    text("name", &DialEntry::name, Quoting::none),
    text("phone", &DialEntry::phone, Quoting::dialer_plain),
    text("user", &DialEntry::user, Quoting::double_quotes),
    text("password", &DialEntry::password, Quoting::double_quotes),
    number("auth", &DialEntry::auth),
    number("redial", &DialEntry::redial),
    number("idle_packet", &DialEntry::idle_packet),
    number("idle", &DialEntry::idle),
    number("telehodai", &DialEntry::telehodai),
    number("teleho_idle", &DialEntry::teleho_idle),
    address("pridns", &DialEntry::pridns, &DialEntry::pridns_set),
    address("secdns", &DialEntry::secdns, &DialEntry::secdns_set),
};

// "%d.%d.%d.%d"; each octet is the low 8 bits of its number. Leaves `out`
// alone and returns false unless all four numbers are read.
bool scan_address(const char* value, std::uint8_t (&out)[4]) {
    int n[4];
    const char* p = value;
    for (int i = 0; i < 4; ++i)
        if ((i > 0 && *p++ != '.') || !scan_int(p, &n[i], &p)) return false;
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(n[i]);
    return true;
}

void apply_conf(DialSettings& s, const char* key, const char* value) {
    for (const ConfKey& k : kConfKeys) {
        if (std::strcmp(key, k.key) != 0) continue;
        if (k.number) {
            s.*k.number = to_int(value);
        } else if (!fits_quoting(value, Quoting::dialer_escaped) || copy_escaped(s.*k.modem, value) != 0) {
            (s.*k.modem)[0] = '\0';
            s.modem_refused = 1;
        }
        return;
    }
}

void apply_apinfo(DialSettings& s, const char* key, const char* value) {
    // An address that does not scan keeps the previous one.
    if (std::strcmp(key, "IP") == 0) scan_address(value, s.ip);
    if (std::strcmp(key, "ROUTER") == 0) s.router = std::strcmp(value, "YES") == 0 ? 1 : 0;
}

void apply_entry(DialEntry& e, const char* key, const char* value) {
    for (const EntryKey& k : kEntryKeys) {
        if (std::strcmp(key, k.key) != 0) continue;
        switch (k.kind) {
        case Kind::Text:
            if (fits_quoting(value, k.quoting)) {
                std::snprintf(e.*k.text, kTextSize, "%s", value);
            } else {
                (e.*k.text)[0] = '\0';
                e.refused = 1;
            }
            break;
        case Kind::Number:
            e.*k.number = to_int(value);
            break;
        case Kind::Address:
            if (scan_address(value, e.*k.address)) {
                e.*k.address_set = 1;
            } else {
                std::memset(e.*k.address, 0, sizeof(e.*k.address));
                e.*k.address_set = 0;
            }
            break;
        }
        return;
    }
}

}  // namespace

bool fits_quoting(const char* text, Quoting q) {
    switch (q) {
    case Quoting::none:
        return true;
    case Quoting::double_quotes: {
        if (std::strchr(text, '"')) return false;
        // Backslashes pair up from the end; an odd one out would escape
        // the closing double quote.
        std::size_t n = std::strlen(text), trailing = 0;
        while (trailing < n && text[n - 1 - trailing] == '\\') ++trailing;
        return trailing % 2 == 0;
    }
    case Quoting::dialer_plain:
        return !std::strpbrk(text, "\"'\\");
    case Quoting::dialer_escaped:
        return !std::strpbrk(text, "\"'");
    }
    return false;
}

DialEntry* entry_of(DialConfig& cfg, int n) {
    return valid_entry(n) ? &cfg.entries[n - 1] : nullptr;
}

const DialEntry* entry_of(const DialConfig& cfg, int n) {
    return valid_entry(n) ? &cfg.entries[n - 1] : nullptr;
}

bool dialable(const DialConfig& cfg, int n) {
    const DialEntry* e = entry_of(cfg, n);
    return e && e->phone[0] != '\0' && !e->refused && !cfg.settings.modem_refused;
}

int copy_escaped(char (&dst)[kModemSize], const char* src) {
    std::size_t len = std::strlen(src);
    if (len >= kTextSize) return -1;
    std::size_t escaped = len;
    for (const char* p = src; *p; ++p)
        if (*p == '\\') escaped += 3;
    if (escaped >= kModemSize) return -1;

    char* out = dst;
    for (const char* p = src; *p; ++p) {
        int copies = *p == '\\' ? 4 : 1;
        for (int i = 0; i < copies; ++i) *out++ = *p;
    }
    *out = '\0';
    return 0;
}

int apply_setting(DialConfig& cfg, const char* key, const char* value, int n) {
    if (n == 0)
        apply_conf(cfg.settings, key, value);
    else if (DialEntry* e = entry_of(cfg, n))
        apply_entry(*e, key, value);
    return 0;
}

namespace {

// The DNS flags say whether the last read of dial file n found the
// addresses, the refusal flags whether it (or ppp.conf, n = 0) refused a
// value; a read starts without them.
void forget_addresses(DialConfig& cfg, int n) {
    if (DialEntry* e = entry_of(cfg, n)) {
        e->pridns_set = 0;
        e->secdns_set = 0;
    }
}

void start_reading(DialConfig& cfg, int n) {
    forget_addresses(cfg, n);
    if (DialEntry* e = entry_of(cfg, n)) e->refused = 0;
    if (n == 0) cfg.settings.modem_refused = 0;
}

}  // namespace

int read_settings_file(DialConfig& cfg, std::FILE* f, int n) {
    // The lines go into a copy, which counts only once the whole file is read.
    DialConfig next = cfg;
    start_reading(next, n);
    for_each_setting(f, [&next, n](const char* key, const char* value) {
        if (n == kApinfoFile)
            apply_apinfo(next.settings, key, value);
        else
            apply_setting(next, key, value, n);
    });
    if (std::ferror(f)) return -1;
    cfg = next;
    return 0;
}

namespace {

int read_file(DialConfig& cfg, const char* path, int n) {
    File f(path, "re");
    if (!f) {
        forget_addresses(cfg, n);  // a dial file that is gone has none
        report_cant_open(path);
        return -1;
    }
    if (read_settings_file(cfg, f.get(), n) != 0) {
        std::printf("can't read %s\n", path);
        return -1;
    }
    return 0;
}

}  // namespace

int read_settings(DialConfig& cfg, const SettingsFiles& files) {
    if (read_file(cfg, files.apinfo, kApinfoFile) != 0) return -1;
    if (read_file(cfg, files.ppp_conf, 0) != 0) return -1;
    for (int n = 1; n <= kEntries; ++n) {
        char path[256];
        std::snprintf(path, sizeof path, files.dial_format, n);
        if (read_file(cfg, path, n) != 0) return -1;
    }
    return 0;
}
