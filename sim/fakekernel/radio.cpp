// The wireless card driver: registers as radio_cs in the appliance's
// /proc/devices and answers requests 0x6C00 to 0x6C05 on a node with its
// major number (or on a file standing in for one where mknod was refused,
// see nodes.cpp). Its state lives in files the simulator (and a test) can
// change:
//   /sim/fk/radio_banner    identification text (one line)
//   /sim/fk/radio_essid     the network name, its bytes as they are
//   /sim/fk/radio_ds        the DS channel, decimal
//   /sim/fk/radio_stations  "SLOT MAC VALUE" per associated station, and
//                           optionally "count N" for the count reported
//                           (else the number of stations)
// /sim/fk/refuse/radio makes every request fail.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "fk.h"

namespace {

constexpr const char* kNode = "/dev/radio_cs";
constexpr const char* kDevices = "/sim/proc/devices";  // the appliance's /proc/devices
// An open node of the driver is this file; requests on it are the driver's.
constexpr const char* kHandle = "/sim/fk/radio_cs.dev";
constexpr const char* kBanner = "/sim/fk/radio_banner";
constexpr const char* kEssid = "/sim/fk/radio_essid";
constexpr const char* kDs = "/sim/fk/radio_ds";
constexpr const char* kStations = "/sim/fk/radio_stations";

// The driver's own view of its records.
constexpr size_t kRecordSize = 3588;
constexpr size_t kEntrySize = 14;
constexpr int kEntries = 256;
constexpr size_t kCountOffset = kEntrySize * kEntries;
constexpr size_t kEssidLimit = 32;  // what the card takes

fk::PathRoute proc_devices{"/proc/devices", kDevices};

int raw_open(const char* path, int flags, mode_t mode = 0) {
    using Fn = int (*)(const char*, int, ...);
    static Fn next = reinterpret_cast<Fn>(fk::real("open"));
    return next(path, flags, mode);
}

// The major number the driver registered, or 0 when it is not loaded.
int registered_major() {
    FILE* f = std::fopen(kDevices, "r");
    if (!f) return 0;
    char line[256], name[256];
    int major = 0;
    while (std::fgets(line, sizeof line, f)) {
        int n;
        if (std::sscanf(line, "%d %255s", &n, name) == 2 && std::strcmp(name, "radio_cs") == 0) {
            major = n;
            break;
        }
    }
    std::fclose(f);
    return major;
}

int open_node(const char* path, int flags, mode_t) {
    if (std::strcmp(path, kNode) != 0) return fk::kPass;
    struct stat st;
    if (stat(path, &st) != 0) return fk::kPass;
    dev_t node = st.st_rdev;
    if (!S_ISCHR(st.st_mode) && !fk::stand_in_node(path, &node)) return fk::kPass;
    // Never let the machine's own driver behind this node answer.
    int driver = registered_major();
    if (driver <= 0 || static_cast<int>(major(node)) != driver || minor(node) != 0) {
        fk::log("radio open %s %u:%u: no driver", path, major(node), minor(node));
        errno = ENXIO;
        return -1;
    }
    fk::log("radio open %s flags=0%o", path, static_cast<unsigned>(flags));
    return raw_open(kHandle, (flags & (O_ACCMODE | O_CLOEXEC | O_NONBLOCK)) | O_CREAT, 0644);
}
fk::OpenHook node_hook{open_node};

size_t read_file(const char* path, char* buf, size_t size) {
    int fd = raw_open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    size_t n = 0;
    ssize_t r;
    while (n < size && (r = read(fd, buf + n, size - n)) > 0) n += static_cast<size_t>(r);
    close(fd);
    return n;
}

bool write_file(const char* path, const void* data, size_t size) {
    char tmp[128];
    std::snprintf(tmp, sizeof tmp, "%s.%d", path, static_cast<int>(getpid()));
    int fd = raw_open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, data, size) == static_cast<ssize_t>(size);
    ok = close(fd) == 0 && ok;
    return ok && std::rename(tmp, path) == 0;
}

void put32(unsigned char* at, uint32_t v) { std::memcpy(at, &v, 4); }

bool parse_mac(const char* text, unsigned char (&mac)[6]) {
    unsigned b[6];
    char end;
    if (std::sscanf(text, "%x:%x:%x:%x:%x:%x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &end) != 6) return false;
    for (int i = 0; i < 6; ++i) {
        if (b[i] > 255) return false;
        mac[i] = static_cast<unsigned char>(b[i]);
    }
    return true;
}

// Leaves the rest of a record as the driver found it, as a driver would.
int get_banner(unsigned char* rec) {
    char text[kRecordSize];
    size_t n = read_file(kBanner, text, sizeof text - 1);
    while (n > 0 && text[n - 1] == '\n') --n;
    text[n] = '\0';
    std::memcpy(rec, text, n + 1);
    fk::log("radio GETBANNER");
    return 0;
}

int set_essid(unsigned char* rec) {
    size_t len = rec[0];
    fk::log_hex("radio SETESSID", rec, 1 + len + 1);
    if (len > kEssidLimit) {
        errno = EINVAL;
        return -1;
    }
    return write_file(kEssid, rec + 1, len) ? 0 : -1;
}

int get_stations(unsigned char* rec) {
    std::memset(rec, 0, kRecordSize);
    uint32_t stations = 0;
    long count = -1;
    if (FILE* f = std::fopen(kStations, "r")) {
        char line[256], mac_text[64];
        while (std::fgets(line, sizeof line, f)) {
            int slot;
            unsigned long value;
            unsigned char mac[6];
            if (std::sscanf(line, "count %ld", &count) == 1) continue;
            if (std::sscanf(line, "%d %63s %lu", &slot, mac_text, &value) != 3) continue;
            if (slot < 0 || slot >= kEntries || !parse_mac(mac_text, mac)) continue;
            unsigned char* e = rec + kEntrySize * static_cast<size_t>(slot);
            put32(e, 1);
            put32(e + 4, static_cast<uint32_t>(value));
            std::memcpy(e + 8, mac, 6);
            ++stations;
        }
        std::fclose(f);
    }
    put32(rec + kCountOffset, count >= 0 ? static_cast<uint32_t>(count) : stations);
    fk::log("radio GETSTATION");
    return 0;
}

int get_essid(unsigned char* rec) {
    char essid[256];
    size_t len = read_file(kEssid, essid, 255);
    rec[0] = static_cast<unsigned char>(len);
    std::memcpy(rec + 1, essid, len);
    rec[1 + len] = '#';  // the driver does not terminate the name
    fk::log("radio GETESSID");
    return 0;
}

int get_ds(unsigned char* rec) {
    char text[32];
    size_t n = read_file(kDs, text, sizeof text - 1);
    text[n] = '\0';
    unsigned long ds = 0;
    std::sscanf(text, "%lu", &ds);
    put32(rec, static_cast<uint32_t>(ds));
    fk::log("radio GETDS");
    return 0;
}

int set_ds(unsigned char* rec) {
    fk::log_hex("radio SETDS", rec, 4);
    uint32_t ds;
    std::memcpy(&ds, rec, 4);
    char text[32];
    int n = std::snprintf(text, sizeof text, "%u\n", ds);
    return write_file(kDs, text, static_cast<size_t>(n)) ? 0 : -1;
}

int (*const kRequests[])(unsigned char*) = {get_banner, set_essid, get_stations, get_essid, get_ds, set_ds};

int answer(int fd, unsigned long request, void* arg) {
    char path[256];
    if (std::strcmp(fk::fd_path(fd, path, sizeof path), kHandle) != 0) return fk::kPass;
    if (fk::refused("radio")) {
        fk::log("radio 0x%lx refused", request);
        return -1;
    }
    return kRequests[request - 0x6C00](static_cast<unsigned char*>(arg));
}

fk::IoctlRoute r0{0x6C00, answer}, r1{0x6C01, answer}, r2{0x6C02, answer};
fk::IoctlRoute r3{0x6C03, answer}, r4{0x6C04, answer}, r5{0x6C05, answer};

}  // namespace
