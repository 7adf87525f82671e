// What the daemon knows, passed explicitly to every step of its flow.
#pragma once
#include <cstdint>
#include <sys/types.h>

#include "linkstatus.h"
#include "ppp_config.h"
#include "settings.h"

// What the main loop does next.
enum DaemonState : std::int32_t {
    STATE_IDLE = 0,
    STATE_START = 1,
    STATE_STOP = 2,
    STATE_TEST = 3,
    STATE_EXIT = 4,
    STATE_RESTART = 5,
};

constexpr int kBusy = 1;      // the connect loop or a test dial runs
constexpr int kNotBusy = 2;

struct Daemon {
    DaemonState state = STATE_IDLE;
    int test_entry = 0;         // entry of the last "test n"
    int dial_busy = kNotBusy;   // a command stops the PPP daemons only while kBusy
    // Commands taken so far. A step compares it with the count it started
    // with to learn whether any command came meanwhile, whatever the word.
    unsigned commands = 0;
    LinkStatus link;
    DnsServers dns{};
    pid_t relay_child = 0;      // the DNS relay this daemon started, until reaped
    DialConfig config{};
};
