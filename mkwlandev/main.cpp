// mkwlandev: makes the card driver's device node /dev/radio_cs with the
// major number the driver got from the kernel. Tells the outcome by its
// exit status.
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "devices.h"
#include "owned.h"

namespace {
constexpr const char* kDevices = "/proc/devices";
constexpr const char* kNode = "/dev/radio_cs";
constexpr mode_t kNodeMode = S_IFCHR | 0664;
}  // namespace

int main() {
    long major;
    {
        File devices(kDevices, "r");
        if (!devices) {
            std::printf("can't open %s.\n", kDevices);  // sic: its own form, with a full stop
            return 1;
        }
        major = find_driver_major(devices.get());
    }
    if (major == 0) {
        std::printf("can't find %s entry.\n", kDriverName);
        return 2;
    }
    if (mknod(kNode, kNodeMode, makedev(static_cast<unsigned>(major), 0)) != 0) {
        std::printf("can't create %s.\n", kNode);
        return 3;
    }
    return 0;
}
