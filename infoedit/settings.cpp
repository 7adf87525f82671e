#include "settings.h"

#include <cstring>

bool is_valid_key(const char* key) {
    if (std::strcmp(key, kDiskWriteOption.key) == 0) return true;
    for (const KeyRow& row : kKeys)
        if (std::strcmp(key, row.key) == 0) return true;
    return false;
}

void ValueTable::clear() { std::memset(slots_, 0, sizeof slots_); }

bool ValueTable::set(const char* key, const char* value) {
    std::size_t key_len = std::strlen(key);
    std::size_t value_len = std::strlen(value);
    if (key_len == 0 || key_len >= kKeySize || value_len >= kSlotValueSize) return false;
    for (Slot& s : slots_) {
        if (s.key[0] != '\0' && std::strcmp(s.key, key) != 0) continue;
        std::memcpy(s.key, key, key_len + 1);
        std::memcpy(s.value, value, value_len + 1);
        return true;
    }
    return false;
}

const char* ValueTable::get(const char* key) const {
    for (const Slot& s : slots_)
        if (s.key[0] != '\0' && std::strcmp(s.key, key) == 0) return s.value;
    return nullptr;
}

namespace {

// The key of a line: the text before its first '=', when it is valid.
bool line_key(const char* line, char (&key)[kKeySize]) {
    const char* eq = std::strchr(line, '=');
    if (!eq) return false;
    std::size_t key_len = static_cast<std::size_t>(eq - line);
    if (key_len >= kKeySize) return false;
    std::memcpy(key, line, key_len);
    key[key_len] = '\0';
    return is_valid_key(key);
}

enum class Line { whole, too_long, end };

// The next line without its newline into `line` (`len` bytes, NUL bytes
// counted, then a NUL). A line that does not fit the buffer is skipped to
// its end and reported too long; its first part is in `line`.
Line next_line(std::FILE* f, char (&line)[kLineSize], std::size_t& len) {
    len = 0;
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n') {
        if (len < kLineSize - 1) {
            line[len++] = static_cast<char>(c);
            continue;
        }
        while ((c = std::getc(f)) != EOF && c != '\n') {
        }
        line[len] = '\0';
        return Line::too_long;
    }
    line[len] = '\0';
    return c == EOF && len == 0 ? Line::end : Line::whole;
}

}  // namespace

int read_apinfo(std::FILE* f, ValueTable& table) {
    char line[kLineSize];
    std::size_t len;
    for (Line got; (got = next_line(f, line, len)) != Line::end;) {
        char key[kKeySize];
        if (!line_key(line, key)) continue;
        const bool setting = std::strcmp(key, kDiskWriteOption.key) != 0;  // a key of the file
        char* open = std::strchr(line, '"');
        char* close = std::strrchr(line, '"');
        // A value that cannot be read whole would be lost by the rewrite.
        const bool readable = got == Line::whole && std::strlen(line) == len && open && close != open;
        if (!readable) {
            if (setting) return -1;
            continue;
        }
        *close = '\0';
        table.set(key, open + 1);
    }
    return std::ferror(f) ? -1 : 0;
}

int write_apinfo(std::FILE* f, const ValueTable& table) {
    for (const KeyRow& row : kKeys) {
        const char* value = table.get(row.key);
        std::fprintf(f, "%s=\"%s\"\n", row.key, value ? value : "");
    }
    return std::ferror(f) ? -1 : 0;
}

int report_cant_open_quoted(const char* path) {
    std::printf("Can't open \"%s\".\n", path);
    return -1;
}
