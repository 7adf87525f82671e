// The kernel's Ethernet bridge: SIOCGIFBR hands out the 812-byte status
// record, SIOCSIFBR takes 12-byte command records. The bridge lives in the
// state file /sim/fk/bridge, so one run sees what the run before it did.
// A fresh bridge is stopped, with two ports forwarding: eth0 (port 0) and
// the wireless interface (port 1), and a few protocol counts from before.
//
// Every request goes to the request log ("SIOCGIFBR", or "SIOCSIFBR" and the
// record's bytes in hex), taken or not. Refusal files in /sim/fk/refuse:
//   SIOCGIFBR            status reads fail (as when the kernel has no bridge)
//   SIOCSIFBR            every command fails
//   SIOCSIFBR-<code>     commands with that code fail
//   socket-inet-stream   AF_INET stream sockets cannot be opened
// Values the bridge cannot take (a port beyond 7, a priority beyond 16 bits,
// an unknown code ...) fail with EINVAL, a full exempt list with ENOSPC.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include "fk.h"

namespace {

constexpr unsigned long kGetRequest = 0x8940;  // SIOCGIFBR
constexpr unsigned long kSetRequest = 0x8941;  // SIOCSIFBR
constexpr const char* kStateName = "bridge";

struct Id {
    uint16_t prio;
    uint8_t addr[6];
};

struct Bridge {
    Id root;
    uint32_t root_cost, root_port;
    uint16_t max_age, hello, fwd_delay, pad1;
    Id id;
    uint16_t own_max_age, own_hello, own_fwd_delay, pad2;
    uint32_t tc_detected, tc;
    uint32_t rest;
};

struct Port {
    uint16_t id, pad1;
    uint32_t state, cost;
    Id root;
    uint32_t des_cost;
    Id des_bridge;
    uint16_t des_port, pad2;
    uint32_t tc_ack, pending;
    uint8_t rest[8];
};

struct Status {
    uint32_t flags;
    Bridge br;
    Port ports[8];
    uint32_t policy, exempt_count;
    uint16_t exempt[32];
    uint16_t stat_proto[32];
    uint32_t stat_count[32];
    uint8_t rest[76];
};
static_assert(sizeof(Bridge) == 52 && sizeof(Port) == 52 && sizeof(Status) == 812);
static_assert(offsetof(Status, policy) == 472 && offsetof(Status, exempt) == 480);
static_assert(offsetof(Status, stat_count) == 608);

struct Request {
    uint32_t cmd, v1, v2;
};
static_assert(sizeof(Request) == 12);

constexpr uint32_t kRunning = 0x01, kDebug = 0x02, kStats = 0x04, kStpOff = 0x08;
constexpr uint32_t kForwarding = 3;

void fresh(Status& st) {
    std::memset(&st, 0, sizeof st);
    const Id self{0x8000, {0x02, 0x50, 0xc2, 0x00, 0x00, 0x01}};
    st.br.root = self;
    st.br.id = self;
    st.br.max_age = st.br.own_max_age = 20;
    st.br.hello = st.br.own_hello = 2;
    st.br.fwd_delay = st.br.own_fwd_delay = 15;
    for (uint16_t i = 0; i < 2; ++i) {
        Port& p = st.ports[i];
        p.id = static_cast<uint16_t>(0x8000 | (i + 1));
        p.state = kForwarding;
        p.cost = 100;
        p.root = self;
        p.des_bridge = self;
        p.des_port = p.id;
    }
    st.policy = 1;
    st.stat_proto[0] = 0x0800;
    st.stat_count[0] = 1520;
    st.stat_proto[1] = 0x0806;
    st.stat_count[1] = 48;
    st.stat_proto[2] = 0x88cc;
    st.stat_count[2] = 3;
}

void load(Status& st) {
    if (!fk::load(kStateName, &st, sizeof st)) fresh(st);
}

bool is_socket(int fd) {
    struct stat sb;
    return fstat(fd, &sb) == 0 && S_ISSOCK(sb.st_mode);
}

int invalid() {
    errno = EINVAL;
    return -1;
}

bool same(const Id& a, const Id& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Applies one command to the bridge; -1 with errno when it cannot.
int apply(Status& st, const Request& rq) {
    const int32_t v1 = static_cast<int32_t>(rq.v1), v2 = static_cast<int32_t>(rq.v2);
    const bool port_ok = v1 >= 0 && v1 < 8;
    switch (rq.cmd) {
    case 1: st.flags |= kRunning; return 0;
    case 2: st.flags &= ~kRunning; return 0;
    case 3:
    case 4:
        if (!port_ok) return invalid();
        st.ports[v1].state = rq.cmd == 3 ? kForwarding : 0;
        return 0;
    case 5: {
        if (v1 < 0 || v1 > 0xffff) return invalid();
        // While the bridge is its own root, the root moves with its id.
        bool own_root = same(st.br.root, st.br.id);
        Id old = st.br.id;
        st.br.id.prio = static_cast<uint16_t>(v1);
        if (own_root) st.br.root = st.br.id;
        for (Port& p : st.ports) {
            if (same(p.root, old)) p.root = st.br.root;
            if (same(p.des_bridge, old)) p.des_bridge = st.br.id;
        }
        return 0;
    }
    case 6:
        if (!port_ok || v2 < 0 || v2 > 0xff) return invalid();
        st.ports[v1].id = static_cast<uint16_t>((v2 << 8) | (st.ports[v1].id & 0xff));
        if (same(st.ports[v1].des_bridge, st.br.id)) st.ports[v1].des_port = st.ports[v1].id;
        return 0;
    case 7:
        if (!port_ok || v2 <= 0) return invalid();
        st.ports[v1].cost = rq.v2;
        return 0;
    case 9: st.flags |= kDebug; return 0;
    case 10: st.flags &= ~kDebug; return 0;
    case 11:
        if (rq.v1 > 1) return invalid();
        // A new policy starts with an empty exempt list.
        st.policy = rq.v1;
        st.exempt_count = 0;
        std::memset(st.exempt, 0, sizeof st.exempt);
        return 0;
    case 12: {
        if (rq.v1 == 0 || rq.v1 > 0xffff) return invalid();
        uint16_t* empty = nullptr;
        for (uint16_t& slot : st.exempt) {
            if (slot == rq.v1) return 0;
            if (slot == 0 && !empty) empty = &slot;
        }
        if (!empty) {
            errno = ENOSPC;
            return -1;
        }
        *empty = static_cast<uint16_t>(rq.v1);
        ++st.exempt_count;
        return 0;
    }
    case 13: st.flags |= kStats; return 0;
    case 14: st.flags &= ~kStats; return 0;
    case 15: std::memset(st.stat_count, 0, sizeof st.stat_count); return 0;
    case 16: st.flags ^= kStpOff; return 0;
    default: return invalid();
    }
}

int get_status(int fd, unsigned long, void* arg) {
    if (!is_socket(fd)) return fk::kPass;
    fk::log("SIOCGIFBR");
    if (fk::refused("SIOCGIFBR")) return -1;
    Status st;
    load(st);
    std::memcpy(arg, &st, sizeof st);
    return 0;
}

int set_bridge(int fd, unsigned long, void* arg) {
    if (!is_socket(fd)) return fk::kPass;
    Request rq;
    std::memcpy(&rq, arg, sizeof rq);
    fk::log_hex("SIOCSIFBR", &rq, sizeof rq);
    char what[32];
    std::snprintf(what, sizeof what, "SIOCSIFBR-%u", rq.cmd);
    if (fk::refused("SIOCSIFBR") || fk::refused(what)) return -1;
    Status st;
    load(st);
    if (apply(st, rq) < 0) return -1;
    if (!fk::save(kStateName, &st, sizeof st)) {
        errno = EIO;
        return -1;
    }
    return 0;
}

int inet_stream_socket(int domain, int type, int) {
    if (domain != AF_INET || (type & 0xff) != SOCK_STREAM) return fk::kPass;
    if (fk::refused("socket-inet-stream")) return -1;
    return fk::kPass;
}

fk::IoctlRoute get_route{kGetRequest, get_status};
fk::IoctlRoute set_route{kSetRequest, set_bridge};
fk::SocketHook socket_hook{inet_stream_socket};

}  // namespace
