// Owners that close what they hold when they go out of scope.
#pragma once
#include <cstdio>
#include <unistd.h>

class File {
public:
    File() = default;
    File(const char* path, const char* mode) : f_(std::fopen(path, mode)) {}
    explicit File(FILE* f) : f_(f) {}
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    explicit operator bool() const { return f_ != nullptr; }
    FILE* get() const { return f_; }
    // Closes now; returns what fclose says (0 when all was written).
    int close() {
        int rc = 0;
        if (f_) rc = std::fclose(f_);
        f_ = nullptr;
        return rc;
    }

private:
    FILE* f_ = nullptr;
};

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    int get() const { return fd_; }
    int close() {
        int rc = 0;
        if (fd_ >= 0) rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_ = -1;
};
