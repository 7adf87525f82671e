// The web server's configuration, made from its template with the
// appliance's address.
#pragma once
#include <cstdio>

constexpr const char* kTemplatePath = "/etc/htconf.templ";
constexpr const char* kHttpdConfPath = "/var/lib/httpd/conf/httpd.conf";

// Copies the template to `out` in pieces of up to 255 characters; a piece
// holding "${IP}" is replaced by the line "ServerName    <ip>". Returns 0,
// or -1 when reading the template or writing `out` failed.
int fill_httpd_conf(std::FILE* templ, std::FILE* out, const char* ip);

// Regenerates kHttpdConfPath from kTemplatePath. On failure prints
// "Can't open "<path>"." for the file that failed and returns -1.
int make_httpd_conf(const char* ip);
