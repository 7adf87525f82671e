// Keyword records, the capture buffers and the keyword language.
#pragma once
#include <cstddef>

constexpr int kStringMax = 1024;    // characters of one configuration string
constexpr int kCaptureCount = 10;   // strtmp[0] .. strtmp[9]
constexpr int kCaptureSize = 256;   // 255 characters and the terminating zero

struct KeyCord {
    KeyCord* next;
    char* keyword;
    char* answer;
};

// Newest pair first: the list runs from the last pair of the file to the first.
extern KeyCord* key_first;
extern char* strtmp[kCaptureCount];
extern int strtmpnum;

// Adds a record for one pair at the head of key_first; lengths are the
// keyword's and the answer's lengths. Returns 1, or 0 when memory ran out.
int setkeycord(const char* keyword, const char* answer, const int lengths[2]);
// Releases every record (the program itself never does; tests and fuzzers do).
void freekeycords();

// The capture block: ten buffers of 256 bytes in one allocation.
bool getcaptures();
void dropcaptures();

// Tries one keyword against text from its first character, writing the
// captures into cap[] as they are made. Returns the number of captures
// (0 to 10) when the keyword matches, -1 when it does not.
int matchkeyword(const char* keyword, const char* text, char* const* cap);

// The first record in list order whose keyword matches text, with
// strtmpnum and strtmp set from it; nullptr when none matches.
// Uses the keyword tree when one is built (see keytree.h).
const KeyCord* searchkeycord(const char* text);
