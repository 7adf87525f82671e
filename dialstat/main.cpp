// dialstat: prints one value of the link status file, or sets one and
// rewrites the file. Every path ends with status 0; callers read the output.
#include <cstdio>
#include <cstring>

#include "linkstatus.h"
#include "number.h"

namespace {

struct StatusName {
    const char* name;
    int LinkStatus::*field;
};

constexpr StatusName kNames[] = {
    {"com", &LinkStatus::com_status},
    {"prog", &LinkStatus::prog_status},
    {"dial", &LinkStatus::dial_status},
};

int* field_named(LinkStatus& st, const char* name) {
    for (const StatusName& n : kNames)
        if (std::strcmp(name, n.name) == 0) return &(st.*n.field);
    return nullptr;
}

int usage(const char* prog) {
    std::printf("usage: %s [-s] [com|prog|dial]\n", prog);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* prog = argv[0] ? argv[0] : "dialstat";
    if (argc < 2) return usage(prog);

    LinkStatus st;
    if (std::strcmp(argv[1], "-s") == 0) {
        if (argc < 4) return usage(prog);
        read_status(st);
        if (int* field = field_named(st, argv[2])) *field = to_int(argv[3]);
        write_status(st);
        return 0;
    }

    read_status(st);
    if (const int* field = field_named(st, argv[1])) std::printf("%d\n", *field);
    return 0;
}
