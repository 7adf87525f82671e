// masklen: converts a netmask between prefix length and dotted form.
// Malformed input ends with status 1 and no output at all.
#include <cstdio>
#include <cstring>

#include "netmask.h"
#include "program.h"

int main(int argc, char** argv) {
    const char* prog = program_name(argv, "masklen");
    if (argc < 2) {
        std::printf("usage: %s netmask\n", prog);
        return 0;
    }
    // The word must fit its 32-byte buffer; a longer one is refused whole.
    if (std::strlen(argv[1]) >= kMaskWord) return 1;
    char word[kMaskWord];
    std::memcpy(word, argv[1], std::strlen(argv[1]) + 1);

    char result[kMaskWord];
    int rc = std::strchr(word, '.') ? mask_to_prefix(word, result) : prefix_to_mask(word, result);
    if (rc != 0) return 1;
    std::printf("%s\n", result);
    return 0;
}
