#include <gtest/gtest.h>

#include <climits>

#include "number.h"

namespace {

// As atoi reads them on the appliance, whatever the word size of the build:
// beyond the int range a number reads as the nearest end of it.
TEST(ToInt, ReadsAsTheAppliancesAtoi) {
    struct Row {
        const char* text;
        int value;
        bool digits;
    } rows[] = {
        {"0", 0, true},
        {"  +42abc", 42, true},
        {"\t-7 8", -7, true},
        {"2147483647", INT_MAX, true},
        {"2147483648", INT_MAX, true},
        {"-2147483648", INT_MIN, true},
        {"-2147483649", INT_MIN, true},
        {"4294967297", INT_MAX, true},  // not 1, as a 64-bit value cut to 32 bits
        {"-4294967295", INT_MIN, true},  // not 1
        {"99999999999999999999999", INT_MAX, true},
        {"-99999999999999999999999", INT_MIN, true},
        {"", 0, false},
        {"abc", 0, false},
        {"- 5", 0, false},
        {"0x10", 0, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(to_int(r.text), r.value) << r.text;
        int scanned = -12345;
        EXPECT_EQ(scan_int(r.text, &scanned), r.digits) << r.text;
        EXPECT_EQ(scanned, r.digits ? r.value : -12345) << r.text;
    }
}

}  // namespace
