#include "loops.h"

#include <cstdio>
#include <unistd.h>

#include "attempt.h"
#include "command.h"
#include "process.h"

void connect_loop(Daemon& d) {
    const DialSettings& s = d.config.settings;
    d.dial_busy = kBusy;
    while (still(d, STATE_START)) {
        nap(d, 1000);
        if (!still(d, STATE_START)) break;
        read_settings(d.config);
        if (s.router == 0) continue;
        read_status(d.link);
        if (d.link.com_status == 6) continue;  // dialing is held

        d.link.prog_status = 0;
        d.link.dial_status = 0;
        write_ppp_config(d.config, s.dial1, 1, d.dns);
        write_status(d.link);

        for (auto slot : kTryOrder) {
            int e = s.*slot;
            if (!valid_entry(e) || !still(d, STATE_START)) continue;
            attempt_dial(d, e, 1);
            read_status(d.link);
            // 0: the link ended (or was stopped): start over from the first
            // slot. Anything else: the dial failed, fall back to the next.
            if (d.link.prog_status == 0) break;
        }
    }
    d.dial_busy = kNotBusy;
}

void test_dial(Daemon& d, int n) {
    if (!valid_entry(n)) {
        d.state = STATE_IDLE;
        return;
    }
    read_settings(d.config);
    if (d.config.settings.router == 0) return;  // tried again a second later
    const unsigned since = d.commands;
    d.dial_busy = kBusy;
    attempt_dial(d, n, 0);
    turn_to_start(d, since);
    d.dial_busy = kNotBusy;
}

void run_daemon() {
    open_standard_descriptors();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    daemonize();
    // From here a command is only recorded; it is taken once start-up is done.
    install_handlers();
    claim_pid_file();
    // Emptied before the pid file names this daemon, so that a command
    // written for it is never lost.
    write_command_file("");
    write_pid_file(getpid());

    Daemon d;
    read_settings(d.config);
    write_ppp_config(d.config, 1, 1, d.dns);

    for (;;) {
        switch (d.state) {
        case STATE_TEST:
            test_dial(d, d.test_entry);
            break;
        case STATE_EXIT:
            end_daemon();
        case STATE_RESTART: {
            const unsigned since = d.commands;
            if (turn_to_start(d, since)) connect_loop(d);
            break;
        }
        case STATE_START:
            connect_loop(d);
            break;
        default:
            break;
        }
        nap(d, 1000);
    }
}
