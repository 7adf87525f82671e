#include "switches.h"

#include <cstdlib>

bool parse_dipsw_args(int argc, char** argv, DipswArgs* out) {
    if (argc < 2) return false;
    DipswArgs a{0, -1};
    if (argc == 3) a.wanted = std::strtol(argv[2], nullptr, 10);
    a.selector = std::strtol(argv[1], nullptr, 10);
    if (a.selector != 0 && a.selector != 1) return false;
    *out = a;
    return true;
}
