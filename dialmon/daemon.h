// What the daemon knows, and the steps of its one loop.
#pragma once
#include <cstdint>
#include <sys/types.h>

#include "linkstatus.h"
#include "ppp_config.h"
#include "settings.h"

constexpr int kPppUnits = 6;  // /var/run/ppp0.pid .. ppp5.pid

// What the commands ask for.
enum DaemonState : std::int32_t {
    STATE_IDLE = 0,
    STATE_START = 1,
    STATE_STOP = 2,
    STATE_TEST = 3,
    STATE_EXIT = 4,
    STATE_RESTART = 5,
};

// Where the flow is. Each step is one transition of the loop: it either
// moves on at once, or names a deadline (and the loop waits for it, for a
// child's end or for a command, whichever comes first).
enum class Step {
    rest,       // idle or stopped: nothing until a command
    to_start,   // after a restart or a test dial: "start" into the command file
    nap,        // the second before the next connect-loop pass
    pass,       // the top of a pass: settings, the checks, the status, the files of slot 1
    slot,       // the next try-order slot
    test,       // a test dial: its entry and the router flag, once a second
    // One attempt for an entry:
    leftovers,  // SIGTERM to a leftover PPP daemon, "kill <pid>", its five seconds
    files,      // the settings again, the entry's check, the PPP daemon's files
    publish,    // prog_status 1, com_status 0, dial_status n
    relay,      // the DNS relay started
    pppd,       // the PPP daemon started
    link,       // waiting for the PPP daemon's end (while the link lasts)
    clear,      // relay and timer stopped, ifconfig started
    clearing,   // waiting for ifconfig
    // A command while dialing:
    halt,       // SIGTERM to a PPP daemon, its five seconds; then prog_status 0
    ending,     // the attempt's PPP daemon told to end: waiting for it
};

struct Daemon {
    DaemonState state = STATE_IDLE;
    int test_entry = 0;            // entry of the last "test n"
    Step step = Step::rest;
    std::int64_t deadline = 0;     // the end of the current step's wait (now_ms)
    bool dialing = false;          // the connect loop or a test dial runs: a command stops the PPP daemons

    int slot = 0;                  // next try-order slot of the pass
    int entry = 0;                 // the attempt's entry, demand flag and kind
    int demand = 0;
    bool test_attempt = false;
    int unit = 0;                  // next PPP pid file to look at
    bool relay_started = false;    // the attempt got as far as its relay
    bool commanded = false;        // a command ended the attempt

    pid_t pppd = 0;                // the PPP daemon's shell, until reaped
    pid_t relay = 0;               // the DNS relay this daemon started, until reaped
    std::int64_t relay_kill_at = -1;  // SIGKILL then, if SIGTERM did not end it
    pid_t ifconfig = 0;
    // PPP daemons that ran when this daemon started (left by one that died or
    // was replaced): the next command stops them as a dial in progress.
    pid_t inherited[kPppUnits] = {};

    LinkStatus link;
    DnsServers dns{};
    DialConfig config{};
};
