#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "counters.h"
#include "netdev.h"

namespace {

const char* kEth0Line =
    "  eth0:12345678  100001    2    3    4     5          6         7 87654321  200002    8    9   10    11      "
    "12         13\n";

TEST(NetDevLine, KeepsPacketsAndErrorsOfBothDirections) {
    Counters c;
    EXPECT_EQ(apply_netdev_line(kEth0Line, "eth0", c), 0);
    EXPECT_EQ(c.rx, 100001u);
    EXPECT_EQ(c.rx_err, 2u);
    EXPECT_EQ(c.tx, 200002u);
    EXPECT_EQ(c.tx_err, 8u);

    Counters other{1, 2, 3, 4};
    EXPECT_EQ(apply_netdev_line(kEth0Line, "eth1", other), -1);
    EXPECT_EQ(other.tx, 1u);
    EXPECT_EQ(other.rx_err, 4u);
    EXPECT_EQ(apply_netdev_line("Inter-|   Receive    |  Transmit\n", "eth0", other), -1);
}

TEST(NetDevLine, NameIsFoundAnywhereAndGluedColonIsABlank) {
    Counters c;
    // A wide counter runs into the colon in the kernel's layout.
    EXPECT_EQ(apply_netdev_line("eth0:4294967295 7 1 0 0 0 0 0 9 8 2 0 0 0 0 0\n", "eth0", c), 0);
    EXPECT_EQ(c.rx, 7u);
    EXPECT_EQ(c.tx, 8u);
    // A plain substring search: veth0 names eth0 too.
    Counters v;
    EXPECT_EQ(apply_netdev_line(" veth0: 0 5 0 0 0 0 0 0 0 6 0 0 0 0 0 0\n", "eth0", v), 0);
    EXPECT_EQ(v.rx, 5u);
    EXPECT_EQ(v.tx, 6u);
}

TEST(NetDevLine, CountersAboveTheSignedRangeKeepTheirBits) {
    Counters c;
    apply_netdev_line("ppp0: 0 3000000000 4294967295 0 0 0 0 0 0 4294967296 2147483648 0 0 0 0 0\n", "ppp0", c);
    EXPECT_EQ(c.rx, 3000000000u);
    EXPECT_EQ(c.rx_err, 4294967295u);
    EXPECT_EQ(c.tx, 0u);  // one past 32 bits wraps to 0
    EXPECT_EQ(c.tx_err, 2147483648u);
}

TEST(NetDevLine, NumbersRunningOutEarlyLeaveTheRestAsTheyWere) {
    Counters c{11, 12, 13, 14};
    apply_netdev_line("eth0: 1 2 3 4 5 6 7 8 9 10\n", "eth0", c);  // ten numbers: rx kept, tx not reached
    EXPECT_EQ(c.rx, 2u);
    EXPECT_EQ(c.rx_err, 3u);
    EXPECT_EQ(c.tx, 10u);
    EXPECT_EQ(c.tx_err, 12u);
    apply_netdev_line("eth0: 1 99 x 4 5 6 7 8 9 10 11\n", "eth0", c);  // stops at the word
    EXPECT_EQ(c.rx, 99u);
    EXPECT_EQ(c.rx_err, 3u);
    EXPECT_EQ(c.tx, 10u);
}

SavedCounters read_lines(const char* text) {
    SavedCounters s;
    std::string all = text;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size() - 1;
        apply_counter_line(all.substr(start, end - start + 1).c_str(), s);
        start = end + 1;
    }
    return s;
}

std::string print(const SavedCounters& s) {
    char buf[1024] = {};
    FILE* f = fmemopen(buf, sizeof buf - 1, "w");
    print_counter_lines(f, s);
    std::fclose(f);
    return buf;
}

TEST(CounterFile, KeysMatchWholeAndTheLastLineWins) {
    SavedCounters s = read_lines(
        "eth0_tx_err=\"7\"\n"
        "eth0_tx=\"5\"\n"
        "ppp0_rx=\"-150\"\n"
        "ppp0_rx=\"-151\"\n"
        "eth0_tx_errors=\"99\"\n"  // unknown key
        "ETH1_TX=\"99\"\n"
        "eth1_rx = \" 42 \"\n");
    EXPECT_EQ(s.iface[kEth0].tx, 5u);
    EXPECT_EQ(s.iface[kEth0].tx_err, 7u);
    EXPECT_EQ(static_cast<int>(s.iface[kPpp0].rx), -151);
    EXPECT_EQ(s.iface[kEth1].tx, 0u);
    EXPECT_EQ(s.iface[kEth1].rx, 42u);
}

TEST(CounterFile, KnownKeyWithoutNumberOrOverlongKeyChangesNothing) {
    SavedCounters s = read_lines("eth0_tx=\"5\"\neth0_rx=\"\"\neth0_rx=\"abc\"\n");
    EXPECT_EQ(s.iface[kEth0].rx, 0u);  // not the 5 of the line before
    std::string long_key = std::string(300, 'k') + "=\"1\"\n";
    EXPECT_EQ(apply_counter_line(long_key.c_str(), s), -1);
    EXPECT_EQ(apply_counter_line("eth0_tx_err_xxxxxxxx=\"1\"\n", s), -1);  // 20 characters
    EXPECT_EQ(apply_counter_line("", s), -1);
    EXPECT_EQ(apply_counter_line("\"=\"\n", s), -1);
}

TEST(CounterFile, WritesTwelveLinesInFixedOrderAndReadsThemBack) {
    SavedCounters s;
    s.iface[kEth0] = {100, 4, 200, 3};
    s.iface[kPpp0].tx = static_cast<std::uint32_t>(-100);
    s.iface[kPpp0].rx = 3000000000u;  // stored as its signed pattern
    std::string text = print(s);
    EXPECT_EQ(text,
              "eth0_tx=\"100\"\neth0_tx_err=\"4\"\neth0_rx=\"200\"\neth0_rx_err=\"3\"\n"
              "eth1_tx=\"0\"\neth1_tx_err=\"0\"\neth1_rx=\"0\"\neth1_rx_err=\"0\"\n"
              "ppp0_tx=\"-100\"\nppp0_tx_err=\"0\"\nppp0_rx=\"-1294967296\"\nppp0_rx_err=\"0\"\n");
    EXPECT_EQ(print(read_lines(text.c_str())), text);
}

TEST(Interfaces, OnlyTheThreeExactNames) {
    EXPECT_EQ(iface_index("eth0"), kEth0);
    EXPECT_EQ(iface_index("eth1"), kEth1);
    EXPECT_EQ(iface_index("ppp0"), kPpp0);
    EXPECT_EQ(iface_index("ETH0"), -1);
    EXPECT_EQ(iface_index("eth2"), -1);
    EXPECT_EQ(iface_index("eth0 "), -1);
}

}  // namespace
