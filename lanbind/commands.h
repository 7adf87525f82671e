// lanbind's command line: words read from left to right, each command
// taking the words after it as its arguments.
#pragma once

enum class Command {
    debug,
    exempt,
    help,
    list,
    policy,
    path_cost,
    priority,
    port_priority,
    port,
    start,
    stop,
    statistics,
    status,
    unknown,
};

// The word without its leading '-' and '/' characters.
const char* strip_word(const char* word);

// The command a stripped word selects; `two_on` is the word two places
// after it on the line, or nullptr when the line is shorter.
Command select_command(const char* word, const char* two_on);

// Runs every command of the line in turn and stops at the first that
// fails. Returns the exit status: 0, or 1 after a failed command.
int run_commands(int sock, int count, char* const* words);
