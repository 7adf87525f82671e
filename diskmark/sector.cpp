#include "sector.h"

#include <cstring>

bool is_empty_sector(const Sector& s) {
    for (std::size_t i = 4; i < kSectorSize; ++i)
        if (s[i] != 0) return false;
    return true;
}

std::uint32_t get_flag(const Sector& s) {
    return static_cast<std::uint32_t>(s[0]) | static_cast<std::uint32_t>(s[1]) << 8 |
           static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
}

void put_flag(Sector& s, std::uint32_t flag) {
    for (int i = 0; i < 4; ++i) s[i] = static_cast<std::uint8_t>(flag >> (8 * i));
}

void dump_head(std::FILE* out, const Sector& s) {
    for (std::size_t row = 0; row < 32; row += 16) {
        std::fprintf(out, "0x%03X:", static_cast<unsigned>(row));
        for (std::size_t i = row; i < row + 16; ++i) std::fprintf(out, " %02X", s[i]);
        std::fputc('\n', out);
    }
    std::fputc('\n', out);
}

bool is_device_name(const char* name) {
    std::size_t len = std::strlen(name);
    if (len == 0 || len > kDevicePathSize - 6) return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return std::strchr(name, '/') == nullptr;
}
