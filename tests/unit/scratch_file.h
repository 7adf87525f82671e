// A temporary file for tests of code that reads and writes whole files.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

class ScratchFile : public ::testing::Test {
protected:
    char path[64] = "/tmp/scratchXXXXXX";

    void SetUp() override {
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    void TearDown() override { std::remove(path); }

    void put(const char* text) {
        FILE* f = std::fopen(path, "w");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
    }
    std::string get() {
        std::string s;
        FILE* f = std::fopen(path, "r");
        if (!f) return "(missing)";
        for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
        std::fclose(f);
        return s;
    }
};
