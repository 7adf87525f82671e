// Shared by the msghint tests: a keyword list loaded from text, and the
// readers' output collected in a string.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <unistd.h>

#include "config.h"
#include "keytree.h"
#include "keyword.h"
#include "test_support.h"

// Every test starts and ends with an empty list and no capture block.
class MsghintTest : public ::testing::Test {
protected:
    void SetUp() override { freekeycords(); }
    void TearDown() override {
        freekeycords();
        dropcaptures();
        for (const std::string& p : files_) unlink(p.c_str());
    }

    static void load(const std::string& conf) {
        ConfReader r;
        r.feed(conf.data(), conf.size());
    }

    std::string tempfile(const std::string& content) {
        char path[] = "/tmp/msghint_test.XXXXXX";
        int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        close(fd);
        files_.push_back(path);
        return path;
    }

    // Runs a reader with its output going into a string.
    template <typename Reader>
    static std::string output(Reader reader, int* rc = nullptr) {
        return output_of([&](FILE* out) {
            int r = reader(out);
            if (rc) *rc = r;
        });
    }

private:
    std::vector<std::string> files_;
};
