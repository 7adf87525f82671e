// netsim: sets and advances the simulated network that the fake kernel
// shows as /proc/net/dev and /proc/net/ip_masq/{tcp,udp,icmp}.
//
//   netsim show                                    the counters, as /proc/net/dev has them
//   netsim set IFACE FIELD VALUE [FIELD VALUE]...  set counters of lo, eth0, eth1 or ppp0
//   netsim add IFACE FIELD COUNT [FIELD COUNT]...  advance them (wrapping at 2^32)
//   netsim masq add PROTO SRC:PORT DST:PORT MASQ:PORT [STATE [EXPIRES]]
//                                                  add a masquerading entry (TCP, UDP, ICMP;
//                                                  dotted addresses, decimal ports)
//   netsim masq list | clear
//
// FIELD is one of the sixteen counter names (rx_bytes, rx_packets, rx_errs,
// ... tx_packets, tx_errs, ... tx_compressed) or tx, tx_err, rx, rx_err for
// the packet and error counts. ppp0 exists only while the stand-in PPP
// daemon holds its link (/sim/state/ppp0), and starts at zero each time.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../fakekernel/netstate.h"

using namespace netstate;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: netsim show\n"
                 "       netsim set|add IFACE FIELD VALUE [FIELD VALUE]...\n"
                 "       netsim masq add PROTO SRC:PORT DST:PORT MASQ:PORT [STATE [EXPIRES]]\n"
                 "       netsim masq list|clear\n");
    return 2;
}

int fail(const char* fmt, const char* what) {
    std::fprintf(stderr, "netsim: ");
    std::fprintf(stderr, fmt, what);
    std::fprintf(stderr, "\n");
    return 1;
}

int field_index(const char* name) {
    static const struct {
        const char* alias;
        int index;
    } aliases[] = {{"rx", 1}, {"rx_err", 2}, {"tx", 9}, {"tx_err", 10}};
    for (const auto& a : aliases)
        if (std::strcmp(name, a.alias) == 0) return a.index;
    for (int i = 0; i < kCounters; ++i)
        if (std::strcmp(name, kCounterNames[i]) == 0) return i;
    return -1;
}

bool parse_number(const char* text, unsigned long long max, unsigned long long& out) {
    if (!text || !*text || *text == '-' || *text == '+') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    out = v;
    return true;
}

int show() {
    NetDev dev;
    read_state(kNetDevState, &dev, sizeof dev);
    bool up = false;
    if (sync_ppp(dev, up)) write_state(kNetDevState, &dev, sizeof dev);
    for (int i = 0; i < kIfaces; ++i) {
        if (i == kPpp && !up) {
            std::printf("%s down\n", kIfaceNames[i]);
            continue;
        }
        std::printf("%s", kIfaceNames[i]);
        for (int c = 0; c < kCounters; ++c) std::printf(" %s=%u", kCounterNames[c], dev.counters[i][c]);
        std::printf("\n");
    }
    return 0;
}

int set_counters(bool add, int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) return usage();
    int iface = -1;
    for (int i = 0; i < kIfaces; ++i)
        if (std::strcmp(argv[0], kIfaceNames[i]) == 0) iface = i;
    if (iface < 0) return fail("no interface %s", argv[0]);
    NetDev dev;
    read_state(kNetDevState, &dev, sizeof dev);
    bool up = false;
    sync_ppp(dev, up);
    if (iface == kPpp && !up) return fail("%s is down (no PPP link)", argv[0]);
    for (int a = 1; a + 1 < argc; a += 2) {
        int field = field_index(argv[a]);
        if (field < 0) return fail("no counter %s", argv[a]);
        unsigned long long v = 0;
        if (!parse_number(argv[a + 1], 0xFFFFFFFFull, v)) return fail("bad number %s", argv[a + 1]);
        std::uint32_t& c = dev.counters[iface][field];
        c = add ? c + static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    }
    if (!write_state(kNetDevState, &dev, sizeof dev)) return fail("can't write %s", kNetDevState);
    return 0;
}

bool parse_endpoint(const char* text, std::uint32_t& addr, std::uint16_t& port) {
    char host[64];
    const char* colon = std::strrchr(text, ':');
    if (!colon || static_cast<std::size_t>(colon - text) >= sizeof host) return false;
    std::memcpy(host, text, static_cast<std::size_t>(colon - text));
    host[colon - text] = '\0';
    in_addr a;
    unsigned long long p = 0;
    if (inet_pton(AF_INET, host, &a) != 1 || !parse_number(colon + 1, 0xFFFF, p)) return false;
    addr = ntohl(a.s_addr);
    port = static_cast<std::uint16_t>(p);
    return true;
}

int masq(int argc, char** argv) {
    if (argc < 1) return usage();
    MasqTable table;
    read_state(kMasqState, &table, sizeof table);
    if (table.count > kMasqEntries) table.count = 0;
    if (std::strcmp(argv[0], "list") == 0) {
        for (std::uint32_t i = 0; i < table.count; ++i) {
            const MasqEntry& e = table.entries[i];
            char state[sizeof e.state + 1] = {};
            std::memcpy(state, e.state, sizeof e.state);
            std::printf("%s %u.%u.%u.%u:%u %u.%u.%u.%u:%u %u.%u.%u.%u:%u %s %u\n", masq_protocol_name(e.protocol),
                        e.saddr >> 24, (e.saddr >> 16) & 255, (e.saddr >> 8) & 255, e.saddr & 255, e.sport,
                        e.daddr >> 24, (e.daddr >> 16) & 255, (e.daddr >> 8) & 255, e.daddr & 255, e.dport,
                        e.maddr >> 24, (e.maddr >> 16) & 255, (e.maddr >> 8) & 255, e.maddr & 255, e.mport, state,
                        e.expires);
        }
        return 0;
    }
    if (std::strcmp(argv[0], "clear") == 0) {
        std::memset(&table, 0, sizeof table);
    } else if (std::strcmp(argv[0], "add") == 0) {
        if (argc < 5 || argc > 7) return usage();
        if (table.count >= kMasqEntries) return fail("the table is full (%s entries)", "64");
        MasqEntry e = {};
        if (std::strcmp(argv[1], "TCP") == 0) e.protocol = 6;
        else if (std::strcmp(argv[1], "UDP") == 0) e.protocol = 17;
        else if (std::strcmp(argv[1], "ICMP") == 0) e.protocol = 1;
        else return fail("no protocol %s (TCP, UDP, ICMP)", argv[1]);
        if (!parse_endpoint(argv[2], e.saddr, e.sport)) return fail("bad address:port %s", argv[2]);
        if (!parse_endpoint(argv[3], e.daddr, e.dport)) return fail("bad address:port %s", argv[3]);
        if (!parse_endpoint(argv[4], e.maddr, e.mport)) return fail("bad address:port %s", argv[4]);
        const char* state = argc > 5 ? argv[5] : (e.protocol == 6 ? "ESTABLISHED" : "NONE");
        if (std::strlen(state) >= sizeof e.state || !*state || std::strpbrk(state, " \t\n"))
            return fail("bad state word %s", state);
        std::memcpy(e.state, state, std::strlen(state));
        unsigned long long expires = 900;
        if (argc > 6 && !parse_number(argv[6], 0x7FFFFFFF, expires)) return fail("bad number %s", argv[6]);
        e.expires = static_cast<std::uint32_t>(expires);
        table.entries[table.count++] = e;
    } else {
        return usage();
    }
    if (!write_state(kMasqState, &table, sizeof table)) return fail("can't write %s", kMasqState);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    if (std::strcmp(argv[1], "show") == 0) return show();
    if (std::strcmp(argv[1], "set") == 0) return set_counters(false, argc - 2, argv + 2);
    if (std::strcmp(argv[1], "add") == 0) return set_counters(true, argc - 2, argv + 2);
    if (std::strcmp(argv[1], "masq") == 0) return masq(argc - 2, argv + 2);
    return usage();
}
