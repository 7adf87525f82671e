#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>

#include "logscan.h"
#include "plain.h"
#include "support.h"

namespace {

std::string stamp(const char* line) {
    LogFields f = splitlogline(line);
    return std::string(f.stamp, static_cast<size_t>(f.stamp_len));
}
std::string text(const char* line) { return splitlogline(line).text; }

TEST(SplitLogLine, StampIsThreeFieldsTextFollowsTheFourthRunsFirstBlank) {
    const char* line = "Dec  7 11:35:49 ap kernel: eth0: link up";
    EXPECT_EQ(stamp(line), "Dec  7 11:35:49");
    EXPECT_EQ(text(line), "kernel: eth0: link up");
    EXPECT_EQ(text("Dec 7 11:35:49 ap  \tkernel: x"), " \tkernel: x");
    EXPECT_EQ(stamp("Dec\t7\t\t11:35:49\t \tap\tx"), "Dec\t7\t\t11:35:49");
    EXPECT_EQ(text("Dec\t7\t\t11:35:49\t \tap\tx"), "x");
    // A leading blank starts the first run.
    EXPECT_EQ(stamp(" Dec 7 11:35:49 ap x"), " Dec 7");
    EXPECT_EQ(text(" Dec 7 11:35:49 ap x"), "ap x");
}

TEST(SplitLogLine, ShortLines) {
    EXPECT_EQ(stamp("Dec 7 11:35:49 ap"), "Dec 7 11:35:49");
    EXPECT_EQ(text("Dec 7 11:35:49 ap"), "");
    EXPECT_EQ(text("Dec 7 11:35:49 "), "");
    EXPECT_EQ(stamp("Dec 7 11:35:49 "), "Dec 7 11:35:49");
    EXPECT_EQ(stamp("Dec 7"), "Dec 7");
    EXPECT_EQ(stamp(""), "");
    EXPECT_EQ(text(""), "");
    EXPECT_EQ(text("a b c d "), "");
}

class Reader : public MsghintTest, public ::testing::WithParamInterface<bool> {
protected:
    // Both readers, or just the one under test, over the given log text.
    std::string run(const std::string& log, int* rc = nullptr) {
        std::string path = tempfile(log);
        if (GetParam()) return output([&](FILE* out) { return readlogs(path.c_str(), out); }, rc);
        return output([&](FILE* out) { return readlogs_plain(path.c_str(), out); }, rc);
    }
};

TEST_P(Reader, ExplainsMatchingLinesOnly) {
    load("\"kernel: $: link $\"  \"Interface $0 is $1\"");
    int rc = -1;
    EXPECT_EQ(run("Dec  7 11:35:49 ap kernel: eth0: link up\n"
                  "Dec  7 11:35:50 ap kernel: eth0 link up\n"
                  "Dec  7 11:35:51 ap kernel: wlan0: link down\n"
                  "Dec  7 11:35:52 ap kernel: eth1: link lost",
                  &rc),
              "Dec  7 11:35:49 : Interface eth0 is up\n"
              "Dec  7 11:35:51 : Interface wlan0 is down\n");
    EXPECT_EQ(rc, 1);
}

TEST_P(Reader, LongLinesKeepOnlyWhatFollowsTheirLastFull1024) {
    load("'' '[$0]' 'tail' 'tail line'");
    const std::string filler(1024, 'z');
    EXPECT_EQ(run(filler + "a b c d tail\n" + filler + filler + "\n" + filler.substr(1) + "\n" + "x y z w tail\n"),
              "a b c : tail line\n"
              " : [0]\n" +  // exactly 2048 characters: nothing is left of it
                  std::string(1023, 'z') + " : [0]\n" +
              "x y z : tail line\n");
}

TEST_P(Reader, UnreadableLogIsReported) {
    load("'' 'x'");
    // Missing, and a directory: it opens, but every read fails.
    for (const char* path : {"/nonexistent/messages", "/tmp"}) {
        int rc = -1;
        EXPECT_EQ(output([&](FILE* out) {
                      return GetParam() ? readlogs(path, out) : readlogs_plain(path, out);
                  },
                         &rc),
                  "")
            << path;
        EXPECT_EQ(rc, 0) << path;
    }
}

TEST_P(Reader, OutputThatCannotBeWrittenIsReported) {
    load("'' 'x'");
    std::string log;
    for (int i = 0; i < 20000; ++i) log += "Dec  7 11:35:49 ap kernel: eth0: link up\n";
    std::string path = tempfile(log);
    // A stream whose every write fails, as on a full disk (a cookie
    // stream reports a failed write by writing nothing).
    cookie_io_functions_t io{};
    io.write = [](void*, const char*, size_t) -> ssize_t {
        errno = ENOSPC;
        return 0;
    };
    FILE* out = fopencookie(nullptr, "w", io);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(GetParam() ? readlogs(path.c_str(), out) : readlogs_plain(path.c_str(), out), -1);
    std::fclose(out);
}

INSTANTIATE_TEST_SUITE_P(FastAndPlain, Reader, ::testing::Bool());

// Random keyword lists and logs built from a small alphabet rich in the
// characters that matter ('$', '\\', blanks, tabs, newlines), so keywords
// share beginnings, captures, escapes and terminators, and lines cross
// block and 1024 boundaries. The fast reader must print exactly what the
// plain one prints.
class Equality : public MsghintTest {
protected:
    std::mt19937 rng{20240607};
    std::string pick(const char* alphabet, int maxlen) {
        std::string s;
        int len = std::uniform_int_distribution<int>(0, maxlen)(rng);
        size_t n = strlen(alphabet);
        for (int i = 0; i < len; ++i) s += alphabet[std::uniform_int_distribution<size_t>(0, n - 1)(rng)];
        return s;
    }
};

TEST_F(Equality, FastReaderPrintsWhatThePlainReaderPrints) {
    const char* kwchars = "ab:$$$\\ ]x";
    const char* logchars = "ab:$\\ ]x\t";
    for (int round = 0; round < 60; ++round) {
        freekeycords();
        int nkeys = std::uniform_int_distribution<int>(0, 40)(rng);
        for (int i = 0; i < nkeys; ++i) {
            std::string k = pick(kwchars, 8), a = pick("A$0123456789$z", 6);
            int lens[2] = {static_cast<int>(k.size()), static_cast<int>(a.size())};
            setkeycord(k.c_str(), a.c_str(), lens);
        }
        std::string log;
        int nlines = std::uniform_int_distribution<int>(0, 200)(rng);
        for (int i = 0; i < nlines; ++i) {
            log += "M D T h " + pick(logchars, 14);
            if (std::uniform_int_distribution<int>(0, 40)(rng) == 0) log += std::string(1020, 'a') + pick(logchars, 20);
            if (std::uniform_int_distribution<int>(0, 60)(rng) == 0) log += '\0' + pick(logchars, 4);
            log += '\n';
        }
        log += pick(logchars, 5);
        std::string path = tempfile(log);
        std::string plain = output([&](FILE* out) { return readlogs_plain(path.c_str(), out); });
        std::string fast = output([&](FILE* out) { return readlogs(path.c_str(), out); });
        ASSERT_EQ(fast, plain) << "round " << round;
        // The block size of the fast reader changes nothing either.
        for (size_t chunk : {1u, 5u, 1024u, 1500u}) {
            ASSERT_TRUE(getcaptures());
            ASSERT_TRUE(buildkeytree());
            int fd = open(path.c_str(), O_RDONLY);
            std::string blocks = output([&](FILE* out) { scanlog(fd, out, chunk); return 0; });
            close(fd);
            ASSERT_EQ(blocks, plain) << "round " << round << " blocks of " << chunk;
        }
    }
}

}  // namespace
