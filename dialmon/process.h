// The daemon's processes: becoming a daemon, its signals, its pid file, the
// children it starts, and the one wait.
//
// The signal handlers only record: SIGUSR1 that a command is waiting,
// SIGCHLD that a child may have ended; both wake the wait. SIGTERM ends the
// daemon at once.
#pragma once
#include <cstdint>
#include <sys/types.h>

#include "dialfiles.h"

constexpr const char* kRelayPidPath = "/var/run/dnsrelay.pid";
constexpr const char* kTimerPidPath = "/var/run/timer.pid";
constexpr const char* kPppPidFormat = "/var/run/ppp%d.pid";  // units 0..5

// The only environment the daemon's children get: nothing of whoever
// started the daemon (a setup page's request) reaches them.
constexpr const char* kChildPath = "PATH=/bin:/sbin:/usr/bin:/usr/sbin";

// Milliseconds of a clock that never goes back, 64 bits on every build.
std::int64_t now_ms();

// Start-up, in this order: descriptors 0, 1 and 2 open (on /dev/null when
// they came closed), a detached process of its own session with an empty
// environment, then the handlers in place (and the handled signals
// unblocked, whatever mask the daemon came with; SIGPIPE ignored, so that a
// broken output is a failed write) before anyone can learn the pid.
void open_standard_descriptors();
void daemonize();
void install_handlers();

// How the pid file was claimed.
enum class Claim {
    fresh,      // no daemon ran: the command file is this daemon's to empty
    took_over,  // another daemon (or one starting) was told to end
    failed,     // the file cannot be opened: the daemon runs without one
};

// Takes the daemon's pid file over. With record locks: the running daemon
// holds a lock on the file for its whole life; a newcomer claims the file
// (an older claimant steps aside for it at once), writes its pid, sends the
// holder SIGTERM once and takes the lock when the holder has ended. A
// claimant that finds the lock taken by a younger daemon meanwhile steps
// aside (ends with status 0, touching nothing). Without record locks: the
// recorded pid gets SIGTERM and a second to end, if it names a dialmon.
Claim claim_pid_file(const char* path = kDialmonPidPath);
// Writes "<pid>\n" into the claimed file; -1 when nothing was claimed.
int write_pid_file(int pid);
// Looked at once a second: a pid file that is gone, or names a process that
// is no dialmon, is written again; false when another dialmon has claimed
// it (the daemon then ends).
bool keep_pid_file();

// Ends the daemon with status 0, removing the pid file if it still is the
// daemon's own (what SIGTERM does, too).
[[noreturn]] void end_daemon();

// Starts argv[0] with argv in a child with the default signal handling, an
// empty signal mask and the fixed environment. own_group: the child leads a
// process group of its own. Returns its pid, or -1.
pid_t spawn(char* const argv[], bool own_group);

// An ended child of the daemon, reaped; 0 when there is none.
pid_t reap_one();

// The one wait: until `deadline` (now_ms; no limit when negative), a
// command or a child's end, whichever comes first.
void wait_until(std::int64_t deadline);

// Sleeps the whole time (only at start-up, before the loop).
void sleep_through(std::int64_t ms);

// Forgets the waiting command; true when there was one.
bool command_signalled();
// True when a command is waiting (it stays waiting).
bool command_waiting();
// Makes the loop take the command file's word as if SIGUSR1 had come.
void expect_command();
