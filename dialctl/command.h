// The command codes of dialctl and how it finds the daemon. The command
// file, the pid file and the words are shared with dialmon (dialfiles.h).
#pragma once
#include "dialfiles.h"

// The numeric form of a command word.
enum CommandCode : int {
    CMD_NONE = 0,
    CMD_START = 1,
    CMD_STOP = 2,
    CMD_TEST1 = 3,  // "test 1" .. "test 5" are 3 .. 7
    CMD_TEST5 = 7,
    CMD_RESTART = 8,
    CMD_EXIT = 9,
};

// The word written for a code; nullptr outside 1..9.
const char* command_word(int code);

// The code of a command-file line, by its beginning ("exit" is not read
// back: it gives 0, like an empty line).
int command_code(const char* line);

// The pid of the running dialmon; 0 when the pid file names no live dialmon,
// -1 when the pid file does not open.
int find_daemon(const char* pid_path = kDialmonPidPath);
