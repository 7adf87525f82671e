#include "device.h"

#include <cstddef>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <unistd.h>

static_assert(HDIO_GETGEO == 0x0301);
static_assert(sizeof(DiskGeometry) == 16);
static_assert(offsetof(DiskGeometry, heads) == offsetof(hd_geometry, heads));
static_assert(offsetof(DiskGeometry, sectors) == offsetof(hd_geometry, sectors));
static_assert(offsetof(DiskGeometry, cylinders) == offsetof(hd_geometry, cylinders));
static_assert(sizeof(hd_geometry) <= sizeof(DiskGeometry));

int read_geometry(int fd, DiskGeometry& geo) {
    return ioctl(fd, HDIO_GETGEO, &geo) == 0 ? 0 : -1;
}

int seek_start(int fd) { return lseek(fd, 0, SEEK_SET) == 0 ? 0 : -1; }

int read_sector(int fd, Sector& s) {
    return read(fd, s, kSectorSize) == static_cast<ssize_t>(kSectorSize) ? 0 : -1;
}

int write_sector(int fd, const Sector& s) {
    return write(fd, s, kSectorSize) == static_cast<ssize_t>(kSectorSize) ? 0 : -1;
}
