#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "store.h"

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
    std::string content() {
        std::string s;
        if (std::FILE* f = std::fopen(path.c_str(), "r")) {
            int c;
            while ((c = std::fgetc(f)) != EOF) s += static_cast<char>(c);
            std::fclose(f);
        }
        return s;
    }
    int entries() {
        int n = 0;
        DIR* d = opendir(dir.c_str());
        while (dirent64* e = readdir64(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
        return n;
    }
    std::string dir, path;
};

int fill_text(std::FILE* f, const void* text) {
    std::fputs(static_cast<const char*>(text), f);
    return 0;
}
int fill_fails(std::FILE* f, const void*) {
    std::fputs("half", f);
    return -1;
}

TEST_F(ReplaceFile, ReplacesWholeAndKeepsTheMode) {
    ASSERT_EQ(replace_file(path.c_str(), fill_text, "first, and longer\n"), 0);
    EXPECT_EQ(content(), "first, and longer\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(replace_file(path.c_str(), fill_text, "second\n"), 0);
    EXPECT_EQ(content(), "second\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), 1);
}

TEST_F(ReplaceFile, AFailureLeavesTheOldFileAndNoTemporary) {
    ASSERT_EQ(replace_file(path.c_str(), fill_text, "old\n"), 0);
    EXPECT_EQ(replace_file(path.c_str(), fill_fails, nullptr), -1);
    EXPECT_EQ(content(), "old\n");
    EXPECT_EQ(entries(), 1);
    std::string missing = dir + "/no/such/file";
    EXPECT_EQ(replace_file(missing.c_str(), fill_text, "x"), -1);
}

TEST_F(ReplaceFile, NewFileGetsTheUsualMode) {
    mode_t old = umask(022);
    ASSERT_EQ(replace_file(path.c_str(), fill_text, "x"), 0);
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

}  // namespace
