#include "switches.h"

#include "number.h"

bool parse_dipsw_args(int argc, char** argv, DipswArgs* out) {
    if (argc < 2) return false;
    DipswArgs a{0, -1};
    if (argc == 3) a.wanted = to_int(argv[2]);
    a.selector = to_int(argv[1]);
    if (a.selector != 0 && a.selector != 1) return false;
    *out = a;
    return true;
}
