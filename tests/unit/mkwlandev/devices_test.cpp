#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "devices.h"

namespace {

long major_in(const char* text) {
    FILE* f = fmemopen(const_cast<char*>(text), std::strlen(text), "r");
    long major = find_driver_major(f);
    std::fclose(f);
    return major;
}

TEST(FindDriverMajor, FirstLineNamingTheDriverExactly) {
    EXPECT_EQ(major_in("Character devices:\n  1 mem\n 60 radio_cs\n 61 radio_cs\n\nBlock devices:\n"), 60);
    EXPECT_EQ(major_in("Character devices:\n  1 mem\n\nBlock devices:\n  3 ide0\n 62 radio_cs\n"), 62);
    EXPECT_EQ(major_in("Character devices:\n 60 radio_cs0\n 61 RADIO_CS\n 62 xradio_cs\n"), 0);
    EXPECT_EQ(major_in("radio_cs 60\n"), 0);
    EXPECT_EQ(major_in(""), 0);
}

TEST(FindDriverMajor, NumbersTheKernelCannotHandOutCountAsNotFound) {
    EXPECT_EQ(major_in("  0 radio_cs\n 60 radio_cs\n"), 0);  // the first match decides
    EXPECT_EQ(major_in(" -1 radio_cs\n"), 0);
    EXPECT_EQ(major_in("4096 radio_cs\n"), 0);
    EXPECT_EQ(major_in("99999999999999999999 radio_cs\n"), 0);
}

TEST(FindDriverMajor, MajorsAbove255AreKeptWhole) {
    EXPECT_EQ(major_in("256 radio_cs\n"), 256);  // a 16-bit device number would make this 0
    EXPECT_EQ(major_in("300 radio_cs\n"), 300);
    EXPECT_EQ(major_in("4095 radio_cs\n"), 4095);
}

TEST(FindDriverMajor, LongLinesAreReadInPieces) {
    char text[700];
    std::memset(text, 'a', 600);
    std::strcpy(text + 600, "\n 60 radio_cs\n");
    EXPECT_EQ(major_in(text), 60);
}

}  // namespace
