// Commands from dialctl: the command file, its words, and the one place
// where a command is taken and acted on.
#pragma once
#include <cstdint>

#include "daemon.h"

constexpr const char* kCommandPath = "/etc/ppp/ppp.cmd";

// The state a command-file line asks for. Words are searched anywhere in the
// line in the order restart, start, stop, test, exit; "test n" also sets
// test_entry (kept when no number follows) and gives STATE_IDLE for n
// outside 1..5. A line with none of the words gives STATE_IDLE.
DaemonState parse_command(const char* line, int& test_entry);

// Replaces the command file's content with `word` (no newline).
void write_command_file(const char* word);

// Takes every command that is waiting, each once: reads the word and sets
// the state, stops the DNS relay and the charging timer and, while dialing
// is busy, every PPP daemon (five seconds each) and then clears prog_status.
// A command that comes during those five seconds is taken at once and
// stops everything anew. Returns true when it took any.
bool take_commands(Daemon& d);

// Waits `ms` milliseconds; a command cuts the wait short and is taken.
// Returns true when one was.
bool nap(Daemon& d, std::int64_t ms);

// Takes a waiting command, then tells whether the state is still `s`: the
// check before every step that starts or writes something.
bool still(Daemon& d, DaemonState s);

// After a restart or a finished test dial: STATE_START with "start" in the
// command file, unless a command came since the count `since` (one that is
// still waiting is taken first, so its word is never overwritten).
bool turn_to_start(Daemon& d, unsigned since);
