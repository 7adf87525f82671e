// lanbind's command line: words read from left to right, each command
// taking the words after it as its arguments.
#pragma once
#include <cstdint>

struct CommandRow;

// What a command's handler gets: the bridge socket, its own row, and the
// argument words it takes.
struct Call {
    int sock;
    const CommandRow& row;
    int count;
    char* const* args;
};

// Argument words a command takes beyond a plain count.
constexpr int kRest = -1;      // every remaining word
constexpr int kOptional = -2;  // the next word when there is one

// The further test of a selection rule, beyond the first character.
constexpr int kFirstOnly = -1;  // none: the first character decides
constexpr int kTwoOn = -2;      // the first character of the word two places on

// In place of a request code: the argument word chooses the code, or the
// command sends no request.
constexpr std::uint32_t kByWord = 0;
constexpr std::uint32_t kNoRequest = 0;

// One command: how a word selects it, what it takes and sends, and the
// handler that does it. Its handler returns 0, or -1 when the line must end
// with status 1.
struct CommandRow {
    char first;       // the word's first character
    int pos;          // the further test: a character position, kFirstOnly or kTwoOn
    char at;          // the character the further test looks for
    const char* name; // as "Missing argument for" names it
    int words;        // argument words taken: a count, kRest or kOptional
    std::uint32_t code;
    int (*run)(const Call& call);
    const char* message;  // printed on success, where the handler uses one
};

// The word without its leading '-' and '/' characters.
const char* strip_word(const char* word);

// The row a stripped word selects, or nullptr; `two_on` is the word two
// places after it on the line, or nullptr when the line is shorter.
const CommandRow* select_command(const char* word, const char* two_on);

// Runs every command of the line in turn and stops at the first that
// fails. Returns the exit status: 0, or 1 after a failed command.
int run_commands(int sock, int count, char* const* words);
