// The daemon's processes: becoming a daemon, its signals, its pid file, the
// children it starts and stops, and the waits that a command cuts short.
//
// The signal handlers only record: SIGUSR1 that a command is waiting,
// SIGCHLD that a child may have ended. The waits look at both; the command
// itself is read and acted on by the caller (take_commands).
#pragma once
#include <cstdint>
#include <sys/types.h>

constexpr const char* kPidPath = "/var/run/dialmon.pid";
constexpr const char* kRelayPidPath = "/var/run/dnsrelay.pid";
constexpr const char* kTimerPidPath = "/var/run/timer.pid";
constexpr const char* kPppPidFormat = "/var/run/ppp%d.pid";  // units 0..5
constexpr int kPppUnits = 6;

// Milliseconds of a clock that never goes back, 64 bits on every build.
std::int64_t now_ms();

// Start-up, in this order: descriptors 0, 1 and 2 open (on /dev/null when
// they came closed), then a detached process of its own session, then the
// handlers in place before anyone can learn the pid.
void open_standard_descriptors();
void daemonize();
void install_handlers();

// A pid file's number: 0 when missing, unreadable or negative.
int read_pid_file(const char* path);

// Takes the daemon's pid file over: an instance that holds it gets SIGTERM
// and a second to end, as often as needed, so that however many start at
// once exactly one keeps it. The file stays locked (and open) for the rest
// of the daemon's life. Returns 0, or -1 when the file cannot be opened.
int claim_pid_file(const char* path = kPidPath);
// Writes "<pid>\n" into the claimed file; -1 when nothing was claimed.
int write_pid_file(int pid);

// Ends the daemon with status 0, removing the pid file if it still is the
// daemon's own (what SIGTERM does, too).
[[noreturn]] void end_daemon();

// Starts argv[0] with argv in a child, with the handled signals held off
// until the child has put back their defaults. own_group: the child leads
// a process group of its own. Returns its pid, or -1.
pid_t spawn(char* const argv[], bool own_group);

// True while a child started by spawn has not ended (the waits reap it).
bool running(pid_t child);

// Waits until `ms` milliseconds have passed (no limit when negative) or,
// when `child` is not 0, until that child has ended; reaps ended children
// on the way. Returns true, at once, when a command is waiting instead.
bool wait_for(std::int64_t ms, pid_t child = 0);

// Sleeps the whole time; a command that comes meanwhile stays waiting.
void sleep_through(std::int64_t ms);

// Forgets the waiting command; true when there was one.
bool command_signalled();

// SIGTERM to the DNS relay and the charging timer, if they run (by their
// pid files; the relay this daemon started also by its pid, since it may
// not have written its pid file yet).
void stop_relay_and_timer(pid_t relay_child);

// SIGTERM to every PPP daemon named by /var/run/ppp0.pid .. ppp5.pid, each
// followed by five seconds for it to hang up; announce prints "kill <pid>"
// for each. Returns false when a command cut a wait short: the command is
// left waiting for the caller, and the later units are not looked at.
bool stop_ppp_daemons(bool announce);
