#include <gtest/gtest.h>

#include <string>

#include "netmask.h"

namespace {

// The result text, or "malformed".
std::string to_mask(const char* word) {
    char out[kMaskWord] = "untouched";
    if (prefix_to_mask(word, out) != 0) return std::string("malformed:") + out;
    return out;
}

std::string to_prefix(const char* word) {
    char out[kMaskWord] = "untouched";
    if (mask_to_prefix(word, out) != 0) return std::string("malformed:") + out;
    return out;
}

const std::string bad = "malformed:untouched";

TEST(PrefixToMask, EveryLengthGivesItsOnesAtTheTop) {
    EXPECT_EQ(to_mask("24"), "255.255.255.0");
    EXPECT_EQ(to_mask("0"), "0.0.0.0");
    EXPECT_EQ(to_mask("32"), "255.255.255.255");
    EXPECT_EQ(to_mask("1"), "128.0.0.0");
    EXPECT_EQ(to_mask("23"), "255.255.254.0");
    EXPECT_EQ(to_mask(" +9"), "255.128.0.0");   // as "%d" reads it
    EXPECT_EQ(to_mask("24abc"), "255.255.255.0");  // trailing text ignored
    // Every length round-trips through the other direction.
    for (int len = 0; len <= 32; ++len) {
        std::string mask = to_mask(std::to_string(len).c_str());
        EXPECT_EQ(to_prefix(mask.c_str()), std::to_string(len)) << mask;
    }
}

TEST(PrefixToMask, OutOfRangeOrNoNumberIsMalformed) {
    EXPECT_EQ(to_mask("33"), bad);
    EXPECT_EQ(to_mask("-1"), bad);
    EXPECT_EQ(to_mask(""), bad);
    EXPECT_EQ(to_mask("abc"), bad);
    EXPECT_EQ(to_mask("-"), bad);
    // Numbers beyond 32 bits must not fold back into 0..32.
    EXPECT_EQ(to_mask("4294967320"), bad);
    EXPECT_EQ(to_mask("18446744073709551640"), bad);
}

TEST(MaskToPrefix, ContiguousMasksGiveTheirLength) {
    EXPECT_EQ(to_prefix("255.255.255.0"), "24");
    EXPECT_EQ(to_prefix("255.255.255.255"), "32");
    EXPECT_EQ(to_prefix("0.0.0.0"), "0");
    EXPECT_EQ(to_prefix("255.255.254.0"), "23");
    EXPECT_EQ(to_prefix("255.255.255.0xyz"), "24");
    EXPECT_EQ(to_prefix("255. 255.255.0"), "24");  // "%d" skips blanks before a number
}

TEST(MaskToPrefix, MalformedMasks) {
    EXPECT_EQ(to_prefix("255.0.255.0"), bad);  // ones after a zero
    EXPECT_EQ(to_prefix("0.0.0.1"), bad);
    EXPECT_EQ(to_prefix("255.255.255.256"), bad);
    EXPECT_EQ(to_prefix("255.-1.0.0"), bad);
    EXPECT_EQ(to_prefix("255.255.0"), bad);  // three parts
    EXPECT_EQ(to_prefix("."), bad);
    EXPECT_EQ(to_prefix("24."), bad);
    EXPECT_EQ(to_prefix("255 .255.255.0"), bad);  // the point must follow the number
    EXPECT_EQ(to_prefix("255.255.255.4294967296"), bad);
}

}  // namespace
