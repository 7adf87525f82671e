// The plain reader as a program, for comparing outputs with msghint:
//   msghint_plain CONFFILE LOGFILE
#include <cstdio>

#include "config.h"
#include "plain.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (readconf(argv[1]) == 0) std::printf("Read Config File Error\n");
    return readlogs_plain(argv[2], stdout) ? 0 : 1;
}
