// Commands from dialctl: the words of the command file, and the one place
// where the daemon takes a command.
#pragma once
#include "daemon.h"

// The state a command-file line asks for. Words are searched anywhere in the
// line in the order restart, start, stop, test, exit; "test n" also sets
// test_entry (kept when no number follows) and gives STATE_IDLE for n
// outside 1..5. A line with none of the words gives STATE_IDLE.
DaemonState parse_command(const char* line, int& test_entry);

// Takes the waiting command: reads the word and sets the state, stops the
// DNS relay and the charging timer, and ends what the flow was doing. While
// the daemon dials (or a PPP daemon it inherited still runs), every PPP
// daemon is stopped first (five seconds each) and prog_status cleared; a
// command that comes meanwhile starts that anew. Then the flow goes on as
// the new state asks.
void take_command(Daemon& d);

// Writes "start" into the command file and sets STATE_START, unless a
// command is on its way: one already signalled, or a dialctl holding the
// file (then false, and the caller tries again shortly).
bool turn_to_start(Daemon& d);
