// infoedit: checks and sets appliance settings, rewrites /etc/apinfo and the
// web server's configuration, and copies the settings to the persistent
// partition. Prints nothing when all went well.
#include <cstdio>
#include <unistd.h>

#include "httpconf.h"
#include "options.h"
#include "owned.h"
#include "program.h"
#include "settings.h"
#include "store.h"

namespace {

int usage(const char* prog) {
    std::printf("usage: %s [-w yes|no] [-key value]...\n", prog);
    return 1;
}

int fail_open(const char* path) {
    report_cant_open_quoted(path);
    return 1;
}

// The copy on the persistent partition; -1 after the failure was reported.
int write_disk_copy(const ValueTable& table) {
    switch (copy_to_disk(kDiskApinfoPath, [&table](std::FILE* f) { return write_apinfo(f, table); })) {
    case DiskStep::done:
        sync();
        return 0;
    case DiskStep::write:
        std::printf("can't open %s.\n", kDiskApinfoPath);  // sic: its own form, with a full stop
        return -1;
    case DiskStep::mount:
    case DiskStep::umount:
        return -1;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* prog = program_name(argv, "infoedit");
    ValueTable table;
    Edit edit{table};

    {
        // A file that cannot be read to its end is one that cannot be
        // opened: rewriting it would lose the values not read.
        File in(kApinfoPath, "r");
        if (!in || read_apinfo(in.get(), table) != 0) return fail_open(kApinfoPath);
    }
    if (apply_options(edit, argc - 1, argv + 1) != 0) return usage(prog);

    if (replace_file(kApinfoPath, [&table](std::FILE* f) { return write_apinfo(f, table); }) != 0)
        return fail_open(kApinfoPath);

    const char* ip = table.get("IP");
    if (make_httpd_conf(ip ? ip : "") != 0) return 1;

    if (edit.disk_write && write_disk_copy(table) != 0) {
        std::printf("can't write data.\n");
        return kFailureStatus;
    }
    return 0;
}
