// pwreset: sets the web setup's password for the user root in the web
// server's password file and in its copy on the persistent partition.
// Prints nothing when all went well.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "entry.h"
#include "program.h"
#include "store.h"

int main(int argc, char** argv) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    char salt[3];
    make_salt(std::rand(), salt);

    const char* password = argc > 1 ? argv[1] : "";
    if (std::strlen(password) > kPasswordMax) {
        std::fprintf(stderr, "pwreset: password longer than %zu characters\n", kPasswordMax);
        return 1;
    }
    char entry[kEntrySize];
    if (make_entry(password, salt, entry) != 0) {
        std::fputs("pwreset: crypt gave no hash\n", stderr);
        return 1;
    }

    auto fill_entry = [&entry](std::FILE* f) { return std::fputs(entry, f) < 0 ? -1 : 0; };
    if (replace_file(kPasswordPath, fill_entry) != 0) return 1;

    switch (copy_to_disk(kDiskPasswordPath, fill_entry)) {
    case DiskStep::done:
        break;
    case DiskStep::write:
        return 1;
    case DiskStep::mount:
    case DiskStep::umount:
        return kFailureStatus;
    }
    sync();
    sync();
    return 0;
}
