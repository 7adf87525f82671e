#include "linkstatus.h"

#include <cstdio>
#include <cstring>

#include "keyline.h"
#include "number.h"
#include "owned.h"
#include "store.h"

namespace {

struct StatusKey {
    const char* name;
    int LinkStatus::*field;
};

constexpr StatusKey kStatusKeys[] = {
    {"com_status", &LinkStatus::com_status},
    {"prog_status", &LinkStatus::prog_status},
    {"dial_status", &LinkStatus::dial_status},
};

}  // namespace

int read_status(LinkStatus& st, const char* path) {
    File f(path, "r");
    if (!f) {
        std::printf("can't open %s\n", path);
        return -1;
    }
    for_each_setting(f.get(), [&st](const char* key, const char* value) {
        for (const StatusKey& k : kStatusKeys)
            if (std::strcmp(key, k.name) == 0) st.*k.field = to_int(value);
    });
    return 0;
}

int write_status(const LinkStatus& st, const char* path) {
    // Rewritten every second while the link is dialed: not worth a sync.
    int rc = replace_file(
        path,
        [&st](std::FILE* f) {
            for (const StatusKey& k : kStatusKeys) std::fprintf(f, "%s=\"%d\"\n", k.name, st.*k.field);
            return 0;
        },
        Sync::none);
    if (rc != 0) std::printf("can't open %s\n", path);
    return rc;
}
