// What the unit tests share: the output of code caught in a string, whole
// files read and written, and a fixture with a temporary file.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// What fn(FILE*) writes to the stream it is given. Check fn's result
// inside fn: `output_of([&](FILE* f) { EXPECT_EQ(write_x(f), 0); })`.
template <typename Fn>
std::string output_of(Fn&& fn) {
    char* data = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&data, &size);
    if (!out) {
        ADD_FAILURE() << "open_memstream failed";
        return "";
    }
    fn(out);
    std::fclose(out);
    std::string s(data, size);
    std::free(data);
    return s;
}

// What fn() prints on the standard output or the standard error, caught at
// the descriptor: printf, perror and the children fn starts all count.
template <typename Fn>
std::string stdout_of(Fn&& fn) {
    testing::internal::CaptureStdout();
    fn();
    return testing::internal::GetCapturedStdout();
}

template <typename Fn>
std::string stderr_of(Fn&& fn) {
    testing::internal::CaptureStderr();
    fn();
    return testing::internal::GetCapturedStderr();
}

// The whole of a stream from its start.
inline std::string slurp(FILE* f) {
    std::string s;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
}

// The whole of a file, or "(missing)" when it cannot be opened.
inline std::string slurp(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return "(missing)";
    std::string s = slurp(f);
    std::fclose(f);
    return s;
}

// Makes `path` hold exactly `text`.
inline void put(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size()) << path;
    std::fclose(f);
}

// A fixture with an empty temporary file at `path`, removed afterwards.
class ScratchFile : public ::testing::Test {
protected:
    char path[64] = "/tmp/scratchXXXXXX";

    void SetUp() override {
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    void TearDown() override { std::remove(path); }
};
