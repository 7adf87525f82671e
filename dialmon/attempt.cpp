#include "attempt.h"

#include <csignal>
#include <cstdlib>

#include "command.h"
#include "process.h"

namespace {

// Waits for the PPP daemon's shell. A command stops the PPP daemons through
// their pid files; one that has not written its pid file yet goes with the
// shell's process group. The wait ends only when the shell has ended.
void wait_for_ppp(Daemon& d, pid_t ppp) {
    while (wait_for(-1, ppp)) {
        take_commands(d);
        if (running(ppp)) kill(-ppp, SIGTERM);
    }
}

}  // namespace

void attempt_dial(Daemon& d, int n, int demand) {
    const unsigned since = d.commands;
    // Looked at before every step that writes or starts something.
    auto overtaken = [&] {
        take_commands(d);
        return d.commands != since;
    };

    stop_ppp_daemons(true);  // a command that cuts a wait short is taken next
    if (overtaken()) return;
    read_settings(d.config);
    const DialEntry* e = entry_of(d.config, n);
    if (!e || e->phone[0] == '\0') return;

    if (overtaken()) return;
    write_ppp_config(d.config, n, demand, d.dns);
    if (overtaken()) return;
    read_status(d.link);
    d.link.prog_status = 1;
    d.link.com_status = 0;
    d.link.dial_status = n;
    write_status(d.link);

    if (overtaken()) return;
    char relay[] = "/sbin/dnsrelay";
    char ns[] = "-ns";
    char* relay_argv[] = {relay, ns, d.dns.primary, d.dns.secondary, nullptr};
    d.relay_child = spawn(relay_argv, false);
    if (d.relay_child < 0) {
        d.relay_child = 0;
        return;  // prog_status 1 stays: the next slot is tried
    }
    if (!overtaken()) {
        char sh[] = "/bin/sh";
        char c[] = "-c";
        char pppd[] = "/sbin/pppd";
        char* ppp_argv[] = {sh, c, pppd, nullptr};
        pid_t ppp = spawn(ppp_argv, true);
        if (ppp > 0) wait_for_ppp(d, ppp);
    }

    stop_relay_and_timer(d.relay_child);
    if (std::system("/sbin/ifconfig ppp0 0.0.0.0") != 0) {
        // A failed ifconfig only means the address was not there to clear.
    }
}
