// The first sector of a disk and the utility flag in its first four bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kSectorSize = 512;
constexpr std::uint32_t kFlagOn = 0x12345678;
constexpr std::uint32_t kFlagOff = 0;

using Sector = std::uint8_t[kSectorSize];

// Bytes 4 to 511 are all zero; the flag bytes may hold anything.
bool is_empty_sector(const Sector& s);
// The flag, little-endian in bytes 0 to 3, whatever the host's byte order.
std::uint32_t get_flag(const Sector& s);
void put_flag(Sector& s, std::uint32_t flag);

// Two rows of sixteen bytes ("0x000:" " 78" ...) and an empty line.
void dump_head(std::FILE* out, const Sector& s);

// A device name from the command line: a plain name of a node in /dev (not
// empty, no '/', not "." or "..") that fits the path buffer.
constexpr std::size_t kDevicePathSize = 5 + 255 + 1;  // "/dev/", a name, the terminator
bool is_device_name(const char* name);
