// diskmark: sets or clears the utility flag in the first sector of a disk
// device, which must otherwise be empty, and reads it back.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "device.h"
#include "owned.h"
#include "sector.h"

namespace {

int fail(const char* text) {
    std::puts(text);
    return 1;
}

// sic: every text of diskmark has its blank before the colon.
int usage() { return fail("Usage : diskmark <on|off> <device>"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || !is_device_name(argv[2])) return usage();
    std::uint32_t flag;
    if (std::strcmp(argv[1], "on") == 0) {
        flag = kFlagOn;
        std::puts("Write Utitity active flag.");  // sic: Utitity
    } else if (std::strcmp(argv[1], "off") == 0) {
        flag = kFlagOff;
        std::puts("Delete Utitity active flag.");  // sic: Utitity
    } else {
        return usage();
    }

    char path[kDevicePathSize];
    std::snprintf(path, sizeof path, "/dev/%s", argv[2]);
    Fd dev(open(path, O_RDWR));
    if (!dev) {
        std::printf("Can't open device(%s).\n", path);  // sic: its own form
        return 1;
    }
    DiskGeometry geo{};
    // sic: two blanks, and the heads in lower-case hexadecimal
    if (read_geometry(dev.get(), geo) == 0)
        std::printf("%s  heads=0x%02x sectors=0x%02X cyl=0x%04X\n", path, geo.heads, geo.sectors,
                    geo.cylinders);

    Sector sector;
    if (read_sector(dev.get(), sector) != 0) return fail("Error : read sector failed.");
    if (!is_empty_sector(sector)) {
        std::puts("Error : This sector is not empty.");
        std::puts("        Did you chenge partition table?");  // sic: chenge
        std::printf("        Is target device(%s) right?\n", path);
        return 1;
    }
    if (seek_start(dev.get()) != 0) return fail("Error : seek failed.");
    put_flag(sector, flag);
    if (write_sector(dev.get(), sector) != 0) return fail("Error : unable to write.");

    if (seek_start(dev.get()) != 0) return fail("Error : seek failed.");
    if (read_sector(dev.get(), sector) != 0) return fail("Error : read sector failed.");
    if (get_flag(sector) != flag) {
        std::puts("Error : data check error.");
        dump_head(stdout, sector);
        return 1;
    }

    std::printf("Syncing disks.\n");
    sync();
    sleep(4);
    return 0;
}
