#include "store.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <iterator>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "owned.h"

namespace {

// The signals that end a program by default, then those a replacement
// turns into write failures.
constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXFSZ};
constexpr std::size_t kTerminationCount = 7;
constexpr int kMaxLinks = 40;  // as the kernel allows in a path

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
int sync_directory_of(const char* path) {
    char dir[PATH_MAX];
    split_path(path, dir);
    Fd d(::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!d) return -1;
    // A file system that cannot sync a directory says EINVAL; the file
    // itself was synced.
    return fsync(d.get()) == 0 || errno == EINVAL ? 0 : -1;
}

// The pid of the run that made the new file `name` (kTmpPrefix, pid, '.',
// six characters, '.', the replaced file's name, kTmpSuffix), or 0 when
// the name is not one of a new file.
pid_t maker_of(const char* name) {
    const std::size_t len = std::strlen(name), suffix = sizeof kTmpSuffix - 1;
    const char* digits = name + sizeof kTmpPrefix - 1;
    if (std::strncmp(name, kTmpPrefix, sizeof kTmpPrefix - 1) != 0 || len < suffix ||
        std::strcmp(name + len - suffix, kTmpSuffix) != 0 || *digits < '0' || *digits > '9')
        return 0;
    char* end;
    const long pid = std::strtol(digits, &end, 10);
    return *end == '.' && pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Whether the run `pid` has ended (this one, another of ours, or one of
// another user, is running still).
bool ended(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

enum class Leftovers { of_ended_runs, all };

// Removes the new files that runs left in `dir`: those of runs that have
// ended or, where no run of ours can be at work (the partition, which we
// hold), all.
void remove_leftovers(const char* dir, Leftovers which) {
    DIR* d = opendir(dir);
    if (!d) return;
    while (const dirent* e = readdir(d)) {
        const pid_t pid = maker_of(e->d_name);
        if (pid > 0 && (which == Leftovers::all || ended(pid))) unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// The mounts of the partition: on kDiskDir, and elsewhere.
struct DiskMounts {
    int on_disk_dir = 0;
    int elsewhere = 0;
};

DiskMounts disk_mounts() {
    DiskMounts found;
    File mounts("/proc/mounts", "r");
    if (!mounts) return found;
    char line[512];
    const std::size_t dev_len = std::strlen(kDiskDevice);
    const std::size_t dir_len = std::strlen(kDiskDir);
    while (std::fgets(line, sizeof line, mounts.get())) {
        if (std::strncmp(line, kDiskDevice, dev_len) != 0 || line[dev_len] != ' ') continue;
        const char* at = line + dev_len + 1;
        if (std::strncmp(at, kDiskDir, dir_len) == 0 && at[dir_len] == ' ')
            ++found.on_disk_dir;
        else
            ++found.elsewhere;
    }
    return found;
}

// Whether the recorded holder of the partition has ended: its mount was
// left by a run that was killed. No record: the mount is not ours. The
// record is a symbolic link to the holder's pid, made in one step.
bool holder_ended() {
    char text[16];
    const ssize_t n = readlink(kDiskHolder, text, sizeof text - 1);
    if (n <= 0) return false;
    text[n] = '\0';
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 && pid <= INT_MAX && ended(static_cast<pid_t>(pid));
}

int record_holder() {
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(getpid()));
    unlink(kDiskHolder);
    return symlink(text, kDiskHolder);
}

// Takes away a mount of the partition that a killed run left; any other
// mount of it is someone else's: -1 with EBUSY.
int take_stale_mount() {
    DiskMounts m = disk_mounts();
    if (m.on_disk_dir == 0 && m.elsewhere == 0) return 0;
    if (m.elsewhere > 0 || !holder_ended()) {
        errno = EBUSY;
        return -1;
    }
    for (; m.on_disk_dir > 0; --m.on_disk_dir)
        if (umount(kDiskDir) != 0) return -1;
    return 0;
}

// Mounts the partition for this run, which then holds it: 0, or -1 with
// errno set (EBUSY while another run, or anyone else, has it).
int mount_disk(int device) {
    if (device >= 0 && flock(device, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        errno = EBUSY;
        return -1;
    }
    if (take_stale_mount() != 0 || record_holder() != 0) return -1;
    if (mount(kDiskDevice, kDiskDir, "ext2", 0, "") == 0) return 0;
    KeepErrno keep;
    unlink(kDiskHolder);
    return -1;
}

// The replacements being filled, whose new files a termination signal
// removes, and the actions of the signals they took over.
Replacement* filling = nullptr;
unsigned taken;  // bit i: kSignals[i] was at its default action

// Sets `action` for `sig` when the program left it at the default one.
bool take_signal(int sig, void (*action)(int)) {
    struct sigaction old;
    return sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_DFL &&
           std::signal(sig, action) != SIG_ERR;
}

}  // namespace

void TerminationHold::hold() {
    if (held_) return;
    sigset_t set;
    sigemptyset(&set);
    for (std::size_t i = 0; i < kTerminationCount; ++i) sigaddset(&set, kSignals[i]);
    held_ = sigprocmask(SIG_BLOCK, &set, &saved_) == 0;
}

void TerminationHold::release() {
    if (!held_) return;
    held_ = false;
    KeepErrno keep;
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

void Replacement::on_termination(int sig) {
    // Only what is safe in a handler: unlink, signal, raise.
    for (Replacement* r = filling; r; r = r->next_) unlink(r->tmp_);
    std::signal(sig, SIG_DFL);
    raise(sig);  // ends the program once this handler returns
}

// With termination signals held.
void Replacement::enlist() {
    if (!filling) {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (take_signal(kSignals[i], i < kTerminationCount ? on_termination : SIG_IGN)) taken |= 1u << i;
    }
    next_ = filling;
    filling = this;
}

// With termination signals held; a signal that came meanwhile then acts
// as the program had it before.
void Replacement::delist() {
    for (Replacement** p = &filling; *p; p = &(*p)->next_) {
        if (*p != this) continue;
        *p = next_;
        break;
    }
    next_ = nullptr;
    if (filling) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (taken & 1u << i) std::signal(kSignals[i], SIG_DFL);
    taken = 0;
}

int Replacement::open(const char* path) {
    abandon();
    if (resolve_links(path, target_) != 0) return -1;
    char dir[PATH_MAX];
    const char* base = split_path(target_, dir);
    remove_leftovers(dir, Leftovers::of_ended_runs);

    const int n = std::snprintf(tmp_, sizeof tmp_, "%.*s%s%ld.XXXXXX.%s%s", static_cast<int>(base - target_),
                                target_, kTmpPrefix, static_cast<long>(getpid()), base, kTmpSuffix);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof tmp_) {
        tmp_[0] = '\0';
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd;
    {
        TerminationHold hold;  // no moment when the new file is not listed
        fd = mkostemps(tmp_, static_cast<int>(std::strlen(base) + sizeof kTmpSuffix), O_CLOEXEC);  // ".name~new"
        if (fd < 0) {
            tmp_[0] = '\0';
            return -1;
        }
        enlist();
    }
    // mkstemp makes the file private; give it what the old file had, or
    // what a plain fopen(path, "w") would have given it. The owner first:
    // a change of owner clears the set-user-ID and set-group-ID bits.
    struct stat old;
    bool ok;
    if (stat(target_, &old) == 0) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not root: the file stays ours, as fopen would have left it.
        }
        ok = fchmod(fd, old.st_mode & 07777) == 0;
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
    TerminationHold hold;  // the last steps are not cut short
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
    delist();
    if (sync_ == Sync::to_disk && sync_directory_of(target_) != 0) return -1;
    return 0;
}

void Replacement::abandon() {
    KeepErrno keep;
    TerminationHold hold;
    if (f_) std::fclose(f_);
    f_ = nullptr;
    if (tmp_[0] != '\0') {
        unlink(tmp_);
        delist();
    }
    tmp_[0] = '\0';
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
    if (mount_disk(device.get()) != 0) {
        std::perror("mount:");
        return DiskStep::mount;
    }
    char dir[PATH_MAX];
    split_path(path, dir);
    remove_leftovers(dir, Leftovers::all);  // we hold the partition: no run is at work on it
    if (replace_file(path, fill) != 0) {
        // Left mounted, the partition would make every later copy fail.
        KeepErrno keep;
        if (umount(kDiskDir) == 0) unlink(kDiskHolder);
        return DiskStep::write;
    }
    if (umount(kDiskDir) != 0) {
        std::perror("umount:");  // the record stays: the next run takes the mount
        return DiskStep::umount;
    }
    unlink(kDiskHolder);
    return DiskStep::done;
}
