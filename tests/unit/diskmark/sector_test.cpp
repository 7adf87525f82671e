#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "sector.h"
#include "test_support.h"

namespace {

TEST(Sector, EmptyMeansBytes4To511AreZero) {
    Sector s{};
    EXPECT_TRUE(is_empty_sector(s));
    put_flag(s, 0xffffffff);
    EXPECT_TRUE(is_empty_sector(s));
    s[4] = 1;
    EXPECT_FALSE(is_empty_sector(s));
    s[4] = 0;
    s[510] = 0x55;  // a boot signature
    EXPECT_FALSE(is_empty_sector(s));
    s[510] = 0;
    s[511] = 0xaa;
    EXPECT_FALSE(is_empty_sector(s));
}

TEST(Sector, FlagIsLittleEndian) {
    Sector s{};
    put_flag(s, kFlagOn);
    EXPECT_EQ(s[0], 0x78);
    EXPECT_EQ(s[1], 0x56);
    EXPECT_EQ(s[2], 0x34);
    EXPECT_EQ(s[3], 0x12);
    EXPECT_EQ(get_flag(s), 0x12345678u);
    put_flag(s, kFlagOff);
    EXPECT_EQ(get_flag(s), 0u);
    EXPECT_TRUE(is_empty_sector(s));
    s[3] = 0x80;
    EXPECT_EQ(get_flag(s), 0x80000000u);
}

TEST(Sector, DumpOfTheFirst32Bytes) {
    Sector s{};
    for (int i = 0; i < 32; ++i) s[i] = static_cast<std::uint8_t>(i * 9);
    EXPECT_EQ(output_of([&](std::FILE* f) { dump_head(f, s); }),
              "0x000: 00 09 12 1B 24 2D 36 3F 48 51 5A 63 6C 75 7E 87\n"
              "0x010: 90 99 A2 AB B4 BD C6 CF D8 E1 EA F3 FC 05 0E 17\n"
              "\n");
}

TEST(DeviceName, PlainNamesOnly) {
    EXPECT_TRUE(is_device_name("hda"));
    EXPECT_TRUE(is_device_name("mmcblk0"));
    EXPECT_TRUE(is_device_name(std::string(255, 'd').c_str()));
    EXPECT_FALSE(is_device_name(std::string(256, 'd').c_str()));
    EXPECT_FALSE(is_device_name(""));
    EXPECT_FALSE(is_device_name("."));
    EXPECT_FALSE(is_device_name(".."));
    EXPECT_FALSE(is_device_name("../etc/apinfo"));
    EXPECT_FALSE(is_device_name("disk/hda"));
    EXPECT_TRUE(is_device_name("..hda"));
}

}  // namespace
