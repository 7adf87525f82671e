// The configuration stream: quoted strings taken in pairs, '#' comments.
#pragma once
#include <cstddef>

#include "keyword.h"

// The reader's state carries over from one block to the next, so a file
// may be fed in blocks of any size.
class ConfReader {
public:
    // Takes n characters; every pair completed calls setkeycord.
    void feed(const char* data, size_t n);

private:
    enum class State { outside, in_string, in_comment };
    State state_ = State::outside;
    char quote_ = 0;
    int index_ = 0;  // which string of the pair is being read
    int len_ = 0;
    int lens_[2] = {0, 0};
    char str_[2][kStringMax + 1] = {};
};

// Reads the configuration file into key_first. Returns 0, with the list
// empty, when the file cannot be opened or read (a directory, a read error),
// else 1.
int readconf(const char* path);
