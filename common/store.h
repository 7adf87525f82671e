// Files that other programs or the next boot rely on: replaced whole, never
// left empty or half written, and the copies on the persistent partition.
#pragma once
#include <climits>
#include <csignal>
#include <cstdio>

// Whether a replaced file must survive a power loss (settings, passwords,
// counters, copies) or is rewritten so often that it need not (the link
// status file).
enum class Sync { none, to_disk };

// Holds back the signals that would end the program (HUP, INT, QUIT, TERM,
// USR1, USR2, ALRM) while a step that must not be cut short runs; one that
// arrived meanwhile takes effect at release, as if it had come just then.
// Holds nest.
class TerminationHold {
public:
    explicit TerminationHold(bool now = true) {
        if (now) hold();
    }
    ~TerminationHold() { release(); }
    TerminationHold(const TerminationHold&) = delete;
    TerminationHold& operator=(const TerminationHold&) = delete;
    void hold();
    void release();

private:
    sigset_t saved_;
    bool held_ = false;
};

// The text of a file, written by a callable `int(std::FILE*)` that returns
// 0 when all went in. Refers to the callable; used only during the call.
class Fill {
public:
    template <typename F>
    Fill(const F& f)  // NOLINT: any callable converts
        : obj_(&f), call_([](const void* o, std::FILE* out) { return (*static_cast<const F*>(o))(out); }) {}
    int operator()(std::FILE* out) const { return call_(obj_, out); }

private:
    const void* obj_;
    int (*call_)(const void*, std::FILE*);
};

// One replacement of a file. open() makes a new file beside the one it
// replaces (beside the target of a symbolic link, which then keeps pointing
// at the new file), with the old file's owner and mode or, for a new file,
// what fopen(path, "w") would give it. commit() checks that every write went
// in, syncs it (and the directory) when asked, and renames it over the old
// file, so a reader (or the next boot) sees the old file or the new one,
// never a part. On any failure, and when the replacement ends without
// commit(), the new file is removed and the old one stays untouched.
//
// While the new file is filled, a termination signal whose action is the
// default one abandons it: the new file is removed and the program ends as
// the signal asks, however long the filling would still take. Only the
// final flush, sync and rename hold such signals back. SIGPIPE and SIGXFSZ
// are write failures meanwhile, not the end of the program. Signals the
// program handles or ignores itself are left to it.
//
// The new file's name is kTmpPrefix, the pid of the run, '.', six random
// characters, '.', the old file's name and kTmpSuffix. Each open() removes
// the new files that ended runs left (a SIGKILL) in the directory; no
// other file is ever removed.
constexpr const char kTmpPrefix[] = ".~";
constexpr const char kTmpSuffix[] = "~new";

class Replacement {
public:
    explicit Replacement(Sync sync = Sync::to_disk) : sync_(sync) {}
    ~Replacement() { abandon(); }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Returns 0, or -1 with errno set. An existing file that is not a
    // plain file (a directory, a device) is not replaced.
    int open(const char* path);
    std::FILE* file() const { return f_; }
    // Returns 0, or -1 with errno set. The old file stays, except when
    // only the sync of the directory failed after the rename (Sync::to_disk):
    // the new file is then in place but may not survive a power loss.
    int commit();
    void abandon();

private:
    static void on_termination(int sig);
    void enlist();
    void delist();

    Sync sync_;
    std::FILE* f_ = nullptr;
    char target_[PATH_MAX] = {};
    char tmp_[PATH_MAX] = {};
    Replacement* next_ = nullptr;  // the other replacements being filled
};

// Replaces `path` with what `fill` writes, as Replacement does. Returns 0,
// or -1 with errno set and the old file untouched.
int replace_file(const char* path, Fill fill, Sync sync = Sync::to_disk);

// The persistent partition and where it is mounted while a copy is written.
constexpr const char* kDiskDevice = "/dev/hda2";
constexpr const char* kDiskDir = "/disk";

// Where a copy to the persistent partition stopped.
enum class DiskStep {
    done,    // mounted, written, unmounted
    mount,   // the mount failed (reported with perror "mount:")
    write,   // the file could not be written; the partition was unmounted again
    umount,  // the unmount failed (reported with perror "umount:")
};

// Who mounted the partition: a symbolic link to the pid of the run, while
// its copy lasts.
constexpr const char* kDiskHolder = "/var/run/disk.holder";

// Mounts the partition (ext2, flags 0, empty data), replaces `path` on it
// with replace_file and unmounts it. Termination signals are held until the
// partition is unmounted again. Runs take turns (a lock on the device); the
// run that mounts records its pid in kDiskHolder. A mount of the partition
// on kDiskDir whose recorded holder has ended (a run that was killed) is
// taken away first; any other mount of the partition, or another run
// holding it, makes the mount fail as busy, and is left as it is. New files
// that killed runs left on the partition are removed. Does not sync: the
// callers do.
DiskStep copy_to_disk(const char* path, Fill fill);
