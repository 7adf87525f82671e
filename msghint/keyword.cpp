#include "keyword.h"

#include <cstdlib>
#include <cstring>

#include "keytree.h"

KeyCord* key_first = nullptr;
char* strtmp[kCaptureCount] = {};
int strtmpnum = 0;

namespace {
char* capture_block = nullptr;
}

int setkeycord(const char* keyword, const char* answer, const int lengths[2]) {
    KeyCord* rec = static_cast<KeyCord*>(std::malloc(sizeof(KeyCord)));
    if (!rec) return 0;
    const size_t klen = static_cast<size_t>(lengths[0]);
    const size_t alen = static_cast<size_t>(lengths[1]);
    char* texts = static_cast<char*>(std::malloc(klen + 1 + alen + 1));
    if (!texts) {
        std::free(rec);
        return 0;
    }
    std::memcpy(texts, keyword, klen);
    texts[klen] = '\0';
    std::memcpy(texts + klen + 1, answer, alen);
    texts[klen + 1 + alen] = '\0';
    rec->keyword = texts;
    rec->answer = texts + klen + 1;
    rec->next = key_first;
    key_first = rec;
    return 1;
}

void freekeycords() {
    dropkeytree();
    while (KeyCord* rec = key_first) {
        key_first = rec->next;
        std::free(rec->keyword);
        std::free(rec);
    }
}

bool getcaptures() {
    if (capture_block) return true;
    capture_block = static_cast<char*>(std::malloc(kCaptureCount * kCaptureSize));
    if (!capture_block) return false;
    for (int i = 0; i < kCaptureCount; ++i) {
        strtmp[i] = capture_block + i * kCaptureSize;
        strtmp[i][0] = '\0';
    }
    return true;
}

void dropcaptures() {
    std::free(capture_block);
    capture_block = nullptr;
    for (char*& s : strtmp) s = nullptr;
    strtmpnum = 0;
}

int matchkeyword(const char* k, const char* t, char* const* cap) {
    int n = 0;
    while (*k) {
        if (*k == '$' && n < kCaptureCount) {
            // The character after '$' ends the capture; matching then goes
            // on with that character as an ordinary keyword character.
            const char term = k[1];
            int len = 0;
            for (; *t && *t != term; ++t)
                if (len < kCaptureSize - 1) cap[n][len++] = *t;
            cap[n][len] = '\0';
            ++n;
            ++k;
            continue;
        }
        // A lone backslash at the very end has nothing to escape and
        // stands for itself.
        if (*k == '\\' && k[1]) ++k;
        if (*k != *t) return -1;
        ++k;
        ++t;
    }
    return n;
}

const KeyCord* searchkeycord(const char* text) {
    if (keytreebuilt()) return findkeycord(text);
    for (const KeyCord* rec = key_first; rec; rec = rec->next) {
        int n = matchkeyword(rec->keyword, text, strtmp);
        if (n >= 0) {
            strtmpnum = n;
            return rec;
        }
    }
    return nullptr;
}
