#include <string>
#include <vector>

#include "keytree.h"
#include "keyword.h"
#include "plain.h"
#include "support.h"

namespace {

struct Try {
    int n;  // -1: no match
    std::vector<std::string> caps;
};

Try trykeyword(const char* keyword, const std::string& text) {
    char bufs[kCaptureCount][kCaptureSize];
    char* cap[kCaptureCount];
    for (int i = 0; i < kCaptureCount; ++i) cap[i] = bufs[i];
    Try t{matchkeyword(keyword, text.c_str(), cap), {}};
    for (int i = 0; i < t.n; ++i) t.caps.push_back(cap[i]);
    return t;
}

using Caps = std::vector<std::string>;

TEST(KeywordLanguage, CapturesRunToTheirTerminator) {
    Try t = trykeyword("kernel: $: link $", "kernel: eth0: link up");
    EXPECT_EQ(t.n, 2);
    EXPECT_EQ(t.caps, (Caps{"eth0", "up"}));

    EXPECT_EQ(trykeyword("x$y", "x123").n, -1);  // the terminator never comes
    t = trykeyword("x$y", "x12y3");               // the text may go on after the match
    EXPECT_EQ(t.n, 1);
    EXPECT_EQ(t.caps, (Caps{"12"}));

    t = trykeyword("a$", "a");  // a final '$' takes the rest, even nothing
    EXPECT_EQ(t.n, 1);
    EXPECT_EQ(t.caps, (Caps{""}));
    EXPECT_EQ(trykeyword("$:", "abc").n, -1);

    // The terminator is read as a keyword character after the capture:
    // here a second capture begins at the text's '$'.
    t = trykeyword("$$:", "ab$cd:");
    EXPECT_EQ(t.n, 2);
    EXPECT_EQ(t.caps, (Caps{"ab", "$cd"}));
}

TEST(KeywordLanguage, LiteralsEscapesAndCase) {
    EXPECT_EQ(trykeyword("", "").n, 0);
    EXPECT_EQ(trykeyword("", "anything").n, 0);
    EXPECT_EQ(trykeyword("link", "Link down").n, -1);
    EXPECT_EQ(trykeyword("link", "lin").n, -1);
    EXPECT_EQ(trykeyword("\\$a", "$a").n, 0);
    EXPECT_EQ(trykeyword("\\$a", "xa").n, -1);
    EXPECT_EQ(trykeyword("\\\\n", "\\n").n, 0);
    EXPECT_EQ(trykeyword("\\qx", "qx").n, 0);
    // A lone backslash at the end stands for itself.
    EXPECT_EQ(trykeyword("a\\", "a\\").n, 0);
    EXPECT_EQ(trykeyword("a\\", "a").n, -1);
    // '$' followed by '\': the capture ends at the text's first backslash,
    // then the escape applies.
    Try t = trykeyword("a$\\\\b", "a12\\b");
    EXPECT_EQ(t.n, 1);
    EXPECT_EQ(t.caps, (Caps{"12"}));
    EXPECT_EQ(trykeyword("a$\\$b", "a12$b").n, -1);
}

TEST(KeywordLanguage, TenCapturesAtMostThenDollarIsLiteral) {
    const char* kw = "$ $ $ $ $ $ $ $ $ $ $";
    Try t = trykeyword(kw, "0 1 2 3 4 5 6 7 8 9 $");
    EXPECT_EQ(t.n, 10);
    EXPECT_EQ(t.caps.back(), "9");
    EXPECT_EQ(trykeyword(kw, "0 1 2 3 4 5 6 7 8 9 x").n, -1);
}

TEST(KeywordLanguage, LongCaptureKeepsItsFirst255Characters) {
    std::string field(300, 'f');
    field[0] = 'F';
    Try t = trykeyword("<$> $", "<" + field + "> tail");
    ASSERT_EQ(t.n, 2);
    EXPECT_EQ(t.caps[0], field.substr(0, 255));
    EXPECT_EQ(t.caps[1], "tail");  // the rest of the long field was passed over
    t = trykeyword("$", std::string(5000, 'r'));
    EXPECT_EQ(t.caps[0].size(), 255u);
}

// The list search, with and without the keyword tree.
class Search : public MsghintTest, public ::testing::WithParamInterface<bool> {
protected:
    std::string answer(const std::string& text) {
        if (GetParam()) EXPECT_TRUE(buildkeytree());
        const KeyCord* rec = searchkeycord(text.c_str());
        if (!rec) return "<none>";
        return output([&](FILE* out) { printkey(rec, out); return 0; });
    }
};

TEST_P(Search, LastPairOfTheFileWinsAndEmptyKeywordIsTriedLast) {
    ASSERT_TRUE(getcaptures());
    load("'' 'other: $'\n"
         "'kernel: $: link $' 'Interface $0 is $1'\n"
         "'kernel: eth0: $' 'first ethernet: $0'\n"
         "'pppd[$]: $' 'ppp $1'\n");
    EXPECT_EQ(answer("kernel: eth0: link up"), "first ethernet: link up\n");
    EXPECT_EQ(answer("kernel: eth1: link down"), "Interface eth1 is down\n");
    EXPECT_EQ(answer("pppd[12]: Exit."), "ppp Exit.\n");
    EXPECT_EQ(answer("pppd[12 Exit."), "other: \n");  // falls through to the empty keyword
    EXPECT_EQ(answer(""), "other: \n");
}

TEST_P(Search, NothingMatchesInAnEmptyOrUnrelatedList) {
    ASSERT_TRUE(getcaptures());
    EXPECT_EQ(answer("kernel: x"), "<none>");
    load("'dhcpd: $ from $' 'lease $1'");
    EXPECT_EQ(answer("dhcpd: DISCOVER to x"), "<none>");
    EXPECT_EQ(answer("dhcpd: DISCOVER from 00:11"), "lease 00:11\n");
}

TEST_P(Search, DuplicatesAndSharedBeginnings) {
    ASSERT_TRUE(getcaptures());
    load("'a$b' 'one $0' 'a$c' 'two $0' 'a$b' 'three $0' 'a' 'short' 'ab' 'longer'");
    EXPECT_EQ(answer("a12b"), "short\n");  // 'a' comes after both 'a$b'
    EXPECT_EQ(answer("xab"), "<none>");
    freekeycords();
    load("'a' 'short' 'a$b' 'one $0' 'a$c' 'two $0' 'a$b' 'three $0'");
    EXPECT_EQ(answer("a12b"), "three 12\n");
    EXPECT_EQ(answer("a12c"), "two 12\n");
    EXPECT_EQ(answer("a12"), "short\n");
}

INSTANTIATE_TEST_SUITE_P(ListAndTree, Search, ::testing::Bool());

class Answer : public MsghintTest {
protected:
    std::string expand(const char* answer, std::vector<std::string> caps) {
        int lens[2] = {1, static_cast<int>(strlen(answer))};
        setkeycord("k", answer, lens);
        EXPECT_TRUE(getcaptures());
        for (size_t i = 0; i < caps.size(); ++i) snprintf(strtmp[i], kCaptureSize, "%s", caps[i].c_str());
        strtmpnum = static_cast<int>(caps.size());
        return output([&](FILE* out) { printkey(key_first, out); return 0; });
    }
};

TEST_F(Answer, DollarDigitBelowTheCaptureCountIsReplacedOtherDollarsAreDropped) {
    EXPECT_EQ(expand("Interface $0 is $1", {"eth0", "up"}), "Interface eth0 is up\n");
    EXPECT_EQ(expand("[$5]", {"a", "b"}), "[5]\n");
    EXPECT_EQ(expand("cost $", {"a"}), "cost \n");
    EXPECT_EQ(expand("$$ and $x $1$0", {"a", "b"}), "$ and x ba\n");
    EXPECT_EQ(expand("$9", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "nine"}), "nine\n");
    EXPECT_EQ(expand("", {}), "\n");
}

}  // namespace
