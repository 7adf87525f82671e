#include "httpconf.h"

#include <cstring>

#include "owned.h"
#include "settings.h"
#include "store.h"

int fill_httpd_conf(std::FILE* templ, std::FILE* out, const char* ip) {
    char piece[256];
    while (std::fgets(piece, sizeof piece, templ)) {
        if (std::strstr(piece, "${IP}"))
            std::fprintf(out, "ServerName    %s\n", ip);  // sic: four blanks
        else
            std::fputs(piece, out);
    }
    return std::ferror(out) || std::ferror(templ) ? -1 : 0;
}

int make_httpd_conf(const char* ip) {
    File templ(kTemplatePath, "r");
    if (!templ) return report_cant_open_quoted(kTemplatePath);
    if (replace_file(kHttpdConfPath, [&](std::FILE* out) { return fill_httpd_conf(templ.get(), out, ip); }) != 0)
        return report_cant_open_quoted(std::ferror(templ.get()) ? kTemplatePath : kHttpdConfPath);
    return 0;
}
