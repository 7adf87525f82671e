#include "attempt.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "lifecycle.h"

namespace {

// Any PPP daemon still running would hold the line: each one gets SIGTERM
// and five seconds to hang up.
void stop_leftover_ppp() {
    for (int unit = 0; unit < kPppUnits; ++unit) {
        char path[64];
        std::snprintf(path, sizeof path, kPppPidFormat, unit);
        int pid = read_pid_file(path);
        if (pid != 0) {
            kill(pid, SIGTERM);
            std::printf("kill %d\n", pid);
            full_sleep(5);
        }
    }
}

// The relay runs beside the link and is reaped when it ends.
pid_t start_relay(DnsServers& dns) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGTERM, SIG_DFL);
        char relay[] = "/sbin/dnsrelay";
        char ns[] = "-ns";
        char* argv[] = {relay, ns, dns.primary, dns.secondary, nullptr};
        execvp(argv[0], argv);
        _exit(255);
    }
    return pid;
}

}  // namespace

void attempt_dial(int n, int demand) {
    Daemon& d = the_daemon;
    stop_leftover_ppp();
    read_settings(dial_config);
    const DialEntry* e = entry_of(dial_config, n);
    if (!e || e->phone[0] == '\0') return;

    write_ppp_config(dial_config, n, demand, d.dns);
    read_status(d.link);
    d.link.prog_status = 1;
    d.link.com_status = 0;
    d.link.dial_status = n;
    write_status(d.link);

    d.relay_child = start_relay(d.dns);
    if (d.relay_child < 0) {
        d.relay_child = 0;
        return;  // prog_status 1 stays: the next slot is tried
    }
    pid_t ppp = spawn_shell("/sbin/pppd");
    if (ppp > 0) wait_for_child(ppp);

    stop_relay_and_timer();
    if (std::system("/sbin/ifconfig ppp0 0.0.0.0") != 0) {
        // A failed ifconfig only means the address was not there to clear.
    }
}
