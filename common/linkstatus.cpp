#include "linkstatus.h"

#include <cstdio>
#include <cstring>

#include "keyline.h"
#include "number.h"
#include "owned.h"
#include "program.h"
#include "store.h"

namespace {

// Each value: its key in the file, in the file's order, and the short name
// dialstat knows it by.
struct StatusKey {
    const char* key;
    const char* name;
    int LinkStatus::*field;
};

constexpr StatusKey kStatusKeys[] = {
    {"com_status", "com", &LinkStatus::com_status},
    {"prog_status", "prog", &LinkStatus::prog_status},
    {"dial_status", "dial", &LinkStatus::dial_status},
};

}  // namespace

int read_status(LinkStatus& st, const char* path) {
    File f(path, "r");
    if (!f) {
        report_cant_open(path);
        return -1;
    }
    for_each_setting(f.get(), [&st](const char* key, const char* value) {
        for (const StatusKey& k : kStatusKeys)
            if (std::strcmp(key, k.key) == 0) st.*k.field = to_int(value);
    });
    return 0;
}

int write_status(const LinkStatus& st, const char* path) {
    // Rewritten every second while the link is dialed: not worth a sync.
    int rc = replace_file(
        path,
        [&st](std::FILE* f) {
            for (const StatusKey& k : kStatusKeys) std::fprintf(f, "%s=\"%d\"\n", k.key, st.*k.field);
            return 0;
        },
        Sync::none);
    if (rc != 0) report_cant_open(path);
    return rc;
}

int* status_value(LinkStatus& st, const char* name) {
    for (const StatusKey& k : kStatusKeys)
        if (std::strcmp(name, k.name) == 0) return &(st.*k.field);
    return nullptr;
}
