#include <string>
#include <utility>
#include <vector>

#include "config.h"
#include "support.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The pairs in file order (the list holds them newest first).
Pairs pairs() {
    Pairs p;
    for (const KeyCord* r = key_first; r; r = r->next) p.insert(p.begin(), {r->keyword, r->answer});
    return p;
}

class Config : public MsghintTest {
protected:
    Pairs read(const std::string& text) {
        freekeycords();
        load(text);
        return pairs();
    }
};

TEST_F(Config, QuotedStringsTakenInPairs) {
    EXPECT_EQ(read("\"kernel: $: link $\"  \"Interface $0 is $1\"\n"),
              (Pairs{{"kernel: $: link $", "Interface $0 is $1"}}));
    // Either quote; the other one, '#', blanks and backslashes are text.
    EXPECT_EQ(read("'say \"hi\" # now' = \"it's \\n\"\n"), (Pairs{{"say \"hi\" # now", "it's \\n"}}));
    // Several pairs on a line, anything between strings ignored, empty strings kept.
    EXPECT_EQ(read("key1 = 'a', 'b'; \"\" \"every\" x 'c''d'"),
              (Pairs{{"a", "b"}, {"", "every"}, {"c", "d"}}));
}

TEST_F(Config, NewlinesAndComments) {
    EXPECT_EQ(read("\"a\"\n\"b\"\n"), (Pairs{{"a", "b"}}));                // answer on the next line
    EXPECT_EQ(read("\"a\" # note\n\"b\"\n"), (Pairs{}));                   // the comment drops "a"
    EXPECT_EQ(read("\"a\" # note\n\"b\" \"c\"\n"), (Pairs{{"b", "c"}}));
    EXPECT_EQ(read("# 'x' 'y'\n'p' 'q' # 'r' 's'\n"), (Pairs{{"p", "q"}}));
    EXPECT_EQ(read("\"a\" \"b\n\"d\" \"e\"\n"), (Pairs{{"d", "e"}}));  // newline in a string
    // After it the line goes on outside any string: the next quote opens one.
    EXPECT_EQ(read("\"a\" \"b\nc\" \"d\" \"e\"\n"), (Pairs{{" ", " "}}));
    EXPECT_EQ(read("\"a\" \"b\" \"c\n\"d\" \"e\"\n"), (Pairs{{"a", "b"}, {"d", "e"}}));
}

TEST_F(Config, UnfinishedPairsAtTheEndAreDropped) {
    EXPECT_EQ(read("'a' 'b' 'c'"), (Pairs{{"a", "b"}}));
    EXPECT_EQ(read("'a' 'b"), (Pairs{}));
    EXPECT_EQ(read("'a"), (Pairs{}));
}

TEST_F(Config, StringsAreCutAt1024Characters) {
    std::string big(3000, 'k');
    big[1023] = 'L';
    Pairs p = read("'" + big + "' '" + std::string(1024, 'a') + "' 'x' 'y'");
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].first, big.substr(0, 1024));
    EXPECT_EQ(p[0].second, std::string(1024, 'a'));
    EXPECT_EQ(p[1], (std::pair<std::string, std::string>{"x", "y"}));
}

TEST_F(Config, BlocksOfAnySizeGiveTheSamePairs) {
    const std::string text =
        "# explanations\n'kernel: $: link $' 'Interface $0 is $1'\n"
        "\"pppd[$]: $\"\n  \"ppp: $1\" 'lost # \n' 'x' 'y' 'z'\n'a' # c\n 'b' 'c'";
    const Pairs whole = read(text);
    EXPECT_EQ(whole.size(), 4u);
    for (size_t step : {1u, 2u, 3u, 7u, 64u}) {
        freekeycords();
        ConfReader r;
        for (size_t i = 0; i < text.size(); i += step) r.feed(text.data() + i, std::min(step, text.size() - i));
        EXPECT_EQ(pairs(), whole) << "blocks of " << step;
    }
}

TEST_F(Config, ReadconfReadsTheFileOrReportsIt) {
    std::string path = tempfile(std::string(1500, ' ') + "'split across' 'blocks'\n");
    EXPECT_EQ(readconf(path.c_str()), 1);
    EXPECT_EQ(pairs(), (Pairs{{"split across", "blocks"}}));
    EXPECT_EQ(readconf("/nonexistent/logmsgs.conf"), 0);
    // A file that opens but cannot be read is reported the same way, and
    // leaves no keywords.
    EXPECT_EQ(readconf("/tmp"), 0);
    EXPECT_EQ(pairs(), Pairs{});
}

}  // namespace
