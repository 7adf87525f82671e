// Opening, checking and closing the files of an operation. The source is
// opened (and, for decode, measured) before the destination is touched, so
// a source that is missing, too short or the destination itself never
// costs the destination its contents.
#include "files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "mix.h"
#include "owned.h"

namespace {

int cant_open(const char* path) {
    fprintf(stderr, "can't open %s\n", path);
    return 1;
}

// An opened source; a directory is not a file to mix.
bool usable_source(const File& src, struct stat& st) {
    return src && fstat(fileno(src.get()), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The source under another name: opening it for writing would empty the
// source before it is read.
bool is_source(const char* path, const struct stat& src_st) {
    struct stat st;
    return stat(path, &st) == 0 && st.st_dev == src_st.st_dev && st.st_ino == src_st.st_ino;
}

// What fclose says, and also a write that failed earlier.
int finish(File& dst) {
    const bool failed = ferror(dst.get()) != 0;
    const int rc = dst.close();
    return failed || rc != 0 ? -1 : 0;
}

}  // namespace

int encode(const char* src_path, const char* dst_path) {
    File src(src_path, "r");
    struct stat st;
    if (!usable_source(src, st)) return cant_open(src_path);
    if (is_source(dst_path, st)) return cant_open(dst_path);
    File dst(dst_path, "w");
    if (!dst) return cant_open(dst_path);

    makekey();
    const MixResult r = encode_stream(src.get(), dst.get(), key);
    if (r != MixResult::ok) {
        // A part of a scrambled file is worth nothing: take it away.
        dst.close();
        struct stat dst_st;
        if (stat(dst_path, &dst_st) == 0 && S_ISREG(dst_st.st_mode)) remove(dst_path);
        if (r == MixResult::too_large)
            fprintf(stderr, "%s: file too large\n", src_path);
        else
            fprintf(stderr, "can't read %s\n", src_path);
        return 1;
    }
    return finish(dst);
}

int decode(const char* src_path, const char* dst_path) {
    File src(src_path, "r");
    struct stat st;
    if (!usable_source(src, st)) return cant_open(src_path);
    long size = -1;
    if (fseek(src.get(), 0, SEEK_END) == 0) size = ftell(src.get());
    if (size < 0) return cant_open(src_path);  // cannot be positioned: a pipe or the like
    if (size < kKeySize + kTrailerSize) {
        fprintf(stderr, "%s: not a scrambled file\n", src_path);
        return 1;
    }
    if (is_source(dst_path, st)) return cant_open(dst_path);
    File dst(dst_path, "w");
    if (!dst) return cant_open(dst_path);

    const MixResult r = decode_stream(src.get(), size, dst.get());
    const int closed = finish(dst);
    switch (r) {
    case MixResult::ok:
        return closed;
    case MixResult::damaged:
        fprintf(stderr, "%s: damaged file\n", src_path);
        return 1;
    default:
        fprintf(stderr, "can't read %s\n", src_path);
        return 1;
    }
}
