#include <gtest/gtest.h>

#include <string>

#include "entry.h"

namespace {

std::string salt_of(int r) {
    char salt[3];
    make_salt(r, salt);
    return salt;
}

TEST(Salt, TwoCharactersFromTheLowTwelveBits) {
    EXPECT_EQ(salt_of(0), "..");
    EXPECT_EQ(salt_of(63), "z.");
    EXPECT_EQ(salt_of(64), "./");
    EXPECT_EQ(salt_of(4095), "zz");
    EXPECT_EQ(salt_of(1 + 2 * 64), "/0");
    EXPECT_EQ(salt_of(4096 + 5), salt_of(5));
    EXPECT_EQ(salt_of(0x7fffffff), "zz");
}

TEST(Entry, RootWithTheTraditionalHash) {
    char entry[kEntrySize];
    ASSERT_EQ(make_entry("", "ab", entry), 0);
    EXPECT_STREQ(entry, "root:abmF1QH4PEr.E\n");
    ASSERT_EQ(make_entry("secret", "./", entry), 0);
    EXPECT_EQ(std::string(entry).substr(0, 7), "root:./");
    EXPECT_EQ(std::string(entry).size(), 5 + 13 + 1u);
}

TEST(Entry, PasswordLengthLimit) {
    char entry[kEntrySize] = "untouched";
    EXPECT_EQ(make_entry(std::string(255, 'p').c_str(), "ab", entry), 0);
    EXPECT_EQ(make_entry(std::string(256, 'p').c_str(), "ab", entry), -1);
}

}  // namespace
