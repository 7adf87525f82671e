// The daemon's settings: the appliance's address and router flag from
// /etc/apinfo, the dial-up settings from /etc/ppp/ppp.conf and the five dial
// entries from /etc/ppp/dial1.conf .. dial5.conf. Nothing is kept on its own:
// every dialing pass reads the files again.
#pragma once
#include <cstdint>
#include <cstdio>

constexpr int kEntries = 5;         // dial entries 1..5
constexpr int kTextSize = 128;      // name, phone, user, password
constexpr int kModemSize = 256;     // escaped modem strings

struct DialSettings {
    std::uint8_t ip[4];
    std::int32_t router;  // 1 while ROUTER is "YES": dialing is allowed
    std::int32_t charge_flag_day;
    std::int32_t charge_limit_day;
    std::int32_t charge_reset_day;
    std::int32_t charge_flag_month;
    std::int32_t charge_limit_month;
    std::int32_t charge_reset_month;
    std::int32_t charge_rate;
    std::int32_t speed;
    std::int32_t teleho_start;
    std::int32_t teleho_end;
    char init_com[kModemSize];
    char dial_com[kModemSize];
    // The try order: slot k names the entry to try k-th, 0 for none.
    std::int32_t dial1;
    std::int32_t dial2;
    std::int32_t dial3;
    std::int32_t dial4;
    std::int32_t dial5;
    // The last read of ppp.conf refused a modem string (the field is then
    // empty): no entry is dialed until the file is sound again.
    std::int32_t modem_refused;
};

struct DialEntry {
    char name[kTextSize];
    char phone[kTextSize];  // empty: the entry is not dialed
    std::int32_t auth;      // 0 CHAP and PAP, 1 CHAP, 2 PAP, else neither
    char user[kTextSize];
    char password[kTextSize];
    std::uint8_t pridns[4];
    std::int32_t pridns_set;
    std::uint8_t secdns[4];
    std::int32_t secdns_set;
    std::int32_t redial;
    std::int32_t idle_packet;
    std::int32_t idle;
    std::int32_t telehodai;
    std::int32_t teleho_idle;
    // The last read of the entry's dial file refused a text (the field is
    // then empty): the entry is not dialed until the file is sound again.
    std::int32_t refused;
};

// Everything read_settings fills; all zero at start.
struct DialConfig {
    DialSettings settings;
    DialEntry entries[kEntries];  // entry n at index n - 1
};

constexpr int kSlots = 5;
constexpr std::int32_t DialSettings::*kTryOrder[kSlots] = {
    &DialSettings::dial1, &DialSettings::dial2, &DialSettings::dial3,
    &DialSettings::dial4, &DialSettings::dial5,
};

constexpr bool valid_entry(int n) { return n >= 1 && n <= kEntries; }

// Entry n can be dialed: it has a phone number, and neither its dial file
// nor ppp.conf had a value refused at their last read.

// The entry numbered n (1..5), or nullptr for any other number.
DialEntry* entry_of(DialConfig& cfg, int n);
const DialEntry* entry_of(const DialConfig& cfg, int n);

bool dialable(const DialConfig& cfg, int n);

// Where a dial setting's text is written in the PPP daemon's files, and so
// what would end its quoting there. The PPP daemon reads a backslash inside
// double quotes as an escape; the connect line is run by a shell, with the
// dial script's arguments between apostrophes.
enum class Quoting {
    none,            // name: stored only
    double_quotes,   // user, password: "text"; no double quote, and no
                     // backslash left over to escape the closing one
    dialer_plain,    // phone: raw in the connect line; no double quote,
                     // apostrophe or backslash
    dialer_escaped,  // modem strings: backslashes escaped (copy_escaped);
                     // no double quote or apostrophe
};

// True when the text can be written where `q` says without ending its
// quoting. A text that cannot is refused when read: the field is emptied
// (never left at an older value) and its entry, or for a modem string every
// entry, is not dialed until a read finds the file sound.
bool fits_quoting(const char* text, Quoting q);

// Copies a modem string doubling every backslash twice (one becomes four).
// Returns -1 and leaves dst alone when the source has 128 characters or more
// or its escaped form would not fit dst.
int copy_escaped(char (&dst)[kModemSize], const char* src);

// Applies one key of ppp.conf (n = 0) or of dial file n (1..5). Unknown keys
// and other entry numbers do nothing. Returns 0.
int apply_setting(DialConfig& cfg, const char* key, const char* value, int n);

// Applies every line of one open file, which n names: /etc/apinfo (n =
// kApinfoFile), ppp.conf (n = 0) or dial file n (1..5, whose DNS flags are
// cleared first). Returns 0, or -1 after a read error: then nothing in cfg
// has changed.
constexpr int kApinfoFile = -1;
int read_settings_file(DialConfig& cfg, std::FILE* f, int n);

struct SettingsFiles {
    const char* apinfo = "/etc/apinfo";
    const char* ppp_conf = "/etc/ppp/ppp.conf";
    const char* dial_format = "/etc/ppp/dial%d.conf";  // with the entry number
};

// Reads /etc/apinfo, ppp.conf and the five dial files in that order.
// Returns 0, or -1 after "can't open <path>" at the first file that does not
// open or "can't read <path>" at the first that fails while being read (the
// later files are not read; values read so far stay).
int read_settings(DialConfig& cfg, const SettingsFiles& files = SettingsFiles{});
