#include "tone.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include "owned.h"

namespace {

constexpr unsigned long kKiocsound = 0x4B2F;
constexpr const char* kConsole = "/dev/console";
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t caught_signal;
bool holding;
sigset_t sleep_mask;  // the mask to sleep with: the termination signals let through

void on_termination(int sig) { caught_signal = sig; }

void set_tone(int fd, int tone) {
    if (ioctl(fd, kKiocsound, static_cast<unsigned long>(tone)) < 0)
        std::printf("ioctl:KIOCSOUND: errno=%d\n", errno);
}

// Sleeps, returning early when a termination signal was caught.
void sleep_until_signal(long us) {
    if (!holding) {
        usleep(static_cast<useconds_t>(us));
        return;
    }
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    end.tv_sec += us / 1000000;
    end.tv_nsec += (us % 1000000) * 1000;
    if (end.tv_nsec >= 1000000000) {
        end.tv_sec += 1;
        end.tv_nsec -= 1000000000;
    }
    while (!caught_signal) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        timespec left{end.tv_sec - now.tv_sec, end.tv_nsec - now.tv_nsec};
        if (left.tv_nsec < 0) {
            left.tv_sec -= 1;
            left.tv_nsec += 1000000000;
        }
        if (left.tv_sec < 0) return;
        // pselect, not ppoll: on i386 the C library's fortified ppoll calls
        // the entry point with the 32-bit time layout, which reads this
        // 64-bit one wrongly (a short wait becomes none: a busy loop).
        pselect(0, nullptr, nullptr, nullptr, &left, &sleep_mask);
    }
}

// Ends the program by the caught signal, with its default action.
void end_by_caught_signal() {
    int sig = caught_signal;
    if (!sig) return;
    std::fflush(stdout);
    std::signal(sig, SIG_DFL);
    std::raise(sig);  // stays pending while blocked
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::_Exit(128 + sig);  // not reached for a terminating signal
}

}  // namespace

void console_beep(int tone, int ms) {
    Fd console(open(kConsole, O_WRONLY));
    if (!console) {
        std::printf("Can't open %s.\n", kConsole);  // sic: its own form
        std::exit(1);
    }
    set_tone(console.get(), tone);
    sleep_until_signal(static_cast<long>(ms) * 1000);
    set_tone(console.get(), 0);
    console.close();
    end_by_caught_signal();
}

void hold_termination_signals() {
    sigset_t block;
    sigemptyset(&block);
    for (int sig : kTerminationSignals) sigaddset(&block, sig);
    sigprocmask(SIG_BLOCK, &block, &sleep_mask);
    for (int sig : kTerminationSignals) sigdelset(&sleep_mask, sig);
    struct sigaction sa = {};
    sa.sa_handler = on_termination;
    sigemptyset(&sa.sa_mask);
    for (int sig : kTerminationSignals) {
        struct sigaction old = {};
        sigaction(sig, nullptr, &old);
        if (old.sa_handler != SIG_IGN) sigaction(sig, &sa, nullptr);  // nohup stays nohup
    }
    holding = true;
}

void beep_sleep(long us) {
    sleep_until_signal(us);
    end_by_caught_signal();
}
