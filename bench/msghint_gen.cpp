// Writes a system log of about the given size from a handful of daemons,
// and a keyword file of 500 pairs of which a few match often.
//   msghint_gen LOGFILE CONFFILE MEGABYTES
#include <cstdio>
#include <cstdlib>

namespace {

unsigned long long seed = 88172645463325252ull;
unsigned rnd(unsigned n) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return static_cast<unsigned>(seed % n);
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kUsers[] = {"root", "admin", "guest", "test", "oracle", "pi", "user"};
const char* const kIfaces[] = {"eth0", "eth1", "wlan0", "ppp0", "br0"};

int line(char* b, size_t room, int n) {
    int day = 1 + n / 80000 % 28, sec = n / 3 % 86400;
    int at = std::snprintf(b, room, "%s %2d %02d:%02d:%02d ap ", kMonths[n / 2000000 % 12], day,
                           sec / 3600, sec / 60 % 60, sec % 60);
    b += at;
    room -= static_cast<size_t>(at);
    unsigned pid = 100 + rnd(30000), ip = rnd(256), ip2 = rnd(256);
    int len;
    switch (rnd(20)) {
    case 0: case 1: case 2:
        len = std::snprintf(b, room, "kernel: %s: link %s", kIfaces[rnd(5)], rnd(2) ? "up" : "down");
        break;
    case 3: case 4: case 5:
        len = std::snprintf(b, room, "sshd[%u]: Failed password for %s from 192.168.%u.%u port %u ssh2",
                            pid, kUsers[rnd(7)], ip, ip2, 1024 + rnd(60000));
        break;
    case 6: case 7:
        len = std::snprintf(b, room, "dhcpd: DHCPACK on 10.0.%u.%u to 00:0c:29:%02x:%02x:%02x via br0",
                            ip, ip2, rnd(256), rnd(256), rnd(256));
        break;
    case 8:
        len = std::snprintf(b, room, "pppd[%u]: Connect time %u.%u minutes.", pid, rnd(300), rnd(10));
        break;
    case 9: case 10:
        len = std::snprintf(b, room, "sshd[%u]: Accepted publickey for %s from 192.168.%u.%u port %u ssh2",
                            pid, kUsers[rnd(7)], ip, ip2, 1024 + rnd(60000));
        break;
    case 11: case 12:
        len = std::snprintf(b, room, "CROND[%u]: (root) CMD (/usr/lib/sa/sa1 1 1)", pid);
        break;
    case 13:
        len = std::snprintf(b, room, "dhcpd: DHCPREQUEST for 10.0.%u.%u from 00:0c:29:%02x:%02x:%02x via br0",
                            ip, ip2, rnd(256), rnd(256), rnd(256));
        break;
    case 14:
        len = std::snprintf(b, room, "named[%u]: client 192.168.%u.%u#%u: query (cache) 'host%u.example.org/A/IN' denied",
                            pid, ip, ip2, 1024 + rnd(60000), rnd(900));
        break;
    case 15:
        len = std::snprintf(b, room, "kernel: IN=ppp0 OUT= MAC= SRC=10.%u.%u.1 DST=10.0.0.1 LEN=60 PROTO=TCP DPT=%u",
                            ip, ip2, rnd(1024));
        break;
    case 16:
        len = std::snprintf(b, room, "pppd[%u]: LCP: timeout sending Config-Requests", pid);
        break;
    case 17:
        len = std::snprintf(b, room, "kernel: %s: error code %u", kIfaces[rnd(5)], rnd(700));
        break;
    default:
        len = std::snprintf(b, room, "syslogd 1.4.1: restart.");
        break;
    }
    return at + len;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LOGFILE CONFFILE MEGABYTES\n", argv[0]);
        return 2;
    }
    FILE* conf = std::fopen(argv[2], "w");
    if (!conf) return 1;
    // A few pairs that match often, amid many that share their beginnings
    // and match rarely or never.
    std::fprintf(conf, "# log explanations\n");
    int pairs = 0;
    for (int i = 0; pairs < 496; ++i) {
        switch (i % 8) {
        case 0: std::fprintf(conf, "'kernel: $: error code %d' 'Interface $0 failed with code %d'\n", i, i); break;
        case 1: std::fprintf(conf, "'sshd[$]: Invalid user %s%d from $' 'Unknown user at $1'\n", kUsers[i % 7], i); break;
        case 2: std::fprintf(conf, "'dhcpd: DHCPNAK on 10.%d.$.$ to $' 'Refused $2'\n", i); break;
        case 3: std::fprintf(conf, "'pppd[$]: LCP error %d' \"PPP link layer error %d\"\n", i, i); break;
        case 4: std::fprintf(conf, "'named[$]: zone example%d.org/IN: loaded serial $' 'Zone %d serial $1'\n", i, i); break;
        case 5: std::fprintf(conf, "\"kernel: IN=$ OUT=$ MAC=$ SRC=10.%d.$ DST=$ \" 'Blocked $0 from net %d'\n", i, i); break;
        case 6: std::fprintf(conf, "'CROND[$]: ($) CMD (/etc/job%d)' 'Job %d ran for $1'\n", i, i); break;
        default: std::fprintf(conf, "'syslogd 1.%d.$: restart.' 'Logger restarted'\n", i); break;
        }
        ++pairs;
    }
    std::fprintf(conf, "\"kernel: $: link $\"  \"Interface $0 is $1\"\n");
    std::fprintf(conf, "'sshd[$]: Failed password for $ from $ port $' 'Login attempt on $1 from $2'\n");
    std::fprintf(conf, "'dhcpd: DHCPACK on $ to $ via $' 'Address $0 leased to $1'\n");
    std::fprintf(conf, "'pppd[$]: Connect time $ minutes.' 'Dial-up link was up $1 minutes'\n");
    std::fclose(conf);

    FILE* log = std::fopen(argv[1], "w");
    if (!log) return 1;
    const long long want = std::atoll(argv[3]) * 1000000ll;
    static char buf[1 << 16];
    long long total = 0;
    size_t used = 0;
    for (int n = 0; total < want; ++n) {
        int len = line(buf + used, sizeof buf - used - 1, n);
        buf[used + len] = '\n';
        used += static_cast<size_t>(len) + 1;
        total += len + 1;
        if (used > sizeof buf - 512) {
            std::fwrite(buf, 1, used, log);
            used = 0;
        }
    }
    std::fwrite(buf, 1, used, log);
    return std::fclose(log) == 0 ? 0 : 1;
}
