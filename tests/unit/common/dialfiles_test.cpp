#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "dialfiles.h"
#include "test_support.h"

namespace {

using CommandFileTest = ScratchFile;

TEST_F(CommandFileTest, ReadsTheFirstLineAndReplacesTheWhole) {
    put(path, "restart\nsecond line");
    CommandFile file(CommandFile::wait, path);
    ASSERT_TRUE(file.open());
    char line[256];
    ASSERT_EQ(file.read(line), 0);
    EXPECT_STREQ(line, "restart\n");
    ASSERT_EQ(file.write("stop"), 0);
    EXPECT_EQ(slurp(path), "stop");
    ASSERT_EQ(file.write(nullptr), 0);
    EXPECT_EQ(slurp(path), "");
    ASSERT_EQ(file.read(line), 0);
    EXPECT_STREQ(line, "");

    CommandFile nowhere(CommandFile::wait, "/nonexistent/ppp.cmd");
    EXPECT_FALSE(nowhere.open());
    EXPECT_EQ(nowhere.read(line), -1);
    EXPECT_EQ(nowhere.write("start"), -1);
}

// One writer at a time: while another process holds the file, a try finds
// it busy and a wait lasts until the holder lets go.
TEST_F(CommandFileTest, OneHolderAtATime) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    if (holder == 0) {
        CommandFile file(CommandFile::wait, path);
        file.write("stop");
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1) _exit(2);
        usleep(300 * 1000);
        _exit(file.open() ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    {
        CommandFile attempt(CommandFile::try_once, path);
        EXPECT_TRUE(attempt.busy());
        EXPECT_FALSE(attempt.open());
    }
    auto t0 = std::chrono::steady_clock::now();
    CommandFile file(CommandFile::wait, path);
    EXPECT_FALSE(file.busy());
    // The wait lasted until the holder let go (it held the file 300 ms).
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(200));
    int status = -1;
    EXPECT_EQ(waitpid(holder, &status, 0), holder);
    EXPECT_EQ(status, 0);
    char line[256];
    ASSERT_EQ(file.read(line), 0);
    EXPECT_STREQ(line, "stop");
    close(ready[0]);
    close(ready[1]);
}

}  // namespace
