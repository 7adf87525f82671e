// The password file entry of the web setup's single user.
#pragma once
#include <cstddef>

constexpr const char* kPasswordPath = "/var/lib/httpd/cgi-bin/setup/.htpasswd";
constexpr const char* kDiskPasswordPath = "/disk/.htpasswd";
constexpr std::size_t kPasswordMax = 255;  // characters of a password

// The two salt characters drawn from one random number: only its low
// twelve bits count.
void make_salt(int r, char (&salt)[3]);

// The line "root:<hash>\n" for `password`, hashed with the traditional
// crypt and `salt`. Returns 0, or -1 when the password is longer than
// kPasswordMax or crypt gives no usable hash.
constexpr std::size_t kEntrySize = 128;
int make_entry(const char* password, const char* salt, char (&entry)[kEntrySize]);
