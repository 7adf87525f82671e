// The daemon's life: pid files, start-up, commands from dialctl, the main
// loop, the on-demand connect loop and the test dial.
#pragma once
#include <cstdint>
#include <sys/types.h>

#include "linkstatus.h"
#include "ppp_config.h"
#include "settings.h"

constexpr const char* kPidPath = "/var/run/dialmon.pid";
constexpr const char* kCommandPath = "/etc/ppp/ppp.cmd";
constexpr const char* kRelayPidPath = "/var/run/dnsrelay.pid";
constexpr const char* kTimerPidPath = "/var/run/timer.pid";
constexpr const char* kPppPidFormat = "/var/run/ppp%d.pid";  // units 0..5
constexpr int kPppUnits = 6;

// What the main loop does next.
enum DaemonState : std::int32_t {
    STATE_IDLE = 0,
    STATE_START = 1,
    STATE_STOP = 2,
    STATE_TEST = 3,
    STATE_EXIT = 4,
    STATE_RESTART = 5,
};

constexpr int kNotBusy = 2;
constexpr int kBusy = 1;

struct Daemon {
    DaemonState state = STATE_IDLE;
    int test_entry = 0;      // entry of the last "test n"
    int dial_busy = kNotBusy;  // kBusy while the connect loop or a test dial runs
    LinkStatus link;
    DnsServers dns{};
    pid_t relay_child = 0;   // the DNS relay this daemon started, until reaped
};

extern Daemon the_daemon;
extern DialConfig dial_config;  // apart from the_daemon: all zero at start, so it takes no file space

// The state a command-file line asks for. Words are searched anywhere in the
// line in the order restart, start, stop, test, exit; "test n" also sets
// test_entry (kept when no number follows) and gives STATE_IDLE for n
// outside 1..5. A line with none of the words gives STATE_IDLE.
DaemonState parse_command(const char* line, int& test_entry);

// A pid file's number: 0 when missing, unreadable or negative.
int read_pid_file(const char* path);
int write_pid_file(const char* path, int pid);

// True when /proc/<pid>/cmdline names dialmon (its program path).
bool names_dialmon(int pid);

// Sleeps the whole time, also when signals arrive.
void full_sleep(int seconds);

// Runs a shell command line in a child that leads a process group of its
// own; returns its pid, or -1.
pid_t spawn_shell(const char* command);

// Waits until the child `pid` has ended. A command that arrives meanwhile
// is handled at once (which stops the PPP daemons); the wait then goes on
// until the child has really ended.
void wait_for_child(pid_t pid);

// Sends SIGTERM to the DNS relay and the charging timer, if they run (by
// their pid files; the relay this daemon started also by its pid, since it
// may not have written its pid file yet).
void stop_relay_and_timer();

int connect_loop();
int test_dial(int n);

// Start-up and the main loop; never returns.
[[noreturn]] void run_daemon();
