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

// In place of a request code: the row holds none. Its handler sends the
// codes its argument word chooses (debug, port, stats), or no request at all
// (help, list, status).
constexpr std::uint32_t kNoRowCode = 0;

// One command: how a word selects it, what it takes and sends, the handler
// that does it, and its lines in the help text. Its handler returns 0, or -1
// when the line must end with status 1.
struct CommandRow {
    char first;       // the word's first character
    int pos;          // the further test: a character position, kFirstOnly or kTwoOn
    char at;          // the character the further test looks for
    const char* name; // as "Missing argument for" names it
    int words;        // argument words taken: a count, kRest or kOptional
    std::uint32_t code;   // the request the handler sends, or kNoRowCode
    int (*run)(const Call& call);
    const char* message;  // printed on success, where the handler uses one
    // The help text shows the rows' lines in the order of this place (1, 2,
    // ...), which is not the order in which the rows are tried; 0 for a row
    // that has no line there.
    int help_place;
    const char* help_lines;  // its lines, '\n' between them; nullptr with place 0
};

// The word without its leading '-' and '/' characters.
const char* strip_word(const char* word);

// The row a stripped word selects, or nullptr; `two_on` is the word two
// places after it on the line, or nullptr when the line is shorter.
const CommandRow* select_command(const char* word, const char* two_on);

// Runs every command of the line in turn and stops at the first that
// fails. Returns the exit status: 0, or 1 after a failed command.
int run_commands(int sock, int count, char* const* words);
