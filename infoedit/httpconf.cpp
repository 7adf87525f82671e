#include "httpconf.h"

#include <cstring>

#include "owned.h"
#include "store.h"

int fill_httpd_conf(std::FILE* templ, std::FILE* out, const char* ip) {
    char piece[256];
    while (std::fgets(piece, sizeof piece, templ)) {
        if (std::strstr(piece, "${IP}"))
            std::fprintf(out, "ServerName    %s\n", ip);
        else
            std::fputs(piece, out);
    }
    return std::ferror(out) || std::ferror(templ) ? -1 : 0;
}

namespace {

struct TemplateCopy {
    std::FILE* templ;
    const char* ip;
};

int fill(std::FILE* out, const void* ctx) {
    const TemplateCopy* copy = static_cast<const TemplateCopy*>(ctx);
    return fill_httpd_conf(copy->templ, out, copy->ip);
}

int cant_open(const char* path) {
    std::printf("Can't open \"%s\".\n", path);
    return -1;
}

}  // namespace

int make_httpd_conf(const char* ip) {
    File templ(kTemplatePath, "r");
    if (!templ) return cant_open(kTemplatePath);
    TemplateCopy copy{templ.get(), ip};
    if (replace_file(kHttpdConfPath, fill, &copy) != 0) return cant_open(kHttpdConfPath);
    return 0;
}
