#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "protocols.h"
#include "test_support.h"

namespace {

// The name of the row a word selects ("" for none); the two port rows are
// told apart by the words they take.
std::string pick(const char* word, const char* two_on = nullptr) {
    const CommandRow* row = select_command(strip_word(word), two_on);
    if (!row) return "";
    return std::string(row->name) + (row->words == 3 ? " priority" : "");
}

TEST(SelectCommand, LeadingDashesAndSlashesAreSkipped) {
    EXPECT_STREQ(strip_word("--start"), "start");
    EXPECT_STREQ(strip_word("/-/h"), "h");
    EXPECT_STREQ(strip_word("---"), "");
    EXPECT_STREQ(strip_word("st-op"), "st-op");  // only leading ones
    EXPECT_EQ(pick("-h"), "help");
    EXPECT_EQ(pick("/help"), "help");
    EXPECT_EQ(pick("---"), "");
}

TEST(SelectCommand, OnlyTheTestedPositionCountsAfterTheFirst) {
    for (const char* w : {"star", "start", "starting", "s-xr"}) EXPECT_EQ(pick(w), "start") << w;
    for (const char* w : {"sto", "stop", "-stop"}) EXPECT_EQ(pick(w), "stop") << w;
    for (const char* w : {"stat", "stats", "statu", "status"}) EXPECT_EQ(pick(w), "stats") << w;
    for (const char* w : {"s", "st", "sta", "sx"}) EXPECT_EQ(pick(w), "status") << w;
    for (const char* w : {"d", "debug", "dx"}) EXPECT_EQ(pick(w), "debug") << w;
    for (const char* w : {"e", "exempt"}) EXPECT_EQ(pick(w), "exempt") << w;
    for (const char* w : {"l", "list"}) EXPECT_EQ(pick(w), "list") << w;
}

TEST(SelectCommand, CaseSensitiveAndUnknownFirstCharacters) {
    for (const char* w : {"H", "Start", "x", "", "1"}) EXPECT_EQ(pick(w), "") << w;
    EXPECT_EQ(pick("sTOP"), "status");  // 'T' and 'O' are not 'r', 'o', 't'
    EXPECT_EQ(pick("show"), "stop");    // third character 'o'
}

TEST(SelectCommand, PWordsInOrderPolicyPathCostPriorityPort) {
    for (const char* w : {"pol", "policy", "poll", "pal"}) EXPECT_EQ(pick(w), "policy") << w;
    for (const char* w : {"pa", "path", "pathcost"}) EXPECT_EQ(pick(w), "pathcost") << w;
    for (const char* w : {"pr", "priority", "prio"}) EXPECT_EQ(pick(w), "priority") << w;
    EXPECT_EQ(pick("port", "priority"), "port priority");
    EXPECT_EQ(pick("p", "p"), "port priority");
    EXPECT_EQ(pick("port", "enable"), "port");
    EXPECT_EQ(pick("port", "Priority"), "port");
    EXPECT_EQ(pick("port", ""), "port");
    EXPECT_EQ(pick("port"), "port");
    EXPECT_EQ(pick("p"), "port");
    // Earlier rules win over the look-ahead.
    EXPECT_EQ(pick("pr", "p"), "priority");
    EXPECT_EQ(pick("pa", "p"), "pathcost");
}

std::string captured(void (*fn)(FILE*, uint32_t), uint32_t n) {
    return output_of([&](FILE* out) { fn(out, n); });
}

TEST(ProtocolTable, NamesNumbersAndLookup) {
    EXPECT_EQ(captured(protocol_name, 0x0800), "IP");
    EXPECT_EQ(captured(protocol_name, 0x0200), "ECHO");  // not the newer header's number
    EXPECT_EQ(captured(protocol_name, 0x0011), "TR_802_2");
    EXPECT_EQ(captured(protocol_name, 0x88cc), "0x88CC");
    EXPECT_EQ(captured(protocol_name, 0x0007), "0x0007");
    EXPECT_EQ(captured(protocol_name, 0), "0x0000");

    const Protocol* p = find_protocol("atalk");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->name, "ATALK");
    EXPECT_EQ(p->number, 0x809Bu);
    ASSERT_NE(find_protocol("Tr_802_2"), nullptr);
    EXPECT_EQ(find_protocol("ipx")->number, 0x8137u);
    EXPECT_EQ(find_protocol("xyz"), nullptr);
    EXPECT_EQ(find_protocol("I"), nullptr);  // whole names only
    EXPECT_EQ(find_protocol(""), nullptr);

    int rows = 0;
    for (const Protocol* q = kProtocols; q->number != 0; ++q) ++rows;
    EXPECT_EQ(rows, 26);
}

}  // namespace
