// Disks: the geometry of the image files that stand for disk devices, and
// the mounts of the persistent partition. Every mount, umount and sync is
// recorded; a mount of a real block device (the loop device the simulator
// puts at /dev/hda2) goes on to the kernel, a mount of a device that is only
// a plain file is answered here, with the mounted state in a state file, and
// shown in /proc/mounts.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/hdreg.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fk.h"

namespace {

// kDir/geometry may hold other values for the image disks.
struct Geometry {
    std::uint8_t heads;
    std::uint8_t sectors;
    std::uint16_t cylinders;
};
static_assert(sizeof(Geometry) == 4);

int get_geometry(int fd, unsigned long, void* arg) {
    char path[256];
    fk::fd_path(fd, path, sizeof path);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::strncmp(path, "/dev/", 5) != 0)
        return fk::kPass;
    fk::log("HDIO_GETGEO %s", path);
    if (fk::refused("hdio_getgeo")) return -1;
    Geometry g{16, 63, 2};
    fk::load("geometry", &g, sizeof g);
    hd_geometry out{};
    out.heads = g.heads;
    out.sectors = g.sectors;
    out.cylinders = g.cylinders;
    out.start = 0;
    std::memcpy(arg, &out, sizeof out);
    return 0;
}
fk::IoctlRoute geometry_route{HDIO_GETGEO, get_geometry};

// The target a simulated mount is on ("" when none), and its device.
struct Mounted {
    char target[64];
    char source[64];
};

bool is_block_device(const char* path) {
    struct stat st;
    return path && stat(path, &st) == 0 && S_ISBLK(st.st_mode);
}

int do_mount(const char* source, const char* target, const char* fstype, unsigned long flags,
             const void* data) {
    fk::log("mount %s %s %s %lu \"%s\"", source ? source : "(null)", target ? target : "(null)",
            fstype ? fstype : "(null)", flags, data ? static_cast<const char*>(data) : "(null)");
    if (fk::refused("mount")) return -1;
    if (!source || std::strncmp(source, "/dev/", 5) != 0 || is_block_device(source)) return fk::kPass;
    Mounted m{};
    if (fk::load("mounted", &m, sizeof m) && m.target[0] != '\0') {
        errno = EBUSY;
        return -1;
    }
    std::strncpy(m.target, target ? target : "", sizeof m.target - 1);
    std::strncpy(m.source, source, sizeof m.source - 1);
    fk::save("mounted", &m, sizeof m);
    return 0;
}

int do_umount(const char* target, int) {
    fk::log("umount %s", target ? target : "(null)");
    if (fk::refused("umount")) return -1;
    Mounted m{};
    if (target && fk::load("mounted", &m, sizeof m) && std::strcmp(m.target, target) == 0) {
        m = Mounted{};
        fk::save("mounted", &m, sizeof m);
        return 0;
    }
    return fk::kPass;
}
fk::MountHook mount_hook{do_mount, do_umount};

// /proc/mounts: the kernel's own list, and a simulated mount while there is
// one, so a program sees the partition mounted as it would on the device.
void render_mounts(const char* target) {
    static char text[16384];
    std::size_t len = 0;
    int fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t n;
        while (len < sizeof text - 200 && (n = ::read(fd, text + len, sizeof text - 200 - len)) > 0)
            len += static_cast<std::size_t>(n);
        ::close(fd);
    }
    Mounted m{};
    if (fk::load("mounted", &m, sizeof m) && m.target[0] != '\0') {
        int n = std::snprintf(text + len, sizeof text - len, "%s %s ext2 rw 0 0\n", m.source, m.target);
        if (n > 0) len += static_cast<std::size_t>(n);
    }
    fk::save(std::strrchr(target, '/') + 1, text, len);
}
fk::PathRoute mounts_route{"/proc/mounts", "/sim/fk/proc_mounts", render_mounts};

}  // namespace

extern "C" void sync() {
    fk::log("sync");
    using Fn = void (*)();
    static Fn next = reinterpret_cast<Fn>(fk::real("sync"));
    next();
}
