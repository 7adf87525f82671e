// Finding the card driver's major number in the kernel's device list.
#pragma once
#include <cstdio>

constexpr const char* kDriverName = "radio_cs";
// Majors the kernel hands out fit in 12 bits of the device number.
constexpr long kMajorMax = 4095;

// Reads the device list line by line; the first line naming the driver
// decides. Returns its major number, or 0 when no line names the driver or
// the number named is not one the kernel can hand out.
long find_driver_major(std::FILE* devices);
