#include <gtest/gtest.h>

#include "switches.h"

namespace {

TEST(Switches, LineReadingZeroMeansSwitchOn) {
    EXPECT_EQ(switch_status(0xFF), 0);
    EXPECT_EQ(switch_status(0xFE), 1);
    EXPECT_EQ(switch_status(0xFD), 2);
    EXPECT_EQ(switch_status(0x00), 3);
    EXPECT_EQ(switch_status(0xFC), 3);

    for (int status = 0; status < 4; ++status) {
        EXPECT_EQ(switch_state(0, status), status & 1) << status;
        EXPECT_EQ(switch_state(1, status), (status >> 1) & 1) << status;
    }
}

struct Args {
    bool ok;
    long selector, wanted;
};

Args parse(std::initializer_list<const char*> words) {
    char* argv[8] = {const_cast<char*>("dipsw")};
    int argc = 1;
    for (const char* w : words) argv[argc++] = const_cast<char*>(w);
    DipswArgs a{-9, -9};
    bool ok = parse_dipsw_args(argc, argv, &a);
    return {ok, a.selector, a.wanted};
}

TEST(DipswArgs, SelectorAndWantedState) {
    Args a = parse({"1"});
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.selector, 1);
    EXPECT_LT(a.wanted, 0);

    a = parse({"0", "1"});
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.wanted, 1);

    a = parse({"abc"});  // no number reads as 0
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.selector, 0);

    EXPECT_LT(parse({"1", "-1"}).wanted, 0);
    EXPECT_LT(parse({"1", "0", "extra"}).wanted, 0);  // more than two: the state is printed
    EXPECT_EQ(parse({"0", "2"}).wanted, 2);
}

TEST(DipswArgs, OnlySwitchZeroOrOne) {
    EXPECT_FALSE(parse({}).ok);
    EXPECT_FALSE(parse({"2"}).ok);
    EXPECT_FALSE(parse({"-1"}).ok);
    EXPECT_FALSE(parse({"4294967296"}).ok);  // not 0 once cut to 32 bits
}

}  // namespace
