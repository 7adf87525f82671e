// The daemon's flow: its states and the transitions between them. Each call
// of advance makes one transition; the loop (run_daemon) takes a waiting
// command before every one, and waits in one place when a step has to.
#pragma once
#include <cstdint>

#include "daemon.h"

// One transition. Returns when the loop should come back: 0 at once, a
// deadline (now_ms), or -1 for nothing but a command or a child's end.
std::int64_t advance(Daemon& d);

// Goes on as the state asks: the connect loop, a test dial, the end, or
// rest.
void dispatch(Daemon& d);

// What a command does to the flow (take_command):
// SIGTERM to the DNS relay and the charging timer (by their pid files, and
// the relay this daemon started by its pid).
void stop_relay_and_timer(Daemon& d);
// A PPP daemon left by an earlier dialmon still runs.
bool inherited_running(const Daemon& d);
// Stops every PPP daemon, five seconds each, then clears prog_status and
// ends the attempt.
void halt(Daemon& d);
// Ends the attempt under way (its PPP daemon told to end and waited for,
// the relay, timer and ppp0's address cleared as after any attempt), then
// dispatches.
void end_attempt(Daemon& d);

// A child ended: the flow forgets it.
void child_ended(Daemon& d, pid_t pid);
// A relay that outlived its SIGTERM is reported and killed.
void kill_stubborn_relay(Daemon& d);

// Start-up and the loop; never returns.
[[noreturn]] void run_daemon();
