#include <gtest/gtest.h>

#include "command.h"

namespace {

TEST(ParseCommand, WordsAreFoundInOrder) {
    struct Row {
        const char* line;
        DaemonState state;
    } rows[] = {
        {"restart", STATE_RESTART}, {"start", STATE_START},     {"stop", STATE_STOP},
        {"exit", STATE_EXIT},       {"stop test 2", STATE_STOP}, {"nexity", STATE_EXIT},
        {"", STATE_IDLE},           {"hello\n", STATE_IDLE},     {"STOP", STATE_IDLE},
    };
    for (const Row& r : rows) {
        int entry = 0;
        EXPECT_EQ(parse_command(r.line, entry), r.state) << r.line;
    }
}

TEST(ParseCommand, TestNumberMustNameAnEntry) {
    int entry = 0;
    EXPECT_EQ(parse_command("test 5", entry), STATE_TEST);
    EXPECT_EQ(entry, 5);
    EXPECT_EQ(parse_command("test", entry), STATE_TEST);  // no number: the last one stays
    EXPECT_EQ(entry, 5);
    EXPECT_EQ(parse_command("test 0", entry), STATE_IDLE);
    EXPECT_EQ(parse_command("test 6", entry), STATE_IDLE);
    EXPECT_EQ(parse_command("test -1", entry), STATE_IDLE);
    // Beyond the int range: no entry on any word size (not entry 1).
    EXPECT_EQ(parse_command("test 4294967297", entry), STATE_IDLE);
    entry = 0;
    EXPECT_EQ(parse_command("xtest 3", entry), STATE_IDLE);  // the number is read from the line start
}

}  // namespace
