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
// at the new file), with the old file's mode and owner or, for a new file,
// what fopen(path, "w") would give it. commit() checks that every write went
// in, syncs it when asked, and renames it over the old file, so a reader (or
// the next boot) sees the old file or the new one, never a part. On any
// failure, and when the replacement ends without commit(), the new file is
// removed and the old one stays untouched. Termination signals are held
// from open() to the end, so only SIGKILL can leave the new file behind.
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
    // Returns 0, or -1 with errno set and nothing replaced.
    int commit();
    void abandon();

private:
    Sync sync_;
    std::FILE* f_ = nullptr;
    char target_[PATH_MAX] = {};
    char tmp_[PATH_MAX] = {};
    TerminationHold hold_{false};
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

// Mounts the partition (ext2, flags 0, empty data), replaces `path` on it
// with replace_file and unmounts it. Termination signals are held until the
// partition is unmounted again. A mount of the partition on kDiskDir left by
// a run that was killed is taken away first; while another run holds the
// partition, the mount fails as busy. Does not sync: the callers do.
DiskStep copy_to_disk(const char* path, Fill fill);
