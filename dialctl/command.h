// The command file that dialctl writes and dialmon reads, and the pid file
// through which dialctl finds the daemon.
#pragma once

constexpr const char* kCommandPath = "/etc/ppp/ppp.cmd";
constexpr const char* kDaemonPidPath = "/var/run/dialmon.pid";

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

// The code of the command file's first line, or -1 when it does not open.
int read_command(const char* path = kCommandPath);

// Empties the command file and writes the word of `code` (nothing for a
// code outside 1..9), without a newline. Returns -1 when it does not open.
int write_command(int code, const char* path = kCommandPath);

// The pid of the running dialmon; 0 when the pid file names no live dialmon,
// -1 when the pid file does not open.
int find_daemon(const char* pid_path = kDaemonPidPath);
