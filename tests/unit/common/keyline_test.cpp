#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "keyline.h"
#include "linkstatus.h"
#include "test_support.h"

namespace {

struct Split {
    int rc;
    std::string key, value;
};

Split split(const char* line) {
    char key[kFieldSize] = "untouched";
    char value[kFieldSize] = "untouched";
    int rc = split_setting_line(line, key, value);
    return {rc, key, value};
}

TEST(SplitSettingLine, KeyBeforeFirstEqualsValueBetweenOuterQuotes) {
    Split s = split("speed=\"115200\"\n");
    EXPECT_EQ(s.rc, 0);
    EXPECT_EQ(s.key, "speed");
    EXPECT_EQ(s.value, "115200");

    s = split("name=\"a\"b=c\"\n");  // inner quote and '=' belong to the value
    EXPECT_EQ(s.key, "name");
    EXPECT_EQ(s.value, "a\"b=c");

    s = split("speed =\"1\"\n");  // blanks are kept in the key
    EXPECT_EQ(s.key, "speed ");

    s = split("phone=\"\"\n");
    EXPECT_EQ(s.rc, 0);
    EXPECT_EQ(s.value, "");
}

TEST(SplitSettingLine, LinesOutsideTheSyntaxAreRefused) {
    EXPECT_EQ(split("\n").rc, -1);
    EXPECT_EQ(split("no equals \"x\"\n").rc, -1);
    EXPECT_EQ(split("key=\"one quote\n").rc, -1);
    EXPECT_EQ(split("key=value\n").rc, -1);
    std::string long_key(128, 'k');
    EXPECT_EQ(split((long_key + "=\"v\"").c_str()).rc, -1);
    std::string long_value = "k=\"" + std::string(128, 'v') + "\"";
    EXPECT_EQ(split(long_value.c_str()).rc, -1);
    std::string fits = "k=\"" + std::string(127, 'v') + "\"";
    EXPECT_EQ(split(fits.c_str()).rc, 0);
}

TEST(ForEachSetting, LongLineIsReadAsPieces) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    // 300 characters: the first 255 form one piece (no closing quote, so it
    // is skipped), the rest is a line of its own.
    std::string line = "a=\"" + std::string(251, 'x') + "\"" + "b=\"tail\"" + std::string(37, ' ') + "\n";
    std::fputs(line.c_str(), f);
    std::fputs("c=\"3\"\n", f);
    std::rewind(f);
    std::string seen;
    for_each_setting(f, [&](const char* k, const char* v) { seen += std::string(k) + ":" + v + ";"; });
    std::fclose(f);
    EXPECT_EQ(seen, "b:tail;c:3;");
}

using StatusFile = ScratchFile;

TEST_F(StatusFile, ReadsAnyOrderKeepsAbsentValues) {
    put(path, "junk=\"9\"\ndial_status=\"3\"\n\ncom_status=\"6\"\n");
    LinkStatus st;
    st.prog_status = 7;
    EXPECT_EQ(read_status(st, path), 0);
    EXPECT_EQ(st.com_status, 6);
    EXPECT_EQ(st.prog_status, 7);
    EXPECT_EQ(st.dial_status, 3);
}

TEST_F(StatusFile, WritesThreeLinesInOrder) {
    LinkStatus st{0, 1, 3};
    EXPECT_EQ(write_status(st, path), 0);
    EXPECT_EQ(slurp(path), "com_status=\"0\"\nprog_status=\"1\"\ndial_status=\"3\"\n");
}

TEST(StatusFileErrors, UnreadableAndUnwritableReportThePath) {
    LinkStatus st{1, 2, 3};
    EXPECT_EQ(stdout_of([&] {
                  EXPECT_EQ(read_status(st, "/nonexistent/ppp.stat"), -1);
                  EXPECT_EQ(write_status(st, "/nonexistent/ppp.stat"), -1);
              }),
              "can't open /nonexistent/ppp.stat\ncan't open /nonexistent/ppp.stat\n");
    EXPECT_EQ(st.prog_status, 2);
}

}  // namespace
