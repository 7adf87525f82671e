// Opening, checking and closing the files of an operation. The source is
// opened (and, for decode, measured) before the destination is touched, and
// the destination is replaced only by a complete result: a source that is
// missing, short, damaged or unreadable, the destination itself, or a full
// disk never costs the destination its contents.
#include "files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "mix.h"
#include "owned.h"
#include "program.h"
#include "store.h"

namespace {

int cant_open(const char* path) {
    report_cant_open(path, stderr);
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

// Where the result goes. A destination that is a plain file, or none yet,
// is replaced only by a complete result; one that is not (a device, a
// pipe) is written straight into, as there is nothing to keep.
class Output {
public:
    // 0, or -1 when the destination cannot be opened.
    int open(const char* path) {
        struct stat st;
        if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
            direct_ = std::fopen(path, "w");
            return direct_ ? 0 : -1;
        }
        return replacement_.open(path);
    }
    FILE* get() const { return direct_ ? direct_ : replacement_.file(); }
    // Puts the complete result in place: 0, or -1 when it could not be
    // written (the destination then stays as it was).
    int finish() {
        if (!direct_) return replacement_.commit();
        const bool failed = ferror(direct_) != 0;
        const int rc = std::fclose(direct_);
        direct_ = nullptr;
        return failed || rc != 0 ? -1 : 0;
    }
    ~Output() {
        if (direct_) std::fclose(direct_);
    }

private:
    Replacement replacement_;
    FILE* direct_ = nullptr;
};

// The end of an operation: a complete result put in place, or the failure
// reported with the destination as it was.
int conclude(MixResult r, Output& dst, const char* src_path, const char* dst_path) {
    switch (r) {
    case MixResult::ok:
        if (dst.finish() == 0) return 0;
        fprintf(stderr, "can't write %s\n", dst_path);
        return -1;
    case MixResult::too_large:
        fprintf(stderr, "%s: file too large\n", src_path);
        return 1;
    case MixResult::damaged:
        fprintf(stderr, "%s: damaged file\n", src_path);
        return 1;
    default:
        fprintf(stderr, "can't read %s\n", src_path);
        return 1;
    }
}

}  // namespace

int encode(const char* src_path, const char* dst_path) {
    File src(src_path, "r");
    struct stat st;
    if (!usable_source(src, st)) return cant_open(src_path);
    if (is_source(dst_path, st)) return cant_open(dst_path);
    Output dst;
    if (dst.open(dst_path) != 0) return cant_open(dst_path);

    makekey();
    return conclude(encode_stream(src.get(), dst.get(), key), dst, src_path, dst_path);
}

int decode(const char* src_path, const char* dst_path) {
    File src(src_path, "r");
    struct stat st;
    if (!usable_source(src, st)) return cant_open(src_path);
    off_t size = -1;
    if (fseeko(src.get(), 0, SEEK_END) == 0) size = ftello(src.get());
    if (size < 0) return cant_open(src_path);  // cannot be positioned: a pipe or the like
    if (size < kKeySize + kTrailerSize) {
        fprintf(stderr, "%s: not a scrambled file\n", src_path);
        return 1;
    }
    if (is_source(dst_path, st)) return cant_open(dst_path);
    Output dst;
    if (dst.open(dst_path) != 0) return cant_open(dst_path);

    return conclude(decode_stream(src.get(), size, dst.get()), dst, src_path, dst_path);
}
