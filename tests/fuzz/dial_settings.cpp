// Input: one byte choosing the file (/etc/apinfo, ppp.conf or a dial
// file), then the file's lines. A line that starts with a byte below 16 is
// taken as a value for the key that byte picks, so values are tried far
// more often than the fuzzer would find the keys; every other line is read
// as it stands. The values read are written out as the options and secrets
// of an entry, and those texts are read back the way the PPP daemon and the
// shell read them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ppp_config.h"
#include "settings.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// A double-quoted word as the PPP daemon reads it, a backslash taking the
// next character as it is. False unless the word closes exactly at the end.
bool unquote(const std::string& s, std::string& out) {
    if (s.empty() || s[0] != '"') return false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\') {
            if (++i == s.size()) return false;
            out += s[i];
        } else if (s[i] == '"') {
            return i == s.size() - 1;
        } else {
            out += s[i];
        }
    }
    return false;
}

// The line of `text` that starts with `prefix`, without it and its newline.
std::string after(const std::string& text, const std::string& prefix) {
    std::size_t at = text.find("\n" + prefix);
    require(at != std::string::npos, prefix.c_str());
    at += 1 + prefix.size();
    return text.substr(at, text.find('\n', at) - at);
}

std::string written(void (*write)(std::FILE*, const DialConfig&, int), const DialConfig& cfg, int n) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* f = open_memstream(&data, &size);
    write(f, cfg, n);
    std::fclose(f);
    std::string s = "\n" + std::string(data, size);
    std::free(data);
    return s;
}

void check_entry(const DialConfig& cfg, int n) {
    const DialEntry& e = cfg.entries[n - 1];
    for (const char* text : {e.name, e.phone, e.user, e.password})
        require(std::memchr(text, '\0', kTextSize) != nullptr, "text ends in its field");

    const std::string options = written(
        [](std::FILE* f, const DialConfig& c, int k) {
            DnsServers dns;
            write_options(f, c, k, 1, dns);
        },
        cfg, n);
    std::string user;
    require(unquote(after(options, "user "), user), "user closes at the line end");

    const std::string secret = written(
        [](std::FILE* f, const DialConfig& c, int k) { write_secret(f, c.entries[k - 1], k); }, cfg, n);
    std::string password;
    require(unquote(after(secret, "*  dial" + std::to_string(n) + "  "), password),
            "password closes at the line end");

    // What the shell is given: apostrophes only around the four values, and
    // nothing outside them but the dialer, the redial number and blanks.
    std::string connect;
    require(unquote(after(options, "connect  "), connect), "connect closes at the line end");
    std::vector<std::string> parts(1);
    for (char c : connect) {
        if (c == '\'')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    require(parts.size() == 7, "six apostrophes");
    require(parts[0] == "/etc/ppp/dialer ", "the dialer");
    require(parts[1] == e.phone, "the phone number whole");
    require(parts[2] == " " + std::to_string(e.redial) + " ", "the redial number");
    require(parts[4] == " " && parts[6] == "  ", "blanks between");
}

constexpr const char* kKeys[] = {
    "phone", "user", "password", "init_com", "dial_com", "name", "redial", "auth",
    "pridns", "secdns", "IP", "ROUTER", "speed", "dial1", "idle", "telehodai",
};

std::string file_text(const std::uint8_t* data, std::size_t size) {
    std::string text;
    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t* nl = static_cast<const std::uint8_t*>(std::memchr(data + pos, '\n', size - pos));
        std::size_t end = nl ? static_cast<std::size_t>(nl - data) : size;
        std::string line(reinterpret_cast<const char*>(data + pos), end - pos);
        if (!line.empty() && static_cast<std::uint8_t>(line[0]) < 16)
            line = std::string(kKeys[static_cast<std::uint8_t>(line[0])]) + "=\"" + line.substr(1) + "\"";
        text += line;
        if (nl) text += '\n';
        pos = end + 1;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int n = data[0] % (kEntries + 2) - 1;  // kApinfoFile, 0 .. 5
    std::string text = file_text(data + 1, size - 1);
    text += '\0';  // fmemopen wants room for at least one byte

    static DialConfig cfg{};  // values carry over, as in the daemon
    std::FILE* f = fmemopen(text.data(), text.size() > 1 ? text.size() - 1 : 1, "r");
    require(f != nullptr, "fmemopen");
    require(read_settings_file(cfg, f, n) == 0, "an in-memory file reads whole");
    std::fclose(f);

    for (const char* modem : {cfg.settings.init_com, cfg.settings.dial_com})
        require(std::memchr(modem, '\0', kModemSize) != nullptr, "modem string ends in its field");
    // The entry just read, or for ppp.conf one that carries its modem strings.
    if (n != kApinfoFile) check_entry(cfg, n > 0 ? n : 1);
    return 0;
}
