// A settings file and a list of options, split at zero bytes: the file,
// then key and value of each option (the key without its '-').
//
// - The file that is read is written and read back: the same sixteen
//   values, and the same text when written again.
// - An option that fails its check changes nothing; one that passes holds
//   no control character, and an address or MAC that passes is four or six
//   numbers of 0..255 as the C library reads them with a long.
// - After the options the written file still reads back to the same values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "options.h"
#include "settings.h"

namespace {

std::string written(const ValueTable& t) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    if (!f || write_apinfo(f, t) != 0) abort();
    fclose(f);
    std::string s(buf, len);
    free(buf);
    return s;
}

ValueTable read_back(const std::string& text) {
    ValueTable t;
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!f) abort();
    if (read_apinfo(f, t) != 0) abort();  // what the writer wrote is always readable
    fclose(f);
    return t;
}

void same_values(const ValueTable& a, const ValueTable& b) {
    for (const KeyRow& row : kKeys) {
        const char* x = a.get(row.key);
        const char* y = b.get(row.key);
        if (std::strcmp(x ? x : "", y ? y : "") != 0) abort();
    }
}

void round_trip(const ValueTable& t) {
    const std::string text = written(t);
    const ValueTable back = read_back(text);
    same_values(t, back);
    if (written(back) != text) abort();
}

bool octets(const char* text, const char* format, int count) {
    long n[6];
    if (std::sscanf(text, format, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]) != count) return false;
    for (int i = 0; i < count; ++i)
        if (n[i] < 0 || n[i] > 255) return false;
    return true;
}

void check_accepted(const char* key, const char* value) {
    for (const char* p = value; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) abort();
    if ((!std::strcmp(key, "IP") || !std::strcmp(key, "NETMASK")) && !octets(value, "%ld.%ld.%ld.%ld", 4)) abort();
    if (!std::strcmp(key, "MACADDR")) {
        std::string copy = value;
        for (char& c : copy)
            if (c == ':') c = ' ';
        if (!octets(copy.c_str(), "%lX %lX %lX %lX %lX %lX", 6)) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }

    ValueTable table;
    FILE* f = fmemopen(const_cast<char*>(parts[0].data()), parts[0].size(), "r");
    if (parts[0].empty() || !f) {
        if (f) fclose(f);
        parts[0].clear();
    } else {
        const int rc = read_apinfo(f, table);
        fclose(f);
        if (rc != 0) return 0;  // a line too long to keep: nothing is written then
    }
    round_trip(table);

    Edit edit{table};
    for (size_t i = 1; i + 1 < parts.size(); i += 2) {
        const std::string before = written(table);
        if (apply_option(edit, parts[i].c_str(), parts[i + 1].c_str()) != 0) {
            if (written(table) != before) abort();
        } else {
            check_accepted(parts[i].c_str(), parts[i + 1].c_str());
        }
    }
    round_trip(table);
    return 0;
}
