// The disk device: its geometry and its first sector.
#pragma once
#include <cstdint>

#include "sector.h"

struct DiskGeometry {
    std::uint8_t heads;
    std::uint8_t sectors;
    std::uint16_t cylinders;
    // The start sector (unused): a long, so 4 bytes at offset 4 on i386 and 8
    // at offset 8 on x86_64; room for either.
    std::uint8_t start[12];
};

// Asks the device for its geometry (HDIO_GETGEO). Returns 0 or -1.
int read_geometry(int fd, DiskGeometry& geo);

// The first sector: seek to offset 0, then a whole sector. 0 or -1.
int seek_start(int fd);
int read_sector(int fd, Sector& s);
int write_sector(int fd, const Sector& s);
