// Files that other programs or the next boot rely on: replaced whole, never
// left empty or half written, and the copies on the persistent partition.
#pragma once
#include <cstdio>

// Writes the text of a file through fill(f, ctx), which returns 0 when all
// went in. The text goes to a new file in the same directory, is flushed to
// disk and then renamed over `path`, so a reader (or the next boot) sees the
// old file or the new one, never a part. The new file keeps the mode and
// owner of the one it replaces. Returns 0, or -1 with nothing replaced.
using FillFn = int (*)(std::FILE* f, const void* ctx);
int replace_file(const char* path, FillFn fill, const void* ctx);

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
// with replace_file and unmounts it. Does not sync: the callers do.
DiskStep copy_to_disk(const char* path, FillFn fill, const void* ctx);
