#include "store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "owned.h"

namespace {

constexpr int kTerminationSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM};
constexpr int kMaxLinks = 40;  // as the kernel allows in a path
constexpr const char kTmpSuffix[] = ".XXXXXX";

// Keeps errno across the cleanup of a failure.
class KeepErrno {
public:
    KeepErrno() : saved_(errno) {}
    ~KeepErrno() { errno = saved_; }

private:
    int saved_;
};

// `path` with every symbolic link in its last part followed, into `out`.
// A link to a file that does not exist yet gives that file's path.
int resolve_links(const char* path, char (&out)[PATH_MAX]) {
    if (std::strlen(path) >= sizeof out) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::strcpy(out, path);
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st;
        if (lstat(out, &st) != 0) return errno == ENOENT ? 0 : -1;
        if (!S_ISLNK(st.st_mode)) {
            if (S_ISREG(st.st_mode)) return 0;
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return -1;
        }
        char link[PATH_MAX];
        ssize_t n = readlink(out, link, sizeof link - 1);
        if (n < 0) return -1;
        link[n] = '\0';
        if (link[0] == '/') {
            std::strcpy(out, link);
            continue;
        }
        // Relative: from the directory that holds the link.
        char* slash = std::strrchr(out, '/');
        std::size_t dir_len = slash ? static_cast<std::size_t>(slash - out) + 1 : 0;
        if (dir_len + static_cast<std::size_t>(n) >= sizeof out) {
            errno = ENAMETOOLONG;
            return -1;
        }
        std::memcpy(out + dir_len, link, static_cast<std::size_t>(n) + 1);
    }
    errno = ELOOP;
    return -1;
}

// The directory that holds `path` into `dir` ("." when the path names
// none); returns where the last part of `path` begins.
const char* split_path(const char* path, char (&dir)[PATH_MAX]) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(dir, ".");
        return path;
    }
    std::size_t len = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    std::memcpy(dir, path, len);
    dir[len] = '\0';
    return slash + 1;
}

// Makes the rename itself last: the directory entry is in the directory.
void sync_directory_of(const char* path) {
    char dir[PATH_MAX];
    split_path(path, dir);
    Fd d(::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d) fsync(d.get());  // some file systems cannot sync a directory; the file is synced
}

// True when the partition is mounted on kDiskDir.
bool disk_mounted() {
    File mounts("/proc/mounts", "r");
    if (!mounts) return false;
    char line[512];
    const std::size_t dev_len = std::strlen(kDiskDevice);
    const std::size_t dir_len = std::strlen(kDiskDir);
    while (std::fgets(line, sizeof line, mounts.get())) {
        if (std::strncmp(line, kDiskDevice, dev_len) == 0 && line[dev_len] == ' ' &&
            std::strncmp(line + dev_len + 1, kDiskDir, dir_len) == 0 && line[dev_len + 1 + dir_len] == ' ')
            return true;
    }
    return false;
}

// New files of `path` that a killed run left on the partition: the name of
// the file followed by the temporary suffix.
void remove_leftovers(const char* path) {
    char dir[PATH_MAX];
    const char* base = split_path(path, dir);
    const std::size_t base_len = std::strlen(base);
    const std::size_t suffix_len = sizeof kTmpSuffix - 1;

    DIR* d = opendir(dir);
    if (!d) return;
    while (const dirent* e = readdir(d)) {
        if (std::strlen(e->d_name) != base_len + suffix_len) continue;
        if (std::strncmp(e->d_name, base, base_len) != 0 || e->d_name[base_len] != '.') continue;
        unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

}  // namespace

void TerminationHold::hold() {
    if (held_) return;
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kTerminationSignals) sigaddset(&set, sig);
    held_ = sigprocmask(SIG_BLOCK, &set, &saved_) == 0;
}

void TerminationHold::release() {
    if (!held_) return;
    held_ = false;
    KeepErrno keep;
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

int Replacement::open(const char* path) {
    abandon();
    hold_.hold();  // until commit() or abandon()
    if (resolve_links(path, target_) != 0) return -1;
    if (std::strlen(target_) + sizeof kTmpSuffix > sizeof tmp_) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::strcpy(tmp_, target_);
    std::strcat(tmp_, kTmpSuffix);
    int fd = mkostemp(tmp_, O_CLOEXEC);
    if (fd < 0) {
        tmp_[0] = '\0';
        return -1;
    }
    // mkstemp makes the file private; give it what the old file had, or
    // what a plain fopen(path, "w") would have given it.
    struct stat old;
    bool ok;
    if (stat(target_, &old) == 0) {
        ok = fchmod(fd, old.st_mode & 07777) == 0;
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not root: the file stays ours, as fopen would have left it.
        }
    } else {
        mode_t mask = umask(0);
        umask(mask);
        ok = fchmod(fd, 0666 & ~mask) == 0;
    }
    f_ = ok ? fdopen(fd, "w") : nullptr;
    if (!f_) {
        KeepErrno keep;
        close(fd);
        abandon();
        return -1;
    }
    return 0;
}

int Replacement::commit() {
    if (!f_) {
        errno = EBADF;
        return -1;
    }
    bool ok = std::ferror(f_) == 0;
    if (!ok) errno = EIO;
    ok = ok && std::fflush(f_) == 0;
    ok = ok && (sync_ == Sync::none || fsync(fileno(f_)) == 0);
    ok = std::fclose(f_) == 0 && ok;
    f_ = nullptr;
    ok = ok && std::rename(tmp_, target_) == 0;
    if (!ok) {
        abandon();
        return -1;
    }
    tmp_[0] = '\0';
    if (sync_ == Sync::to_disk) sync_directory_of(target_);
    hold_.release();
    return 0;
}

void Replacement::abandon() {
    KeepErrno keep;
    if (f_) std::fclose(f_);
    f_ = nullptr;
    if (tmp_[0] != '\0') unlink(tmp_);
    tmp_[0] = '\0';
    hold_.release();
}

int replace_file(const char* path, Fill fill, Sync sync) {
    Replacement r(sync);
    if (r.open(path) != 0) return -1;
    if (fill(r.file()) != 0) {
        if (errno == 0) errno = EIO;
        return -1;
    }
    return r.commit();
}

DiskStep copy_to_disk(const char* path, Fill fill) {
    TerminationHold hold;
    // Runs take turns on the partition. The lock goes with the process, so
    // a killed run never keeps it.
    Fd device(::open(kDiskDevice, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (device && flock(device.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        errno = EBUSY;
        std::perror("mount:");
        return DiskStep::mount;
    }
    // Mounted while no run holds it: a run was killed during its copy.
    if (disk_mounted()) umount(kDiskDir);

    if (mount(kDiskDevice, kDiskDir, "ext2", 0, "") != 0) {
        std::perror("mount:");
        return DiskStep::mount;
    }
    remove_leftovers(path);
    if (replace_file(path, fill) != 0) {
        // Left mounted, the partition would make every later copy fail.
        KeepErrno keep;
        umount(kDiskDir);
        return DiskStep::write;
    }
    if (umount(kDiskDir) != 0) {
        std::perror("umount:");
        return DiskStep::umount;
    }
    return DiskStep::done;
}
