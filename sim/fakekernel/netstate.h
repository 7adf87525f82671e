// State of the simulated network: the interface counters behind
// /proc/net/dev and the masquerading table behind /proc/net/ip_masq/*.
// Shared by the fake kernel and the netsim tool; both keep the state in
// binary files of /sim/fk, replaced whole.
#pragma once
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netstate {

// The kernel's sixteen counters of a /proc/net/dev line, in its order.
constexpr int kCounters = 16;
constexpr const char* kCounterNames[kCounters] = {
    "rx_bytes", "rx_packets", "rx_errs", "rx_drop", "rx_fifo", "rx_frame", "rx_compressed", "rx_multicast",
    "tx_bytes", "tx_packets", "tx_errs", "tx_drop", "tx_fifo", "tx_colls", "tx_carrier", "tx_compressed",
};

constexpr int kIfaces = 4;
constexpr const char* kIfaceNames[kIfaces] = {"lo", "eth0", "eth1", "ppp0"};
constexpr int kPpp = 3;

// ppp0 exists exactly while the PPP daemon's link file exists; a file
// made anew means a new connection, whose counters start from zero.
constexpr const char* kPppLinkFile = "/sim/state/ppp0";

struct LinkId {
    std::uint64_t ino;
    std::int64_t mtime_sec;
    std::int64_t mtime_nsec;
};

struct NetDev {
    std::uint32_t counters[kIfaces][kCounters];  // the kernel's own width
    LinkId ppp_link;  // which connection ppp0's counters belong to
};

constexpr const char* kNetDevState = "/sim/fk/netdev";

constexpr int kMasqEntries = 64;
struct MasqEntry {
    std::uint32_t protocol;  // 6, 17 or 1
    std::uint32_t saddr, daddr, maddr;  // host order
    std::uint16_t sport, dport, mport;
    std::uint16_t unused;
    std::uint32_t expires;
    char state[16];
};
struct MasqTable {
    std::uint32_t count;
    MasqEntry entries[kMasqEntries];
};

constexpr const char* kMasqState = "/sim/fk/masq";

// Plain reads and writes of the state files. Missing state reads as
// empty; writes go through a temporary file and a rename.
inline bool read_state(const char* path, void* data, std::size_t size) {
    std::memset(data, 0, size);
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t n = ::read(fd, data, size);
    ::close(fd);
    if (n != static_cast<ssize_t>(size)) {
        std::memset(data, 0, size);
        return false;
    }
    return true;
}

inline bool write_state(const char* path, const void* data, std::size_t size) {
    char tmp[256];
    std::snprintf(tmp, sizeof tmp, "%s.%d", path, static_cast<int>(getpid()));
    int fd = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, data, size) == static_cast<ssize_t>(size);
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(tmp, path) == 0) return true;
    ::unlink(tmp);
    return false;
}

// True while ppp0 exists. Starts its counters afresh when the link file
// belongs to another connection than they do; returns whether `dev` changed.
inline bool sync_ppp(NetDev& dev, bool& up) {
    struct stat st;
    up = ::stat(kPppLinkFile, &st) == 0;
    if (!up) return false;
    LinkId id{static_cast<std::uint64_t>(st.st_ino), static_cast<std::int64_t>(st.st_mtim.tv_sec),
              static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
    if (std::memcmp(&id, &dev.ppp_link, sizeof id) == 0) return false;
    std::memset(dev.counters[kPpp], 0, sizeof dev.counters[kPpp]);
    dev.ppp_link = id;
    return true;
}

inline const char* masq_protocol_name(std::uint32_t protocol) {
    switch (protocol) {
        case 6: return "TCP";
        case 17: return "UDP";
        case 1: return "ICMP";
        default: return nullptr;
    }
}

}  // namespace netstate
