// filemix: scrambles a file into a copy that carries its own key, and
// unscrambles such a copy back.
#include <cstdio>

#include "files.h"

namespace {

int usage() {
    printf("Usage:filemix [e|d] srcfile dstfile");  // sic: no blank after the colon, no line end
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage();
    switch (argv[1][0]) {
    case 'e':
        return encode(argv[2], argv[3]);
    case 'd':
        return decode(argv[2], argv[3]);
    default:
        return usage();
    }
}
