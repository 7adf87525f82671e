// Device nodes where the machine refuses to make them (mknod is refused in
// an unprivileged user namespace): the fake kernel stands in. The path
// becomes an empty file, the node it stands for is recorded in
// /sim/fk/nodes ("PATH c MAJOR:MINOR" a line) and in the request log, and
// the simulated drivers answer on the path as they would on the node.
// Where mknod works, it is the real one and nothing is recorded.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "fk.h"

namespace {
constexpr const char* kNodes = "/sim/fk/nodes";

int raw_open(const char* path, int flags, mode_t mode) {
    using Fn = int (*)(const char*, int, ...);
    static Fn next = reinterpret_cast<Fn>(fk::real("open"));
    return next(path, flags, mode);
}

int stand_in(const char* path, mode_t mode, dev_t dev) {
    int saved = errno;
    int fd = raw_open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
    if (fd < 0) return -1;
    ::close(fd);
    char line[512];
    int n = std::snprintf(line, sizeof line, "%s %c %u:%u\n", path, S_ISCHR(mode) ? 'c' : 'b', major(dev), minor(dev));
    int reg = raw_open(kNodes, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (reg >= 0) {
        ssize_t w = ::write(reg, line, static_cast<size_t>(n));
        (void)w;
        ::close(reg);
    }
    fk::log("mknod %s %c %u:%u %04o: refused (%s); a file stands in for the node", path, S_ISCHR(mode) ? 'c' : 'b',
            major(dev), minor(dev), static_cast<unsigned>(mode & 07777), std::strerror(saved));
    return 0;
}
}  // namespace

namespace fk {
bool stand_in_node(const char* path, dev_t* dev) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILE* f = std::fopen(kNodes, "r");
    if (!f) return false;
    char line[512], name[400];
    unsigned ma, mi;
    char type;
    bool found = false;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "%399s %c %u:%u", name, &type, &ma, &mi) == 4 && type == 'c' &&
            std::strcmp(name, path) == 0) {
            *dev = makedev(ma, mi);
            found = true;  // the last record counts
        }
    std::fclose(f);
    return found;
}
}  // namespace fk

extern "C" {

int mknodat(int dirfd, const char* path, mode_t mode, dev_t dev) {
    using Fn = int (*)(int, const char*, mode_t, dev_t);
    static Fn next = reinterpret_cast<Fn>(fk::real("mknodat"));
    int rc = next(dirfd, path, mode, dev);
    if (rc == 0 || errno != EPERM || !(S_ISCHR(mode) || S_ISBLK(mode)) || path[0] != '/') return rc;
    return stand_in(path, mode, dev);
}

int mknod(const char* path, mode_t mode, dev_t dev) { return mknodat(AT_FDCWD, path, mode, dev); }

}  // extern "C"
