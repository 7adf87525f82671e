#include "logscan.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "keytree.h"
#include "owned.h"

namespace {

constexpr size_t kReadChunk = 256 * 1024;
constexpr size_t kOutSize = 64 * 1024;

bool isblank_(char c) { return c == ' ' || c == '\t'; }

// Output collected in a buffer and handed to the stream in large pieces.
class Out {
public:
    explicit Out(FILE* f) : f_(f) {}
    ~Out() { flush(); }
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;

    void put(char c) {
        if (n_ == kOutSize) flush();
        buf_[n_++] = c;
    }
    void write(const char* s, size_t len) {
        while (len > 0) {
            if (n_ == kOutSize) flush();
            size_t room = kOutSize - n_;
            size_t part = len < room ? len : room;
            std::memcpy(buf_ + n_, s, part);
            n_ += part;
            s += part;
            len -= part;
        }
    }
    void flush() {
        if (n_ && std::fwrite(buf_, 1, n_, f_) != n_) failed_ = true;
        n_ = 0;
    }
    // Once a write has failed, nothing more can be told.
    bool failed() const { return failed_; }

private:
    FILE* f_;
    bool failed_ = false;
    size_t n_ = 0;
    char buf_[kOutSize];
};

// The answer with capture references replaced, and a newline.
void expandkey(const KeyCord* rec, Out& out) {
    const char* a = rec->answer;
    for (;;) {
        const char* dollar = std::strchr(a, '$');
        if (!dollar) {
            out.write(a, std::strlen(a));
            break;
        }
        out.write(a, static_cast<size_t>(dollar - a));
        a = dollar + 1;
        if (!*a) break;  // a '$' at the end is dropped
        const int d = *a - '0';
        if (d >= 0 && d <= 9 && d < strtmpnum)
            out.write(strtmp[d], std::strlen(strtmp[d]));
        else
            out.put(*a);
        ++a;
    }
    out.put('\n');
}

void explain(const char* line, Out& out) {
    const LogFields f = splitlogline(line);
    const KeyCord* rec = searchkeycord(f.text);
    if (!rec) return;
    out.write(f.stamp, static_cast<size_t>(f.stamp_len));
    out.write(" : ", 3);
    expandkey(rec, out);
}

}  // namespace

LogFields splitlogline(const char* line) {
    LogFields f{line, -1, ""};
    int runs = 0;
    bool inblank = false;
    int i = 0;
    for (; line[i]; ++i) {
        const bool blank = isblank_(line[i]);
        if (blank && !inblank) {
            ++runs;
            if (runs == 3) f.stamp_len = i;
            if (runs == 4) {
                f.text = line + i + 1;
                break;
            }
        }
        inblank = blank;
    }
    if (f.stamp_len < 0) f.stamp_len = i;
    return f;
}

bool scanlog(int fd, FILE* out_file, size_t chunk) {
    // Room for a block and for the unfinished line before it, which is
    // never 1024 characters or more: whole 1024s of it are dropped.
    char* buf = static_cast<char*>(std::malloc(chunk + kLineMax + 1));
    if (!buf) return false;
    Out out(out_file);
    size_t len = 0;
    bool whole = true;
    while (!out.failed()) {
        ssize_t got = ::read(fd, buf + len, chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) whole = false;
        if (got <= 0) break;
        char* p = buf;
        char* const end = buf + len + static_cast<size_t>(got);
        while (char* nl = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) {
            const size_t linelen = static_cast<size_t>(nl - p);
            *nl = '\0';
            explain(p + (linelen & ~static_cast<size_t>(kLineMax - 1)), out);
            p = nl + 1;
        }
        const size_t tail = static_cast<size_t>(end - p);
        p += tail & ~static_cast<size_t>(kLineMax - 1);
        len = static_cast<size_t>(end - p);
        std::memmove(buf, p, len);
    }
    std::free(buf);
    out.flush();
    return whole && !out.failed();
}

int readlogs(const char* path, FILE* out) {
    Fd fd(::open(path, O_RDONLY));
    if (!fd || !getcaptures()) return 0;
    buildkeytree();  // without it the list is searched one keyword at a time
    const bool whole = scanlog(fd.get(), out, kReadChunk);
    dropkeytree();
    dropcaptures();
    if (std::ferror(out)) return -1;
    return whole ? 1 : 0;
}
