#include "entry.h"

#include <crypt.h>
#include <cstdio>
#include <cstring>

namespace {
constexpr char kSaltAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
static_assert(sizeof kSaltAlphabet == 65);
}  // namespace

void make_salt(int r, char (&salt)[3]) {
    salt[0] = kSaltAlphabet[r & 63];
    salt[1] = kSaltAlphabet[(r >> 6) & 63];
    salt[2] = '\0';
}

int make_entry(const char* password, const char* salt, char (&entry)[kEntrySize]) {
    if (std::strlen(password) > kPasswordMax) return -1;
    const char* hash = crypt(password, salt);
    // A failing crypt gives NULL or a string starting with '*'.
    if (!hash || hash[0] == '*' || std::strncmp(hash, salt, 2) != 0) return -1;
    int n = std::snprintf(entry, sizeof entry, "root:%s\n", hash);
    return n > 0 && static_cast<std::size_t>(n) < sizeof entry ? 0 : -1;
}
