#include "ppp_config.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "owned.h"
#include "program.h"

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

// Secrets are for the PPP daemon alone: a new file is readable by its owner only.
File open_secrets(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return File();
    FILE* f = fdopen(fd, "w");
    if (!f) close(fd);
    return File(f);
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

    File options(files.options, "we");
    if (!options) {
        report_cant_open(files.options);
        return -1;
    }
    write_options(options.get(), cfg, n, demand, dns);
    options.close();

    // Both secrets files are emptied on every call; one that does not open
    // is skipped.
    File chap = open_secrets(files.chap_secrets);
    File pap = open_secrets(files.pap_secrets);
    AuthRow row = auth_row(e->auth);
    if (row.chap && chap) write_secret(chap.get(), *e, n);
    if (row.pap && pap) write_secret(pap.get(), *e, n);
    chap.close();
    pap.close();

    File timer(files.timer_conf, "we");
    if (!timer) {
        report_cant_open(files.timer_conf);
        return -1;
    }
    write_timer_conf(timer.get(), cfg, *e);
    return 0;
}
