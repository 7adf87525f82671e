// The console's tone: KIOCSOUND on /dev/console (a plain file of the
// appliance) is recorded instead of sounded. Each request also goes to
// /sim/fk/tones.log as "<milliseconds since boot> <period>" (0 is silence),
// so the rhythm of a program's beeps can be seen and checked.
// /sim/fk/refuse/KIOCSOUND makes the request fail.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "fk.h"

namespace {

constexpr unsigned long kKiocsound = 0x4B2F;
constexpr const char* kTones = "/sim/fk/tones.log";

void note_tone(unsigned long period) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    int n = std::snprintf(line, sizeof line, "%lld %lu\n",
                          static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000, period);
    using Fn = int (*)(const char*, int, ...);
    static Fn real_open = reinterpret_cast<Fn>(fk::real("open"));
    int fd = real_open(kTones, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t w = write(fd, line, static_cast<size_t>(n));
    (void)w;
    close(fd);
}

int kiocsound(int fd, unsigned long, void* arg) {
    char path[256];
    if (std::strcmp(fk::fd_path(fd, path, sizeof path), "/dev/console") != 0) return fk::kPass;
    unsigned long period = reinterpret_cast<unsigned long>(arg);
    if (fk::refused("KIOCSOUND")) {
        fk::log("console KIOCSOUND %lu refused", period);
        return -1;
    }
    fk::log("console KIOCSOUND %lu", period);
    note_tone(period);
    return 0;
}

fk::IoctlRoute route{kKiocsound, kiocsound};

}  // namespace
