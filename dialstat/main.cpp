// dialstat: prints one value of the link status file, or sets one and
// rewrites the file. Every path ends with status 0; callers read the output.
#include <cstdio>
#include <cstring>

#include "linkstatus.h"
#include "number.h"
#include "program.h"

namespace {

int usage(const char* prog) {
    std::printf("usage: %s [-s] [com|prog|dial]\n", prog);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* prog = program_name(argv, "dialstat");
    if (argc < 2) return usage(prog);

    LinkStatus st;
    if (std::strcmp(argv[1], "-s") == 0) {
        if (argc < 4) return usage(prog);
        read_status(st);
        if (int* field = status_value(st, argv[2])) *field = to_int(argv[3]);
        write_status(st);
        return 0;
    }

    read_status(st);
    if (const int* field = status_value(st, argv[1])) std::printf("%d\n", *field);
    return 0;
}
