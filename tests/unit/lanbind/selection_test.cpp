#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "protocols.h"

namespace {

Command pick(const char* word, const char* two_on = nullptr) { return select_command(strip_word(word), two_on); }

TEST(SelectCommand, LeadingDashesAndSlashesAreSkipped) {
    EXPECT_STREQ(strip_word("--start"), "start");
    EXPECT_STREQ(strip_word("/-/h"), "h");
    EXPECT_STREQ(strip_word("---"), "");
    EXPECT_STREQ(strip_word("st-op"), "st-op");  // only leading ones
    EXPECT_EQ(pick("-h"), Command::help);
    EXPECT_EQ(pick("/help"), Command::help);
    EXPECT_EQ(pick("---"), Command::unknown);
}

TEST(SelectCommand, OnlyTheTestedPositionCountsAfterTheFirst) {
    for (const char* w : {"star", "start", "starting", "s-xr"}) EXPECT_EQ(pick(w), Command::start) << w;
    for (const char* w : {"sto", "stop", "-stop"}) EXPECT_EQ(pick(w), Command::stop) << w;
    for (const char* w : {"stat", "stats", "statu", "status"}) EXPECT_EQ(pick(w), Command::statistics) << w;
    for (const char* w : {"s", "st", "sta", "sx"}) EXPECT_EQ(pick(w), Command::status) << w;
    for (const char* w : {"d", "debug", "dx"}) EXPECT_EQ(pick(w), Command::debug) << w;
    for (const char* w : {"e", "exempt"}) EXPECT_EQ(pick(w), Command::exempt) << w;
    for (const char* w : {"l", "list"}) EXPECT_EQ(pick(w), Command::list) << w;
}

TEST(SelectCommand, CaseSensitiveAndUnknownFirstCharacters) {
    for (const char* w : {"H", "Start", "x", "", "1"}) EXPECT_EQ(pick(w), Command::unknown) << w;
    EXPECT_EQ(pick("sTOP"), Command::status);  // 'T' and 'O' are not 'r', 'o', 't'
    EXPECT_EQ(pick("show"), Command::stop);    // third character 'o'
}

TEST(SelectCommand, PWordsInOrderPolicyPathCostPriorityPort) {
    for (const char* w : {"pol", "policy", "poll", "pal"}) EXPECT_EQ(pick(w), Command::policy) << w;
    for (const char* w : {"pa", "path", "pathcost"}) EXPECT_EQ(pick(w), Command::path_cost) << w;
    for (const char* w : {"pr", "priority", "prio"}) EXPECT_EQ(pick(w), Command::priority) << w;
    EXPECT_EQ(pick("port", "priority"), Command::port_priority);
    EXPECT_EQ(pick("p", "p"), Command::port_priority);
    EXPECT_EQ(pick("port", "enable"), Command::port);
    EXPECT_EQ(pick("port", "Priority"), Command::port);
    EXPECT_EQ(pick("port"), Command::port);
    EXPECT_EQ(pick("p"), Command::port);
    // Earlier rules win over the look-ahead.
    EXPECT_EQ(pick("pr", "p"), Command::priority);
    EXPECT_EQ(pick("pa", "p"), Command::path_cost);
}

std::string captured(void (*fn)(FILE*, uint32_t), uint32_t n) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&buf, &len);
    fn(out, n);
    std::fclose(out);
    std::string s(buf, len);
    std::free(buf);
    return s;
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
