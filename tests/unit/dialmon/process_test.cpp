#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "process.h"
#include "test_support.h"

namespace {

using PidFile = ScratchFile;

TEST_F(PidFile, NumbersAndWhatCountsAsNone) {
    struct Row {
        const char* text;
        int pid;
    } rows[] = {{"", 0}, {"1234\n", 1234}, {"-5\n", 0}, {"x\n", 0}, {" 77", 77},
                // Beyond the int range, the nearest end, as on the appliance: never
                // pid 1, as a 64-bit value cut to 32 bits would give.
                {"4294967297\n", 2147483647}, {"-4294967295\n", 0}};
    for (const Row& r : rows) {
        put(path, r.text);
        EXPECT_EQ(read_pid_file(path), r.pid) << r.text;
    }
    std::remove(path);
    EXPECT_EQ(read_pid_file(path), 0);
}

// A daemon stand-in in a child process: claims the pid file at `path`, writes
// its pid, optionally lets a forked child of its own get SIGTERM first, tells
// the test through a pipe, then waits for its end.
class Claimers : public ::testing::Test {
protected:
    char dir[64] = "/tmp/claimXXXXXX";
    std::string path;
    std::vector<pid_t> started;

    void SetUp() override {
        ASSERT_NE(mkdtemp(dir), nullptr);
        path = std::string(dir) + "/dialmon.pid";
    }
    void TearDown() override {
        for (pid_t pid : started)
            if (pid > 0) kill(pid, SIGKILL);
        for (pid_t pid : started)
            if (pid > 0) waitpid(pid, nullptr, 0);
        std::remove(path.c_str());
        rmdir(dir);
    }

    pid_t start(bool term_reaches_a_child = false) {
        int ready[2];
        if (pipe(ready) != 0) return -1;
        pid_t pid = fork();
        if (pid == 0) {
            install_handlers();
            claim_pid_file(path.c_str());
            write_pid_file(getpid());
            if (term_reaches_a_child) {
                // The daemon's handler runs in a forked child before it has
                // put back the defaults.
                pid_t child = fork();
                if (child == 0) {
                    raise(SIGTERM);
                    _exit(3);
                }
                waitpid(child, nullptr, 0);
            }
            char byte = 1;
            if (write(ready[1], &byte, 1) != 1) _exit(2);
            for (;;) pause();
        }
        close(ready[1]);
        started.push_back(pid);
        pollfd pfd{ready[0], POLLIN, 0};
        char byte = 0;
        bool ok = poll(&pfd, 1, 10000) == 1 && read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        return ok ? pid : -1;
    }

    // How the claimer ended: its exit status, or -1.
    int ended(pid_t pid) {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid) return -1;
        for (pid_t& p : started)
            if (p == pid) p = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(Claimers, AStarterTakesOverFromTheHolderWhichRemovesOnlyItsOwnFile) {
    pid_t first = start();
    ASSERT_GT(first, 0);
    EXPECT_EQ(slurp(path), std::to_string(first) + "\n");
    pid_t second = start();
    ASSERT_GT(second, 0);
    EXPECT_EQ(ended(first), 0);  // by SIGTERM, through the handler
    EXPECT_EQ(slurp(path), std::to_string(second) + "\n");
    kill(second, SIGTERM);
    EXPECT_EQ(ended(second), 0);
    EXPECT_EQ(slurp(path), "(missing)");
}

// Several started at once: each signals at most one other, so one stays
// within a fraction of a second (not a second per takeover), and the file
// names it once its once-a-second look at the file has been (each child
// looks as the daemon's loop does: the claimant that lost may have written
// its pid last).
TEST_F(Claimers, OfSeveralStartedAtOnceOneStaysAtOnce) {
    constexpr int kCount = 5;
    std::int64_t t0 = now_ms();
    for (int i = 0; i < kCount; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            install_handlers();
            claim_pid_file(path.c_str());
            write_pid_file(getpid());
            for (;;) {
                sleep(1);
                if (!keep_pid_file()) _exit(0);
            }
        }
        started.push_back(pid);
    }
    int ended_count = 0;
    while (ended_count < kCount - 1 && now_ms() - t0 < 5000) {
        for (pid_t& pid : started) {
            int status = 0;
            if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                pid = 0;
                ++ended_count;
            }
        }
        usleep(10 * 1000);
    }
    EXPECT_EQ(ended_count, kCount - 1);
    EXPECT_LT(now_ms() - t0, 1000);
    usleep(1500 * 1000);
    pid_t stayed = 0;
    for (pid_t pid : started)
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) stayed = pid;
    ASSERT_GT(stayed, 0);
    EXPECT_EQ(slurp(path), std::to_string(stayed) + "\n");
}

TEST_F(Claimers, SigtermKeepsAFileThatIsNotTheDaemonsOwn) {
    struct Row {
        const char* what;
        bool term_reaches_a_child;
        void (*spoil)(const std::string& path);
        const char* left;  // nullptr: the daemon's own pid
    } rows[] = {
        {"a child of the daemon ends by the handler", true, nullptr, nullptr},
        {"the file was written over", false, [](const std::string& p) { put(p, "999\n"); }, "999\n"},
        {"the file was replaced",
         false,
         [](const std::string& p) {
             std::remove(p.c_str());
             put(p, "999\n");
         },
         "999\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        pid_t daemon = start(r.term_reaches_a_child);
        ASSERT_GT(daemon, 0);
        if (r.spoil) r.spoil(path);
        std::string own = std::to_string(daemon) + "\n";
        EXPECT_EQ(slurp(path), r.left ? r.left : own.c_str());
        kill(daemon, SIGTERM);
        EXPECT_EQ(ended(daemon), 0);
        EXPECT_EQ(slurp(path), r.left ? r.left : "(missing)");
        std::remove(path.c_str());
    }
}

// The one wait: the deadline, a command or a child's end, whichever comes first.
class Waits : public ::testing::Test {
protected:
    static void SetUpTestSuite() { install_handlers(); }
    void SetUp() override { command_signalled(); }
};

TEST_F(Waits, EndAtTheDeadlineOrAtOnceForACommandOrAChild) {
    std::int64_t t0 = now_ms();
    wait_until(t0 + 150);
    EXPECT_GE(now_ms() - t0, 150);

    // A command that comes while waiting, and one that was already waiting.
    pid_t sender = fork();
    if (sender == 0) {
        usleep(100 * 1000);
        kill(getppid(), SIGUSR1);
        _exit(0);
    }
    t0 = now_ms();
    while (!command_waiting() && now_ms() - t0 < 10000) wait_until(t0 + 10000);
    EXPECT_LT(now_ms() - t0, 5000);
    EXPECT_TRUE(command_signalled());
    EXPECT_FALSE(command_signalled());
    while (reap_one() != sender) wait_until(now_ms() + 1000);

    char sh[] = "/bin/sh", c[] = "-c", cmd[] = "sleep 0.2";
    char* argv[] = {sh, c, cmd, nullptr};
    pid_t child = spawn(argv, true);
    ASSERT_GT(child, 0);
    EXPECT_EQ(getpgid(child), child);
    t0 = now_ms();
    pid_t ended = 0;
    while ((ended = reap_one()) == 0 && now_ms() - t0 < 10000) wait_until(-1);
    EXPECT_EQ(ended, child);
}

// Whatever the daemon came with (a blocked mask, an ignored SIGPIPE, the
// environment of a setup page's request), its children start clean.
TEST_F(Waits, ChildrenStartWithNoMaskDefaultSignalsAndTheFixedEnvironment) {
    sigset_t blocked, before;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR2);
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, &before);
    signal(SIGPIPE, SIG_IGN);
    setenv("REMOTE_USER", "bob", 1);

    // Straight into the programs: a shell would change the mask itself.
    char grep[] = "/bin/grep", pattern[] = "^Sig\\(Blk\\|Ign\\)", status[] = "/proc/self/status";
    char* grep_argv[] = {grep, pattern, status, nullptr};
    char env[] = "/usr/bin/env";
    char* env_argv[] = {env, nullptr};
    std::string text = stdout_of([&] {
        pid_t children[] = {spawn(grep_argv, false), spawn(env_argv, false)};
        for (pid_t child : children) {
            EXPECT_GT(child, 0);
            if (child > 0) waitpid(child, nullptr, 0);
        }
    });
    sigprocmask(SIG_SETMASK, &before, nullptr);
    signal(SIGPIPE, SIG_DFL);
    unsetenv("REMOTE_USER");

    EXPECT_NE(text.find("SigBlk:\t0000000000000000\n"), std::string::npos) << text;
    std::size_t ign = text.find("SigIgn:\t");
    ASSERT_NE(ign, std::string::npos) << text;
    unsigned long long ignored = std::strtoull(text.c_str() + ign + 8, nullptr, 16);
    EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0u) << text;
    EXPECT_NE(text.find(std::string(kChildPath) + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("REMOTE_USER"), std::string::npos) << text;
}

}  // namespace
