#include "config.h"

#include <cstdio>

#include "owned.h"

void ConfReader::feed(const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char c = data[i];
        switch (state_) {
        case State::outside:
            if (c == '#') {
                state_ = State::in_comment;
            } else if (c == '"' || c == '\'') {
                state_ = State::in_string;
                quote_ = c;
                len_ = 0;
            }
            break;
        case State::in_string:
            if (c == quote_) {
                str_[index_][len_] = '\0';
                lens_[index_] = len_;
                state_ = State::outside;
                if (++index_ == 2) {
                    setkeycord(str_[0], str_[1], lens_);
                    index_ = 0;
                }
            } else if (c == '\n') {
                // An unfinished string and a keyword still waiting for
                // its answer are both given up.
                state_ = State::outside;
                index_ = 0;
            } else if (len_ < kStringMax) {
                str_[index_][len_++] = c;
            }
            // Characters past kStringMax are dropped: the string is cut.
            break;
        case State::in_comment:
            if (c == '\n') {
                state_ = State::outside;
                index_ = 0;
            }
            break;
        }
    }
}

int readconf(const char* path) {
    File f(path, "r");
    if (!f) return 0;
    ConfReader reader;
    char block[1024];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, f.get())) > 0) reader.feed(block, got);
    if (std::ferror(f.get())) {
        // A file that cannot be read whole counts as one that cannot be
        // opened: no keywords at all, rather than some of them.
        freekeycords();
        return 0;
    }
    return 1;
}
