#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "records.h"
#include "test_support.h"

namespace {

// Puts a station into the raw bytes of a record, where the driver puts it.
void put_station(RadioRecord& rec, int slot, uint32_t in_use, uint32_t value, const uint8_t (&mac)[6]) {
    auto* at = reinterpret_cast<unsigned char*>(&rec) + 14 * slot;
    std::memcpy(at, &in_use, 4);
    std::memcpy(at + 4, &value, 4);
    std::memcpy(at + 8, mac, 6);
}

std::string stations_text(const RadioRecord& rec, bool with_value) {
    return output_of([&](FILE* out) { print_stations(out, rec.stations, with_value); });
}

TEST(StationTable, EntriesArePackedAndWalkedPastEmptyOnes) {
    RadioRecord rec{};
    put_station(rec, 3, 1, 87, {0x00, 0x40, 0x96, 0x2a, 0x01, 0x5c});
    put_station(rec, 4, 0, 99, {1, 2, 3, 4, 5, 6});  // empty: skipped
    put_station(rec, 255, 0x100, 4000000000u, {0xff, 0xee, 0xdd, 0xcc, 0xbb, 0xaa});
    uint32_t count = 7;
    std::memcpy(reinterpret_cast<unsigned char*>(&rec) + 3584, &count, 4);

    EXPECT_EQ(stations_text(rec, true), "00:40:96:2A:01:5C 87\nFF:EE:DD:CC:BB:AA 4000000000\n");
    EXPECT_EQ(stations_text(rec, false), "00:40:96:2A:01:5C\nFF:EE:DD:CC:BB:AA\n");
    EXPECT_EQ(rec.stations.count, 7u);  // as reported, not counted
}

TEST(StationTable, NoStationInUsePrintsNothing) {
    RadioRecord rec{};
    EXPECT_EQ(stations_text(rec, true), "");
    EXPECT_EQ(stations_text(rec, false), "");
}

TEST(Essid, DriverTextIsCutAtItsLengthOrAnEarlierNul) {
    RadioRecord rec{};
    std::memset(&rec, 'x', sizeof rec);  // no terminator after the name
    rec.essid.length = 5;
    std::memcpy(rec.essid.text, "apnet", 5);
    char out[kEssidTextSize];
    essid_text(rec.essid, out);
    EXPECT_STREQ(out, "apnet");

    rec.essid.text[2] = '\0';
    essid_text(rec.essid, out);
    EXPECT_STREQ(out, "ap");

    rec.essid.length = 0;
    essid_text(rec.essid, out);
    EXPECT_STREQ(out, "");

    std::memset(&rec, 'y', sizeof rec);
    rec.essid.length = 255;  // the longest the length byte can say
    essid_text(rec.essid, out);
    EXPECT_EQ(std::strlen(out), 255u);
}

TEST(Essid, SentWithLengthByteAndNulUpToThirtyTwoBytes) {
    RadioRecord rec;
    std::memset(&rec, 0x55, sizeof rec);
    ASSERT_TRUE(put_essid(rec.essid, ""));
    EXPECT_EQ(rec.essid.length, 0);
    EXPECT_EQ(rec.essid.text[0], '\0');

    const char* longest = "0123456789abcdef0123456789ABCDEF";
    ASSERT_TRUE(put_essid(rec.essid, longest));
    EXPECT_EQ(rec.essid.length, 32);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&rec) + 1, longest, 33), 0);

    std::memset(&rec, 0x55, sizeof rec);
    EXPECT_FALSE(put_essid(rec.essid, "0123456789abcdef0123456789ABCDEFG"));
    EXPECT_EQ(rec.essid.length, 0x55);  // untouched
}

TEST(DsChannel, LeadingNumberWithinOneToNinetyNine) {
    unsigned ds = 0;
    EXPECT_TRUE(parse_ds("1", &ds));
    EXPECT_EQ(ds, 1u);
    EXPECT_TRUE(parse_ds("99", &ds));
    EXPECT_EQ(ds, 99u);
    EXPECT_TRUE(parse_ds("7x", &ds));
    EXPECT_EQ(ds, 7u);
    for (const char* bad : {"0", "100", "-1", "-4294967295", "-18446744073709551615", "x7", "", "4294967297",
                            "99999999999999999999"}) {
        ds = 42;
        EXPECT_FALSE(parse_ds(bad, &ds)) << bad;
        EXPECT_EQ(ds, 42u) << bad;
    }
}

TEST(Version, TakenFromTheBannerTag) {
    EXPECT_EQ(banner_version("PCnetMobile:v1.5 (radio_cs)"), 105);
    EXPECT_EQ(banner_version("PCnetMobile:v2.34"), 234);
    EXPECT_EQ(banner_version("PCnetMobile:v1.234"), 123);  // two minor digits at most
    EXPECT_EQ(banner_version("PCnetMobile:v3"), 0);
    EXPECT_EQ(banner_version("pcnetmobile:v1.5"), 0);
    EXPECT_EQ(banner_version("Other:v1.5"), 0);
    EXPECT_EQ(banner_version(""), 0);
    EXPECT_EQ(banner_version("PCnetMobile:v4294967295.99"), 429496729599LL);  // never negative
}

}  // namespace
