#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "command.h"
#include "test_support.h"

namespace {

using DialctlFiles = ScratchFile;

TEST(Words, EveryCodeHasItsWordWhichReadsBackAsItsCode) {
    const char* words[] = {nullptr, "start", "stop", "test 1", "test 2", "test 3",
                           "test 4", "test 5", "restart", "exit"};
    for (int code = 0; code <= 10; ++code) {
        const char* word = command_word(code);
        EXPECT_STREQ(word, code <= 9 ? words[code] : nullptr) << code;
        // Everything but exit reads back as its own code.
        if (word) EXPECT_EQ(command_code(word), code == CMD_EXIT ? CMD_NONE : code) << word;
    }
    EXPECT_EQ(command_code(""), CMD_NONE);  // an empty file holds no word
}

TEST(Words, LinesAreComparedByTheirBeginning) {
    struct Row {
        const char* line;
        int code;
    } rows[] = {
        {"startx", CMD_START},  {"stop\n", CMD_STOP},  {"test 0", CMD_NONE},
        {"test 6", CMD_NONE},   {"test", CMD_NONE},    {"test x", CMD_NONE},
        {"restart!", CMD_RESTART}, {" start", CMD_NONE}, {"START", CMD_NONE},
        {"test5", CMD_TEST1 + 4}, {"test \t2", CMD_TEST1 + 1},
        // Beyond the int range a number is no test number, on any word size.
        {"test 4294967297", CMD_NONE}, {"test -4294967291", CMD_NONE},
    };
    for (const Row& r : rows) EXPECT_EQ(command_code(r.line), r.code) << r.line;
}

TEST_F(DialctlFiles, FindDaemonNeedsALiveDialmon) {
    EXPECT_EQ(find_daemon("/nonexistent/dialmon.pid"), -1);
    for (const char* text : {"", "0\n", "-3\n", "abc\n"}) {
        put(path, text);
        EXPECT_EQ(find_daemon(path), 0) << text;
    }
    // A live process whose program path does not name dialmon (an argument
    // that does is not looked at).
    pid_t other = fork();
    if (other == 0) {
        execl("/bin/sleep", "sleep", "10", "dialmon", static_cast<char*>(nullptr));
        _exit(1);
    }
    ASSERT_GT(other, 0);
    // Until the exec has happened the child still runs this test program.
    std::string cmdline = "/proc/" + std::to_string(other) + "/cmdline";
    for (int i = 0; i < 100; ++i) {
        char first[8] = {};
        if (FILE* f = std::fopen(cmdline.c_str(), "r")) {
            if (!std::fgets(first, sizeof first, f)) first[0] = '\0';
            std::fclose(f);
        }
        if (std::string(first) == "sleep") break;
        usleep(10000);
    }
    put(path, std::to_string(other) + "\n");
    EXPECT_EQ(find_daemon(path), 0);
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
}

}  // namespace
