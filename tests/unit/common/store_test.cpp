#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <dirent.h>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store.h"
#include "test_support.h"

namespace {

class ReplaceFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/store_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/settings";
    }
    void TearDown() override {
        std::string cmd = "rm -rf " + dir;
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    // The names in the directory, sorted, so a temporary file left over
    // shows. (readdir64: the inode numbers of the host's file systems do
    // not fit the i386 build's plain dirent.)
    std::string names() {
        std::vector<std::string> found;
        DIR* d = opendir(dir.c_str());
        while (dirent64* e = readdir64(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) found.push_back(e->d_name);
        closedir(d);
        std::sort(found.begin(), found.end());
        std::string all;
        for (const std::string& name : found) all += (all.empty() ? "" : " ") + name;
        return all;
    }
    static auto text_fill(const char* text) {
        return [text](std::FILE* f) { return std::fputs(text, f) < 0 ? -1 : 0; };
    }
    int replace(const std::string& p, const char* text) { return replace_file(p.c_str(), text_fill(text)); }
    std::string dir, path;
};

TEST_F(ReplaceFile, ReplacesWholeAndKeepsModeAndOwner) {
    ASSERT_EQ(replace(path, "first, and longer\n"), 0);
    EXPECT_EQ(slurp(path), "first, and longer\n");
    const bool root = geteuid() == 0;
    if (root) ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    // Set-user-ID and set-group-ID too, which a change of owner clears.
    ASSERT_EQ(chmod(path.c_str(), 06750), 0);
    ASSERT_EQ(replace_file(path.c_str(), text_fill("second\n"), Sync::none), 0);
    EXPECT_EQ(slurp(path), "second\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 06750u);
    if (root) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    EXPECT_EQ(names(), "settings");
}

TEST_F(ReplaceFile, NewFileGetsTheUsualMode) {
    mode_t old = umask(022);
    ASSERT_EQ(replace(path, "x"), 0);
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(ReplaceFile, FailuresLeaveTheOldFileAndNoTemporary) {
    ASSERT_EQ(replace(path, "old\n"), 0);
    auto half = [](std::FILE* f) {
        std::fputs("half", f);
        return -1;
    };
    EXPECT_EQ(replace_file(path.c_str(), half), -1);
    {
        Replacement r;  // ends without commit
        ASSERT_EQ(r.open(path.c_str()), 0);
        std::fputs("new\n", r.file());
        EXPECT_NE(names(), "settings");
    }
    EXPECT_EQ(slurp(path), "old\n");
    EXPECT_EQ(names(), "settings");

    std::string missing = dir + "/no/such/file";
    EXPECT_EQ(replace(missing, "x"), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(ReplaceFile, AWriteThatDoesNotGoInFailsTheCommit) {
    ASSERT_EQ(replace(path, "old\n"), 0);
    // A file size limit makes the writes fail for real, as a full disk does;
    // SIGXFSZ, left at its default action, must not end the program.
    struct rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    struct rlimit small = old_limit;
    small.rlim_cur = 2;
    auto old_handler = std::signal(SIGXFSZ, SIG_DFL);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // fill() itself sees nothing: the text sits in the stream's buffer.
    const int rc = replace(path, "a longer text\n");
    const int err = errno;
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(slurp(path), "old\n");
    EXPECT_EQ(names(), "settings");
}

TEST_F(ReplaceFile, SymbolicLinksAreFollowedToTheFileTheyName) {
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0755), 0);
    ASSERT_EQ(replace(dir + "/real/target", "old\n"), 0);
    struct Case {
        const char* link;
        const char* to;
    };
    // Relative to the link's directory, absolute, a chain, and a link to a
    // file not made yet.
    const Case cases[] = {
        {"rel", "real/target"},
        {"abs", nullptr},
        {"chain", "rel"},
        {"dangling", "real/later"},
    };
    for (const Case& c : cases) {
        std::string link = dir + "/" + c.link;
        std::string to = c.to ? c.to : dir + "/real/target";
        ASSERT_EQ(symlink(to.c_str(), link.c_str()), 0);
        ASSERT_EQ(replace(link, c.link), 0) << c.link;
        struct stat st;
        ASSERT_EQ(lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.link;
        EXPECT_EQ(slurp(link), c.link);
    }
    EXPECT_EQ(slurp(dir + "/real/target"), "chain");
    EXPECT_EQ(slurp(dir + "/real/later"), "dangling");
    EXPECT_EQ(names(), "abs chain dangling real rel");

    ASSERT_EQ(symlink("loop", (dir + "/loop").c_str()), 0);
    EXPECT_EQ(replace(dir + "/loop", "x"), -1);
    EXPECT_EQ(errno, ELOOP);
}

TEST_F(ReplaceFile, WhatIsNoPlainFileIsNotReplaced) {
    std::string sub = dir + "/sub", fifo = dir + "/fifo";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(replace(sub, "x"), -1);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(replace(fifo, "x"), -1);
    struct stat st;
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(names(), "fifo sub");
}

// How a child that runs `body` ended: "exit N" or "signal N".
template <typename F>
std::string in_child(F body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                               : "exit " + std::to_string(WEXITSTATUS(status));
}

TEST_F(ReplaceFile, ATerminationSignalWhileFillingAbandonsTheNewFileAndEndsTheProgram) {
    ASSERT_EQ(replace(path, "old\n"), 0);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGALRM}) {
        const std::string how = in_child([&] {
            auto fill = [sig](std::FILE* f) {
                std::fputs("the first part", f);
                std::fflush(f);
                raise(sig);  // acted on now, not after the rename
                std::fputs("new\n", f);
                return 0;
            };
            replace_file(path.c_str(), fill);
            return 0;
        });
        EXPECT_EQ(how, "signal " + std::to_string(sig));
        EXPECT_EQ(slurp(path), "old\n") << sig;
        EXPECT_EQ(names(), "settings") << sig;
    }
}

TEST_F(ReplaceFile, ABrokenPipeWhileFillingIsAWriteFailure) {
    ASSERT_EQ(replace(path, "old\n"), 0);
    const std::string how = in_child([&] {
        int p[2];
        if (pipe(p) != 0) return 9;
        close(p[0]);
        auto fill = [&p](std::FILE* f) {
            std::fputs("x", f);
            return write(p[1], "x", 1) == 1 ? 0 : -1;  // EPIPE, not the end of the program
        };
        return replace_file(path.c_str(), fill) == -1 && errno == EPIPE ? 1 : 0;
    });
    EXPECT_EQ(how, "exit 1");
    EXPECT_EQ(slurp(path), "old\n");
    EXPECT_EQ(names(), "settings");
    struct sigaction now {};
    sigaction(SIGPIPE, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);  // given back after a replacement
}

volatile sig_atomic_t got_term = 0;
void on_term(int) { got_term = 1; }

TEST_F(ReplaceFile, ASignalTheProgramHandlesIsLeftToIt) {
    struct sigaction sa {}, old {};
    sa.sa_handler = on_term;
    ASSERT_EQ(sigaction(SIGTERM, &sa, &old), 0);
    got_term = 0;
    auto fill = [](std::FILE* f) {
        raise(SIGTERM);
        if (!got_term) return -1;  // the program's handler runs at once
        return std::fputs("new\n", f) < 0 ? -1 : 0;
    };
    EXPECT_EQ(replace_file(path.c_str(), fill), 0);
    EXPECT_EQ(slurp(path), "new\n");
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, on_term);

    got_term = 0;
    {
        TerminationHold outer;
        {
            TerminationHold inner;
            raise(SIGTERM);
        }
        EXPECT_EQ(got_term, 0);  // holds nest
    }
    EXPECT_EQ(got_term, 1);
    sigaction(SIGTERM, &old, nullptr);
}

TEST_F(ReplaceFile, OnlyTheNewFilesOfEndedRunsAreCleanedAway) {
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended), alive = std::to_string(getppid());
    const char* made[] = {
        "settings.backup", "settings.200101", ".settings.a1B2c3", ".~x.a1B2c3.settings~new",
        ".~.a1B2c3.settings~new", ".~-1.a1B2c3.settings~new",
    };
    for (const char* name : made) ASSERT_EQ(replace(dir + "/" + name, "keep"), 0);
    const std::string alive_one = ".~" + alive + ".a1B2c3.settings~new";
    for (const std::string& name : {".~" + dead + ".a1B2c3.settings~new", ".~" + dead + ".zZ9.-_.other.name~new",
                                    alive_one})
        put(dir + "/" + name, "");
    ASSERT_EQ(replace(path, "new\n"), 0);
    EXPECT_EQ(names(), ".settings.a1B2c3 .~-1.a1B2c3.settings~new .~.a1B2c3.settings~new " + alive_one +
                           " .~x.a1B2c3.settings~new settings settings.200101 settings.backup");
}

}  // namespace
