// The PPP daemon's files for one dial entry: its options, the CHAP and PAP
// secrets and the charging timer's settings.
#pragma once
#include <cstdio>

#include "settings.h"

// The DNS servers handed to the relay for the entry last written.
struct DnsServers {
    char primary[16];    // dotted address, at most 15 characters
    char secondary[16];  // or empty
};

struct PppFiles {
    const char* options = "/etc/ppp/options";
    const char* chap_secrets = "/etc/ppp/chap-secrets";
    const char* pap_secrets = "/etc/ppp/pap-secrets";
    const char* timer_conf = "/etc/ppp/timer.conf";
};

// The texts, each written into an open file (the whole options file, one
// secrets line, the whole timer settings file).
void write_options(std::FILE* f, const DialConfig& cfg, int n, int demand, DnsServers& dns);
void write_secret(std::FILE* f, const DialEntry& e, int n);
void write_timer_conf(std::FILE* f, const DialConfig& cfg, const DialEntry& e);

// Replaces the four files for entry n (1..5), in this order, each whole
// (a reader sees the old file or the new one; the secrets are created with
// mode 0600); demand non-zero makes the PPP daemon dial on demand. Returns
// 0, or -1 after "can't open <path>" at the first file that cannot be
// replaced (the later ones are not written; dns changes only with the
// options file), or for an entry outside 1..5 (then nothing is written).
int write_ppp_config(const DialConfig& cfg, int n, int demand, DnsServers& dns,
                     const PppFiles& files = PppFiles{});
