// The network as the monitoring tools see it: /proc/net/dev rendered from
// the simulated interface counters, the masquerading listings rendered from
// the simulated table, and the masquerading control option that deletes
// entries from it.
//
// Refusals: /sim/fk/refuse/raw_socket fails the opening of a raw IP
// socket, /sim/fk/refuse/masq_delete every deletion request, and
// /sim/fk/refuse/proc_net_dev or ip_masq_tcp, ip_masq_udp, ip_masq_icmp
// make that file missing.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fk.h"
#include "netstate.h"

namespace {

using namespace netstate;

// Text of a state file rendered for one open; written whole.
struct Text {
    char buf[8192];
    std::size_t len = 0;
    void add(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};

void Text::add(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf + len, sizeof buf - len, fmt, ap);
    va_end(ap);
    if (n > 0) len += static_cast<std::size_t>(n) < sizeof buf - len ? static_cast<std::size_t>(n) : sizeof buf - len - 1;
}

// The refusal of a listing is named after its file in /sim/fk.
bool listing_refused(const char* target) {
    const char* name = std::strrchr(target, '/');
    if (!fk::refused(name ? name + 1 : target)) return false;
    ::unlink(target);
    return true;
}

void render_netdev(const char* target) {
    if (listing_refused(target)) return;
    NetDev dev;
    read_state(kNetDevState, &dev, sizeof dev);
    bool ppp_up = false;
    if (sync_ppp(dev, ppp_up)) write_state(kNetDevState, &dev, sizeof dev);

    static Text text;
    text.len = 0;
    text.add("Inter-|   Receive                                                |  Transmit\n");
    text.add(" face |bytes    packets errs drop fifo frame compressed multicast|"
             "bytes    packets errs drop fifo colls carrier compressed\n");
    for (int i = 0; i < kIfaces; ++i) {
        if (i == kPpp && !ppp_up) continue;
        const std::uint32_t* c = dev.counters[i];
        text.add("%6s:%8u %7u %4u %4u %4u %5u %10u %9u %8u %7u %4u %4u %4u %5u %7u %10u\n", kIfaceNames[i], c[0],
                 c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11], c[12], c[13], c[14], c[15]);
    }
    write_state(target, text.buf, text.len);
}

void render_masq(const char* target, std::uint32_t protocol) {
    if (listing_refused(target)) return;
    MasqTable table;
    read_state(kMasqState, &table, sizeof table);
    if (table.count > kMasqEntries) table.count = 0;
    static Text text;
    text.len = 0;
    text.add("Prot Source:Port   Destination:Port Masquerade:Port State Delta PDelta Init Expires\n");
    for (std::uint32_t i = 0; i < table.count; ++i) {
        const MasqEntry& e = table.entries[i];
        if (e.protocol != protocol) continue;
        char state[sizeof e.state + 1] = {};
        std::memcpy(state, e.state, sizeof e.state);
        text.add("%s %08X:%04X %08X:%04X %08X:%04X %s %d %d %d %u\n", masq_protocol_name(protocol), e.saddr, e.sport,
                 e.daddr, e.dport, e.maddr, e.mport, state[0] ? state : "NONE", 0, 0, 0, e.expires);
    }
    write_state(target, text.buf, text.len);
}

fk::PathRoute net_dev{"/proc/net/dev", "/sim/fk/proc_net_dev", render_netdev};
fk::PathRoute masq_tcp{"/proc/net/ip_masq/tcp", "/sim/fk/ip_masq_tcp", [](const char* t) { render_masq(t, 6); }};
fk::PathRoute masq_udp{"/proc/net/ip_masq/udp", "/sim/fk/ip_masq_udp", [](const char* t) { render_masq(t, 17); }};
fk::PathRoute masq_icmp{"/proc/net/ip_masq/icmp", "/sim/fk/ip_masq_icmp", [](const char* t) { render_masq(t, 1); }};

fk::SocketHook raw_socket{[](int domain, int type, int protocol) -> int {
    if (domain != AF_INET || (type & 0xF) != SOCK_RAW) return fk::kPass;
    if (fk::refused("raw_socket")) {
        fk::log("socket AF_INET SOCK_RAW %d refused", protocol);
        return -1;
    }
    return fk::kPass;
}};

// The control record as the kernel reads it: native numbers, addresses
// and ports in network order.
constexpr socklen_t kControlSize = 296;
std::uint32_t native32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
std::uint32_t net32(const unsigned char* p) { return ntohl(native32(p)); }
std::uint16_t net16(const unsigned char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return ntohs(v);
}

int masq_control(int fd, int, int, const void* value, socklen_t len) {
    int type = 0;
    socklen_t type_len = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &type_len) != 0 || type != SOCK_RAW) return fk::kPass;
    if (!value || len != kControlSize) {
        fk::log("masq_ctl bad_length %u", static_cast<unsigned>(len));
        errno = EINVAL;
        return -1;
    }
    const auto* p = static_cast<const unsigned char*>(value);
    if (fk::refused("masq_delete")) {
        int saved = errno;
        fk::log_hex("masq_ctl refused", p, len);
        errno = saved;
        return -1;
    }
    if (native32(p) != 3 || native32(p + 4) != 4) {
        fk::log_hex("masq_ctl unsupported", p, len);
        errno = EINVAL;
        return -1;
    }
    MasqTable table;
    read_state(kMasqState, &table, sizeof table);
    if (table.count > kMasqEntries) table.count = 0;
    for (std::uint32_t i = 0; i < table.count; ++i) {
        const MasqEntry& e = table.entries[i];
        if (e.protocol == native32(p + 40) && e.sport == net16(p + 44) && e.dport == net16(p + 46) &&
            e.mport == net16(p + 48) && e.saddr == net32(p + 52) && e.daddr == net32(p + 56) &&
            e.maddr == net32(p + 60)) {
            std::memmove(&table.entries[i], &table.entries[i + 1], (table.count - i - 1) * sizeof(MasqEntry));
            --table.count;
            std::memset(&table.entries[table.count], 0, sizeof(MasqEntry));
            write_state(kMasqState, &table, sizeof table);
            fk::log_hex("masq_ctl deleted", p, len);
            return 0;
        }
    }
    fk::log_hex("masq_ctl no_entry", p, len);
    errno = ESRCH;
    return -1;
}

fk::SockoptRoute masq_ctl{IPPROTO_IP, 76, masq_control};

}  // namespace
