#include "devices.h"

#include <cstring>

long find_driver_major(std::FILE* devices) {
    char line[256];
    char name[256];
    while (std::fgets(line, sizeof line, devices)) {
        long major;
        if (std::sscanf(line, "%ld %255s", &major, name) != 2) continue;  // headings, blank lines
        if (std::strcmp(name, kDriverName) != 0) continue;
        return major >= 1 && major <= kMajorMax ? major : 0;
    }
    return 0;
}
