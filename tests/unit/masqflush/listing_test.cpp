#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "listing.h"
#include "test_support.h"

namespace {

std::vector<MasqControl> sent;
int refuse_after = -1;  // refuse the request with this index

int record(int, const MasqControl& rec) {
    if (static_cast<int>(sent.size()) == refuse_after) return -1;
    sent.push_back(rec);
    return 0;
}

std::string hex(const void* data, size_t len) {
    std::string out;
    char two[3];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(two, sizeof two, "%02x", static_cast<const unsigned char*>(data)[i]);
        out += two;
    }
    return out;
}

class Flush : public ScratchFile {
protected:
    void SetUp() override {
        sent.clear();
        refuse_after = -1;
        ScratchFile::SetUp();
    }
    std::string run(FlushResult expected) {
        return stdout_of([&] { EXPECT_EQ(flush_masq_file(7, path, record), expected); });
    }
};

constexpr const char* kHeading = "Prot Source Destination Masquerade State\n";

TEST_F(Flush, RecordHoldsTheEntryInNetworkOrder) {
    put(path, std::string(kHeading) + "TCP C0A80002:0400 C0A80001:0017 C0A80101:F000 ESTABLISHED 0 0 0 900\n");
    EXPECT_EQ(run(kFlushed), "");
    ASSERT_EQ(sent.size(), 1u);
    std::string rec = hex(&sent[0], sizeof sent[0]);
    EXPECT_EQ(rec.substr(0, 16), "0300000004000000");        // target 3, command 4, native
    EXPECT_EQ(rec.substr(16, 64), std::string(64, '0'));      // name
    EXPECT_EQ(rec.substr(80, 48),
              "06000000" "0400" "0017" "f000" "0000"
              "c0a80002" "c0a80001" "c0a80101");
    EXPECT_EQ(rec.substr(128), std::string(464, '0'));
}

TEST_F(Flush, ShortLineIsReportedAndStillDeletedWithTheFieldsItGave) {
    put(path, "heading\n"
              "UDP 0A000001:0035 0A000002:0036 C0A80101:F001 NONE 0 0 0 900\n"
              "ICMP C0A80003:1F000 0A000004:0000 C0A80101:0002 NONE 0 0 0\n"  // 11 conversions
              "GRE C0A80005\n");  // unknown protocol, only the source address
    EXPECT_EQ(run(kFlushed),
              "can't get data from\nICMP C0A80003:1F000 0A000004:0000 C0A80101:0002 NONE 0 0 0\n"
              "can't get data from\nGRE C0A80005\n");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].protocol, 1u);
    EXPECT_EQ(hex(&sent[1].sport, 2), "f000");  // the low 16 bits of 1F000
    EXPECT_EQ(hex(&sent[1].daddr, 4), "0a000004");
    EXPECT_EQ(sent[2].protocol, 1u);            // kept from the line before
    EXPECT_EQ(hex(&sent[2].saddr, 4), "c0a80005");
    EXPECT_EQ(hex(&sent[2].daddr, 4), "0a000004");  // kept
    EXPECT_EQ(hex(&sent[2].mport, 2), "0002");      // kept
}

TEST_F(Flush, StopsAtTheFirstRefusal) {
    put(path, "heading\n"
              "TCP 00000001:0001 00000002:0002 00000003:0003 S 0 0 0 1\n"
              "TCP 00000004:0004 00000005:0005 00000006:0006 S 0 0 0 1\n"
              "TCP 00000007:0007 00000008:0008 00000009:0009 S 0 0 0 1\n");
    refuse_after = 1;
    EXPECT_EQ(stderr_of([&] { run(kDeleteFailed); }).rfind("setsockopt():", 0), 0u);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(Flush, HeadingOnlyOrEmptyDeletesNothingAndMissingFileIsReported) {
    put(path, kHeading);
    EXPECT_EQ(run(kFlushed), "");
    put(path, "");
    EXPECT_EQ(run(kFlushed), "");
    EXPECT_TRUE(sent.empty());
    std::remove(path);
    EXPECT_EQ(run(kCannotOpen), std::string("can't open ") + path + "\n");
}

}  // namespace
