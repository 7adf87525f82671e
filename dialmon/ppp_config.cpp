#include "ppp_config.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "program.h"
#include "store.h"

namespace {

constexpr const char* kRemoteAddress = "10.112.112.112";

void format_address(char (&out)[16], const std::uint8_t (&a)[4]) {
    std::snprintf(out, sizeof out, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
}

// Which secrets files get the entry's password, by its auth value.
struct AuthRow {
    int auth;
    bool chap;
    bool pap;
};

constexpr AuthRow kAuthRows[] = {
    {0, true, true},
    {1, true, false},
    {2, false, true},
};

AuthRow auth_row(int auth) {
    for (const AuthRow& r : kAuthRows)
        if (r.auth == auth) return r;
    return {auth, false, false};
}

// Secrets are for the PPP daemon alone: a new file is readable by its owner
// only (a replacement keeps the mode of the file it replaces).
void create_secrets(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
}

// Replaces one file (the PPP daemon's files are written before every
// attempt: no sync); -1 after "can't open <path>".
int replace(const char* path, Fill fill) {
    if (replace_file(path, fill, Sync::none) == 0) return 0;
    report_cant_open(path);
    return -1;
}

}  // namespace

void write_options(std::FILE* f, const DialConfig& cfg, int n, int demand, DnsServers& dns) {
    const DialSettings& s = cfg.settings;
    const DialEntry& e = cfg.entries[n - 1];

    std::fprintf(f, "lock\n-detach\ndefaultroute\nnoipdefault\nmodem\ncrtscts\n");
    std::fprintf(f, "/dev/ttyS0\npassive\nasyncmap 0\nipcp-accept-local\n");
    std::fprintf(f, "ipcp-accept-remote\n");
    std::fprintf(f, "%d\n", s.speed);
    std::fprintf(f, "remotename dial%d\n", n);

    dns.primary[0] = '\0';
    dns.secondary[0] = '\0';
    if (e.pridns_set) {
        format_address(dns.primary, e.pridns);
        if (e.secdns_set) format_address(dns.secondary, e.secdns);
    } else if (e.secdns_set) {
        format_address(dns.primary, e.secdns);
    } else {
        // No server of its own: take the peer's, through the relay.
        std::snprintf(dns.primary, sizeof dns.primary, "%s", kRemoteAddress);
        std::fprintf(f, "ipparam \"get_dns\"\n");
        std::fprintf(f, "usepeerdns\n");
    }

    std::fprintf(f, "%u.%u.%u.%u:%s\n", s.ip[0], s.ip[1], s.ip[2], s.ip[3], kRemoteAddress);
    std::fprintf(f, "idle_packet %d\n", e.idle_packet);
    std::fprintf(f, "idle %d\n", e.idle);
    if (e.telehodai != 0) std::fprintf(f, "telehodai\n");
    std::fprintf(f, "teleho_idle %d\n", e.teleho_idle);
    std::fprintf(f, "teleho_start %d\n", s.teleho_start);
    std::fprintf(f, "teleho_end %d\n", s.teleho_end);
    std::fprintf(f, "user \"%s\"\n", e.user);
    // sic: two blanks after connect and before the closing quote
    std::fprintf(f, "connect  \"/etc/ppp/dialer \\'%s\\' %d \\'%s\\' \\'%s\\'  \"\n", e.phone,
                 e.redial, s.init_com, s.dial_com);
    if (demand != 0) std::fprintf(f, "demand\n");
    std::fprintf(f, "nopersist\n");
}

void write_secret(std::FILE* f, const DialEntry& e, int n) {
    std::fprintf(f, "*  dial%d  \"%s\"\n", n, e.password);  // sic: two blanks each
}

void write_timer_conf(std::FILE* f, const DialConfig& cfg, const DialEntry& e) {
    const DialSettings& s = cfg.settings;
    std::fprintf(f, "telehodai = %d\n", e.telehodai);
    std::fprintf(f, "teleho_start = %d\n", s.teleho_start);
    std::fprintf(f, "teleho_end = %d\n", s.teleho_end);
    std::fprintf(f, "charge_flag_day = %d\n", s.charge_flag_day);
    std::fprintf(f, "charge_flag_month = %d\n", s.charge_flag_month);
    std::fprintf(f, "charge_limit_day = %d\n", s.charge_limit_day);
    std::fprintf(f, "charge_limit_month = %d\n", s.charge_limit_month);
    std::fprintf(f, "charge_clear_timer_day = %d\n", s.charge_reset_day);
    std::fprintf(f, "charge_clear_timer_month = %d\n", s.charge_reset_month);
    std::fprintf(f, "charge_rate = %d\n", s.charge_rate);
}

int write_ppp_config(const DialConfig& cfg, int n, int demand, DnsServers& dns,
                     const PppFiles& files) {
    const DialEntry* e = entry_of(cfg, n);
    if (!e) return -1;

    DnsServers written = dns;
    auto options = [&](std::FILE* f) {
        write_options(f, cfg, n, demand, written);
        return 0;
    };
    if (replace(files.options, options) != 0) return -1;
    dns = written;

    // Both secrets files are emptied on every call.
    const AuthRow row = auth_row(e->auth);
    auto chap = [&](std::FILE* f) {
        if (row.chap) write_secret(f, *e, n);
        return 0;
    };
    auto pap = [&](std::FILE* f) {
        if (row.pap) write_secret(f, *e, n);
        return 0;
    };
    create_secrets(files.chap_secrets);
    if (replace(files.chap_secrets, chap) != 0) return -1;
    create_secrets(files.pap_secrets);
    if (replace(files.pap_secrets, pap) != 0) return -1;

    auto timer = [&](std::FILE* f) {
        write_timer_conf(f, cfg, *e);
        return 0;
    };
    return replace(files.timer_conf, timer);
}
