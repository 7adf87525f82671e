#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "modem.h"
#include "reply.h"
#include "settings.h"

namespace {

TEST(Settings, OnlyTheTableSpeedsAreRecognised) {
    EXPECT_EQ(speed_code(9600), 015u);
    EXPECT_EQ(speed_code(19200), 016u);
    EXPECT_EQ(speed_code(38400), 017u);
    EXPECT_EQ(speed_code(57600), 010001u);
    EXPECT_EQ(speed_code(115200), 010002u);
    for (int other : {0, 2400, 9601, -9600, 230400}) EXPECT_EQ(speed_code(other), 0u) << other;
}

TEST(Settings, RawEightBitLineWithFlowControlAndNothingElse) {
    const termios t = working_settings(B57600);
    EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(IGNPAR));
    EXPECT_EQ(t.c_oflag, 0u);
    EXPECT_EQ(t.c_cflag, 0x800008B0u | 010001u);
    EXPECT_EQ(t.c_lflag, 0u);
    for (std::size_t i = 0; i < NCCS; ++i) EXPECT_EQ(t.c_cc[i], i == VMIN ? 1 : 0) << i;
    EXPECT_EQ(working_settings(B0).c_cflag, 0x800008B0u);
    // Flow control off before the old settings go back.
    EXPECT_EQ(release_cflag(B9600), 0x8B0u | 015u);
}

TEST(Reply, TheCommandTakesACarriageReturnAndMustLeaveRoomForIt) {
    Reply buf;
    ASSERT_TRUE(set_command(buf, "AT&F E1"));
    EXPECT_STREQ(buf.text, "AT&F E1\r");
    EXPECT_EQ(buf.length, 8u);

    std::string longest(kReplySize - 1, 'A');
    ASSERT_TRUE(set_command(buf, longest.c_str()));
    EXPECT_EQ(buf.length, kReplySize);
    EXPECT_EQ(buf.text[kReplySize - 1], '\r');
    EXPECT_EQ(buf.text[kReplySize], '\0');
    EXPECT_FALSE(set_command(buf, (longest + "A").c_str()));
}

std::string stripped(const char* text) {
    static char out[kReplySize + 1];
    strip_returns(text, out);
    return out;
}

TEST(Reply, CarriageReturnsAreLeftOutOfThePrintedReply) {
    EXPECT_EQ(stripped("AT\r\r\nOK\r\n"), "AT\nOK\n");
    EXPECT_EQ(stripped("no returns\n"), "no returns\n");
    EXPECT_EQ(stripped("\r\r\r"), "");
    EXPECT_EQ(stripped(""), "");
}

// A modem on the other end of a socket pair: writes the pieces with the
// pauses between them, then keeps the line open `linger_ms` longer.
struct FakeModem {
    int ours;
    pid_t pid;
};

FakeModem start_modem(std::vector<std::string> pieces, int pause_ms, int linger_ms) {
    int sv[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(sv[0]);
        for (const std::string& p : pieces) {
            if (write(sv[1], p.data(), p.size()) < 0) _exit(1);
            usleep(pause_ms * 1000);
        }
        usleep(linger_ms * 1000);
        _exit(0);
    }
    close(sv[1]);
    return {sv[0], pid};
}

struct Collection {
    Collected result;
    std::string text;
    double seconds;
};

Collection collect(FakeModem m, int silence_ms) {
    Reply buf;
    auto start = std::chrono::steady_clock::now();
    Collected r = collect_reply(m.ours, buf, silence_ms);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(std::strlen(buf.text), buf.length);
    close(m.ours);
    kill(m.pid, SIGKILL);
    waitpid(m.pid, nullptr, 0);
    return {r, std::string(buf.text, buf.length), took.count()};
}

constexpr int kShortSilence = 400;  // ms

TEST(Collect, PiecesAreJoinedAndTheMarkerIsFoundAcrossReads) {
    // The modem keeps the line open for long after: only the marker can
    // end the collection early.
    for (auto pieces : {std::vector<std::string>{"ATI\r\r\nmodem\r", "\n\r\nO", "K\r", "\n"},
                        std::vector<std::string>{"AT\r\r", "\nOK\r\n"},
                        std::vector<std::string>{"AT\r\r\nOK\r", "\n"}}) {
        Collection c = collect(start_modem(pieces, 100, 3000), kShortSilence);
        std::string whole;
        for (const auto& p : pieces) whole += p;
        EXPECT_EQ(c.result, Collected::done);
        EXPECT_EQ(c.text, whole);
        EXPECT_LT(c.seconds, 1.5);
    }
}

TEST(Collect, SilenceIsCountedFromTheLastByte) {
    // Pieces 300 ms apart, each within the 400 ms silence: all of them
    // arrive, and the wait ends a silence after the last.
    Collection c = collect(start_modem({"\r\nERR", "OR", "\r\n"}, 300, 3000), kShortSilence);
    EXPECT_EQ(c.text, "\r\nERROR\r\n");
    EXPECT_GT(c.seconds, 0.6 + 0.35);
    EXPECT_LT(c.seconds, 2.0);
}

TEST(Collect, AnEndOfTheLineStopsTheCollectionAtOnce) {
    Collection c = collect(start_modem({"\r\nNO CARRIER\r\n"}, 0, 0), 3000);
    EXPECT_EQ(c.result, Collected::done);
    EXPECT_EQ(c.text, "\r\nNO CARRIER\r\n");
    EXPECT_LT(c.seconds, 2.0);
}

TEST(Collect, AFullBufferEndsTheCollection) {
    std::string flood(kReplySize + 500, 'x');
    Collection c = collect(start_modem({flood, "\r\nOK\r\n"}, 0, 3000), 3000);
    EXPECT_EQ(c.text, std::string(kReplySize, 'x'));
    EXPECT_LT(c.seconds, 2.0);
}

TEST(Collect, AWaitFailureIsReported) {
    Reply buf;
    const int gone = dup(2);
    close(gone);
    EXPECT_EQ(collect_reply(gone, buf, kShortSilence), Collected::wait_failed);
}

TEST(Collect, TheLineMayBeAtDescriptor1024OrAbove) {
    // A caller with many descriptors open hands down a high one.
    constexpr int kHigh = 1500;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max <= kHigh) GTEST_SKIP() << "descriptor limit";
    rlimit raised = saved;
    if (raised.rlim_cur != RLIM_INFINITY && raised.rlim_cur <= kHigh) raised.rlim_cur = kHigh + 1;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);

    FakeModem m = start_modem({"AT\r\r\nOK\r\n"}, 0, 3000);
    ASSERT_EQ(dup2(m.ours, kHigh), kHigh);
    close(m.ours);
    m.ours = kHigh;
    Collection c = collect(m, 3000);
    EXPECT_EQ(c.result, Collected::done);
    EXPECT_EQ(c.text, "AT\r\r\nOK\r\n");
    EXPECT_LT(c.seconds, 2.0);
    setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
