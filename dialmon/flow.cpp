#include "flow.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "command.h"
#include "dialfiles.h"
#include "process.h"

namespace {

constexpr std::int64_t kNow = 0;
constexpr std::int64_t kNoLimit = -1;
constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kHangUp = 5000;        // for a PPP daemon after SIGTERM
constexpr std::int64_t kRelayGrace = 1000;    // for the relay after SIGTERM
constexpr std::int64_t kFileRetry = 50;       // while dialctl holds the command file

std::int64_t after(std::int64_t ms) { return now_ms() + ms; }
bool due(const Daemon& d) { return now_ms() >= d.deadline; }

int ppp_pid(int unit) {
    char path[32];
    std::snprintf(path, sizeof path, kPppPidFormat, unit);
    return read_pid_file(path);
}

// SIGTERM to the next PPP daemon from d.unit on, then its five seconds.
// False when no unit is left.
bool stop_next_unit(Daemon& d, bool announce) {
    while (d.unit < kPppUnits) {
        int pid = ppp_pid(d.unit++);
        if (pid <= 0) continue;
        kill(pid, SIGTERM);
        if (announce) std::printf("kill %d\n", pid);
        d.deadline = after(kHangUp);
        return true;
    }
    for (pid_t& pid : d.inherited) pid = 0;  // stopped with the rest
    return false;
}

void to(Daemon& d, Step step, std::int64_t deadline = kNow) {
    d.step = step;
    d.deadline = deadline;
}

void begin_attempt(Daemon& d, int entry, int demand, bool test) {
    d.entry = entry;
    d.demand = demand;
    d.test_attempt = test;
    d.unit = 0;
    d.relay_started = false;
    d.commanded = false;
    to(d, Step::leftovers);
}

// The attempt is over: the connect loop reads how it went, a test dial
// turns to start; after a command, the new state decides.
void attempt_over(Daemon& d) {
    if (d.commanded) {
        dispatch(d);
    } else if (d.test_attempt) {
        to(d, Step::to_start);
    } else {
        read_status(d.link);
        // 0: the link ended (or was stopped): a new pass from the first
        // slot. Anything else: the dial failed, fall back to the next.
        if (d.link.prog_status == 0)
            to(d, Step::nap, after(kSecond));
        else
            to(d, Step::slot);
    }
}

pid_t start_relay(Daemon& d) {
    char relay[] = "/sbin/dnsrelay";
    char ns[] = "-ns";
    char* argv[] = {relay, ns, d.dns.primary, d.dns.secondary, nullptr};
    return spawn(argv, false);
}

pid_t run_shell(const char* command, bool own_group) {
    char sh[] = "/bin/sh";
    char c[] = "-c";
    char* argv[] = {sh, c, const_cast<char*>(command), nullptr};
    return spawn(argv, own_group);
}

}  // namespace

void dispatch(Daemon& d) {
    switch (d.state) {
    case STATE_START:
        d.dialing = true;
        to(d, Step::nap, after(kSecond));
        break;
    case STATE_RESTART:
        to(d, Step::to_start);
        break;
    case STATE_TEST:
        d.dialing = false;
        to(d, Step::test);
        break;
    case STATE_EXIT:
        end_daemon();
    default:
        d.dialing = false;
        to(d, Step::rest, kNoLimit);
        break;
    }
}

std::int64_t advance(Daemon& d) {
    const DialSettings& s = d.config.settings;
    switch (d.step) {
    case Step::rest:
        return kNoLimit;

    case Step::to_start:
        if (command_waiting()) return kNow;
        if (!turn_to_start(d)) return after(kFileRetry);
        if (!command_waiting()) dispatch(d);
        return kNow;

    case Step::nap:
        if (!due(d)) return d.deadline;
        to(d, Step::pass);
        return kNow;

    case Step::pass:
        read_settings(d.config);
        if (s.router == 0) {
            to(d, Step::nap, after(kSecond));
            return d.deadline;
        }
        read_status(d.link);
        if (d.link.com_status == 6) {  // dialing is held
            to(d, Step::nap, after(kSecond));
            return d.deadline;
        }
        d.link.prog_status = 0;
        d.link.dial_status = 0;
        write_ppp_config(d.config, s.dial1, 1, d.dns);
        write_status(d.link);
        d.slot = 0;
        to(d, Step::slot);
        return kNow;

    case Step::slot:
        while (d.slot < kSlots) {
            int e = s.*kTryOrder[d.slot++];
            if (!valid_entry(e)) continue;
            begin_attempt(d, e, 1, false);
            return kNow;
        }
        to(d, Step::nap, after(kSecond));
        return d.deadline;

    case Step::test:
        if (!due(d)) return d.deadline;
        if (!valid_entry(d.test_entry)) {
            d.state = STATE_IDLE;
            dispatch(d);
            return kNow;
        }
        read_settings(d.config);
        if (s.router == 0) {  // tried again a second later
            d.deadline = after(kSecond);
            return d.deadline;
        }
        d.dialing = true;
        begin_attempt(d, d.test_entry, 0, true);
        return kNow;

    case Step::leftovers:
        if (!due(d)) return d.deadline;
        if (stop_next_unit(d, true)) return d.deadline;
        to(d, Step::files);
        return kNow;

    case Step::files:
        read_settings(d.config);
        // Not dialed: no phone number, or a value of its files refused. A
        // file that cannot be written ends the attempt too (reported).
        if (!dialable(d.config, d.entry) || write_ppp_config(d.config, d.entry, d.demand, d.dns) != 0) {
            attempt_over(d);
            return kNow;
        }
        to(d, Step::publish);
        return kNow;

    case Step::publish:
        read_status(d.link);
        d.link.prog_status = 1;
        d.link.com_status = 0;
        d.link.dial_status = d.entry;
        write_status(d.link);
        to(d, Step::relay);
        return kNow;

    case Step::relay: {
        // The last attempt's relay ends first (or is killed at its deadline).
        if (d.relay != 0) {
            if (d.relay_kill_at < 0) stop_relay_and_timer(d);
            return d.relay_kill_at;
        }
        pid_t pid = start_relay(d);
        if (pid < 0) {  // prog_status 1 stays: the next slot is tried
            attempt_over(d);
            return kNow;
        }
        d.relay = pid;
        d.relay_kill_at = -1;
        d.relay_started = true;
        to(d, Step::pppd);
        return kNow;
    }

    case Step::pppd:
        // Through the shell, as a group of its own: a PPP daemon that has not
        // written its pid file yet still goes with the group.
        d.pppd = run_shell("/sbin/pppd", true);
        if (d.pppd < 0) d.pppd = 0;
        to(d, Step::link);
        return kNow;

    case Step::link:
    case Step::ending:
        if (d.pppd != 0) return kNoLimit;
        to(d, Step::clear);
        return kNow;

    case Step::clear:
        stop_relay_and_timer(d);
        d.relay_started = false;
        d.ifconfig = run_shell("/sbin/ifconfig ppp0 0.0.0.0", false);
        if (d.ifconfig < 0) d.ifconfig = 0;
        to(d, Step::clearing);
        return kNow;

    case Step::clearing:
        if (d.ifconfig != 0) return kNoLimit;
        attempt_over(d);
        return kNow;

    case Step::halt:
        if (!due(d)) return d.deadline;
        if (stop_next_unit(d, false)) return d.deadline;
        read_status(d.link);
        if (d.link.prog_status != 0) {
            d.link.prog_status = 0;
            write_status(d.link);
        }
        end_attempt(d);
        return kNow;
    }
    return kNow;
}

void stop_relay_and_timer(Daemon& d) {
    int pid = read_pid_file(kRelayPidPath);
    if (pid > 0) kill(pid, SIGTERM);
    if (d.relay != 0) {
        if (d.relay != pid) kill(d.relay, SIGTERM);
        if (d.relay_kill_at < 0) d.relay_kill_at = after(kRelayGrace);
    }
    pid = read_pid_file(kTimerPidPath);
    if (pid > 0) kill(pid, SIGTERM);
}

bool inherited_running(const Daemon& d) {
    for (int unit = 0; unit < kPppUnits; ++unit) {
        pid_t pid = d.inherited[unit];
        if (pid > 0 && ppp_pid(unit) == pid && kill(pid, 0) == 0) return true;
    }
    return false;
}

void halt(Daemon& d) {
    d.commanded = true;
    d.unit = 0;
    to(d, Step::halt);
}

void end_attempt(Daemon& d) {
    d.commanded = true;
    if (d.pppd != 0) {
        kill(-d.pppd, SIGTERM);
        to(d, Step::ending);
    } else if (d.relay_started) {
        to(d, Step::clear);
    } else {
        dispatch(d);  // (an ifconfig that runs already is reaped when it ends)
    }
}

void child_ended(Daemon& d, pid_t pid) {
    if (pid == d.pppd) d.pppd = 0;
    if (pid == d.ifconfig) d.ifconfig = 0;
    if (pid == d.relay) {
        d.relay = 0;
        d.relay_kill_at = -1;
    }
}

void kill_stubborn_relay(Daemon& d) {
    if (d.relay == 0) return;
    std::printf("dnsrelay %d did not end on SIGTERM: killed\n", static_cast<int>(d.relay));
    kill(d.relay, SIGKILL);
    d.relay_kill_at = -1;
}

void run_daemon() {
    open_standard_descriptors();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    daemonize();
    // From here a command is only recorded; it is taken once start-up is done.
    install_handlers();
    Daemon d;
    const Claim claim = claim_pid_file();
    {
        // A daemon that took over keeps the command file and takes its word
        // (a caller may have written it for the one it replaced); a fresh
        // one empties it before the pid file names it, so that a command
        // written for it is never lost.
        CommandFile file(CommandFile::wait);
        if (claim == Claim::took_over)
            expect_command();
        else
            file.write(nullptr);
        write_pid_file(getpid());
    }
    for (int unit = 0; unit < kPppUnits; ++unit) {
        int pid = ppp_pid(unit);
        if (pid > 0 && kill(pid, 0) == 0) d.inherited[unit] = pid;
    }
    read_settings(d.config);
    write_ppp_config(d.config, 1, 1, d.dns);

    std::int64_t next_check = after(kSecond);
    for (;;) {
        while (pid_t pid = reap_one()) child_ended(d, pid);
        if (d.relay_kill_at >= 0 && now_ms() >= d.relay_kill_at) kill_stubborn_relay(d);
        if (now_ms() >= next_check) {
            if (!keep_pid_file()) end_daemon();  // another daemon claimed it
            next_check = after(kSecond);
        }
        if (command_signalled()) take_command(d);

        std::int64_t until = advance(d);
        if (until == kNow) continue;
        if (until < 0 || next_check < until) until = next_check;
        if (d.relay_kill_at >= 0 && d.relay_kill_at < until) until = d.relay_kill_at;
        wait_until(until);
    }
}
