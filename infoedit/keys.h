// The keys of /etc/apinfo, one row each in the order of their lines in the
// file, with the check a value given by the key's option must pass and what
// a valid value does. The reader and writer (settings.cpp) and the options
// (options.cpp) both go by this table: a new key is one row here.
#pragma once
#include <cstddef>
#include <iterator>

// The check an option's value must pass (options.cpp, `passes`).
enum class Check {
    any,          // every value
    name,         // name_check: at most `limit` letters, digits and '_'
    name_range,   // name_check, and its number within 1..99
    dotted_quad,  // dotted_quad_check
    mac,          // mac_check
    choice,       // exactly one of the two `choices`
};

// What an option with a valid value does.
enum class Effect {
    none,         // nothing: the value is checked and dropped
    store,        // the key takes the value
    store_group,  // the key takes the value, and ESSID is derived anew
    disk_flag,    // the disk-write option: "no" leaves the partition's copy alone
};

struct KeyRow {
    const char* key;
    Check check;
    std::size_t limit;  // name checks: most characters
    const char* choices[2];
    Effect effect;
};

inline constexpr KeyRow kKeys[] = {
    {"NAME", Check::name, 32, {}, Effect::store},
    {"GROUP", Check::name, 16, {}, Effect::store_group},
    {"ESSID", Check::any, 0, {}, Effect::none},  // derived from MACADDR and GROUP
    {"PRODUCT", Check::any, 0, {}, Effect::none},
    {"PCCARD", Check::any, 0, {}, Effect::store},
    {"IP", Check::dotted_quad, 0, {}, Effect::store},
    {"NETMASK", Check::dotted_quad, 0, {}, Effect::store},
    {"MACADDR", Check::mac, 0, {}, Effect::store},
    {"IPSET", Check::choice, 0, {"DHCP", "MANUAL"}, Effect::store},
    {"DHCPSET", Check::choice, 0, {"YES", "NO"}, Effect::store},
    {"DHCPS", Check::choice, 0, {"YES", "NO"}, Effect::store},
    {"CLIENT_SET", Check::choice, 0, {"YES", "NO"}, Effect::store},
    {"DSCH", Check::name_range, 2, {}, Effect::store},
    {"CUSTOM", Check::choice, 0, {"YES", "NO"}, Effect::store},
    {"DOMAIN", Check::name, 16, {}, Effect::store},
    {"ROUTER", Check::choice, 0, {"YES", "NO"}, Effect::store},
};

// The lines infoedit writes: one per key.
inline constexpr std::size_t kKeyCount = std::size(kKeys);

// The option that is no key of the file: -w yes|no, whether the copy on
// the persistent partition is written. Its value is held in the value
// table like a key's, but never written into the file.
inline constexpr KeyRow kDiskWriteOption = {"w", Check::any, 0, {}, Effect::disk_flag};
