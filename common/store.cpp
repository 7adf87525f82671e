// Large-file interfaces on i386 too: stat() of a file with a large inode
// number must not fail there.
#define _FILE_OFFSET_BITS 64
#include "store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

int replace_file(const char* path, FillFn fill, const void* ctx) {
    char tmp[256];
    int n = std::snprintf(tmp, sizeof tmp, "%s.XXXXXX", path);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof tmp) return -1;
    int fd = mkstemp(tmp);
    if (fd < 0) return -1;

    // mkstemp makes the file private; give it what the old file had, or
    // what a plain fopen(path, "w") would have given it.
    struct stat old;
    if (stat(path, &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not root: the file stays ours, as fopen would have left it.
        }
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    std::FILE* f = fdopen(fd, "w");
    if (!f) {
        close(fd);
        unlink(tmp);
        return -1;
    }
    bool ok = fill(f, ctx) == 0;
    ok = std::fflush(f) == 0 && ok;
    ok = fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp, path) != 0) {
        unlink(tmp);
        return -1;
    }
    return 0;
}

DiskStep copy_to_disk(const char* path, FillFn fill, const void* ctx) {
    if (mount(kDiskDevice, kDiskDir, "ext2", 0, "") != 0) {
        std::perror("mount:");
        return DiskStep::mount;
    }
    if (replace_file(path, fill, ctx) != 0) {
        // Left mounted, the partition would make every later copy fail.
        int saved = errno;
        umount(kDiskDir);
        errno = saved;
        return DiskStep::write;
    }
    if (umount(kDiskDir) != 0) {
        std::perror("umount:");
        return DiskStep::umount;
    }
    return DiskStep::done;
}
