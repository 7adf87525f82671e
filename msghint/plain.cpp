#include "plain.h"

#include "keytree.h"
#include "logscan.h"
#include "owned.h"

void printkey(const KeyCord* rec, FILE* out) {
    for (const char* a = rec->answer; *a; ++a) {
        if (*a == '$') {
            ++a;
            if (!*a) break;
            const int d = *a - '0';
            if (d >= 0 && d <= 9 && d < strtmpnum) {
                std::fputs(strtmp[d], out);
                continue;
            }
        }
        std::fputc(*a, out);
    }
    std::fputc('\n', out);
}

namespace {

void explainplain(const char* line, FILE* out) {
    const LogFields f = splitlogline(line);
    const KeyCord* rec = searchkeycord(f.text);
    if (!rec) return;
    std::fprintf(out, "%.*s : ", f.stamp_len, f.stamp);
    printkey(rec, out);
}

}  // namespace

void scanlog_plain(FILE* in, FILE* out) {
    char block[1024];
    char line[kLineMax + 1];
    int n = 0;
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            if (block[i] == '\n') {
                line[n] = '\0';
                explainplain(line, out);
                n = 0;
                continue;
            }
            line[n++] = block[i];
            if (n == kLineMax) n = 0;
        }
    }
}

int readlogs_plain(const char* path, FILE* out) {
    File in(path, "r");
    if (!in || !getcaptures()) return 0;
    dropkeytree();
    scanlog_plain(in.get(), out);
    dropcaptures();
    if (std::ferror(out)) return -1;
    return std::ferror(in.get()) ? 0 : 1;
}
