#include "lifecycle.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "attempt.h"
#include "owned.h"

Daemon the_daemon;
DialConfig dial_config;

namespace {

// Signals only record that something happened: a flag for a command, and a
// byte in the wake-up pipe for commands and ended children. The main flow
// does the work.
volatile sig_atomic_t command_pending = 0;
int wake_pipe[2] = {-1, -1};

void wake() {
    int saved = errno;
    char byte = 0;
    ssize_t ignored = write(wake_pipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

void on_sigusr1(int) {
    command_pending = 1;
    wake();
}

void on_sigchld(int) { wake(); }

void on_sigterm(int) {
    unlink(kPidPath);
    _exit(0);
}

void install(int sig, void (*handler)(int), int flags) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

void drain_wake_pipe() {
    char buf[64];
    while (read(wake_pipe[0], buf, sizeof buf) > 0) {
    }
}

// Reaps every ended child (the DNS relay never stays a zombie); reports
// whether `watched` was among them.
bool reap_children(pid_t watched) {
    bool ended = false;
    for (;;) {
        pid_t pid = waitpid(-1, nullptr, WNOHANG);
        if (pid <= 0) break;
        if (pid == watched) ended = true;
        if (pid == the_daemon.relay_child) the_daemon.relay_child = 0;
    }
    return ended;
}

void write_command_file(const char* word) {
    File f(kCommandPath, "we");
    if (f) std::fputs(word, f.get());
}

long now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

// What a command does at once, whatever the main flow is doing: reads the
// word, sets the state, and stops the relay, the timer and a running link.
void handle_command() {
    command_pending = 0;
    Daemon& d = the_daemon;
    {
        File f(kCommandPath, "re");
        if (f) {
            char line[256];
            if (!std::fgets(line, sizeof line, f.get())) line[0] = '\0';
            d.state = parse_command(line, d.test_entry);
        }
    }
    stop_relay_and_timer();
    if (d.dial_busy == kBusy) {
        for (int unit = 0; unit < kPppUnits; ++unit) {
            char path[64];
            std::snprintf(path, sizeof path, kPppPidFormat, unit);
            int pid = read_pid_file(path);
            if (pid > 0) {
                kill(pid, SIGTERM);
                full_sleep(5);
            }
        }
        read_status(d.link);
        if (d.link.prog_status != 0) {
            d.link.prog_status = 0;
            write_status(d.link);
        }
    }
}

// Sleeps up to `seconds`; a command ends the sleep early, once handled.
void nap(int seconds) {
    long deadline = now_ms() + seconds * 1000L;
    pollfd pfd{wake_pipe[0], POLLIN, 0};
    for (;;) {
        if (command_pending) {
            handle_command();
            return;
        }
        long left = deadline - now_ms();
        if (left <= 0) return;
        if (poll(&pfd, 1, static_cast<int>(left)) > 0) {
            drain_wake_pipe();
            reap_children(-1);
        }
    }
}

// File descriptors 0, 1 and 2 must be open, or the first file opened would
// take one of them and printf would write into it.
void open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        int null = open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
}

void daemonize() {
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork()");
        return;
    }
    if (pid > 0) std::exit(0);
    if (chdir("/") != 0) {
        // Staying in the old directory does no harm.
    }
    setsid();
}

int claim_pid_file() {
    int older = read_pid_file(kPidPath);
    if (older != 0 && older != getpid() && names_dialmon(older)) {
        kill(older, SIGTERM);
        full_sleep(1);
    }
    return write_pid_file(kPidPath, getpid());
}

}  // namespace

DaemonState parse_command(const char* line, int& test_entry) {
    if (std::strstr(line, "restart")) return STATE_RESTART;
    if (std::strstr(line, "start")) return STATE_START;
    if (std::strstr(line, "stop")) return STATE_STOP;
    if (std::strstr(line, "test")) {
        std::sscanf(line, "test %d", &test_entry);
        return valid_entry(test_entry) ? STATE_TEST : STATE_IDLE;
    }
    if (std::strstr(line, "exit")) return STATE_EXIT;
    return STATE_IDLE;
}

int read_pid_file(const char* path) {
    File f(path, "re");
    if (!f) return 0;
    int pid = 0;
    if (std::fscanf(f.get(), "%d", &pid) != 1) pid = 0;
    return pid < 0 ? 0 : pid;
}

int write_pid_file(const char* path, int pid) {
    File f(path, "we");
    if (!f) return -1;
    std::fprintf(f.get(), "%d\n", pid);
    return 0;
}

bool names_dialmon(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/cmdline", pid);
    File f(path, "re");
    if (!f) return false;
    char line[256] = {};
    if (!std::fgets(line, sizeof line, f.get())) return false;
    // The arguments are separated by zero bytes: only the program path counts.
    return std::strstr(line, "dialmon") != nullptr;
}

void full_sleep(int seconds) {
    timespec left{seconds, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

pid_t spawn_shell(const char* command) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGTERM, SIG_DFL);
        setpgid(0, 0);
        execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid > 0) setpgid(pid, pid);
    return pid;
}

void wait_for_child(pid_t pid) {
    pollfd pfd{wake_pipe[0], POLLIN, 0};
    for (;;) {
        if (reap_children(pid)) return;
        if (command_pending) {
            handle_command();
            if (reap_children(pid)) return;
            // The link was stopped through the pid files; a daemon that had
            // not yet written its pid file is stopped here, with its shell.
            kill(-pid, SIGTERM);
            continue;
        }
        if (poll(&pfd, 1, -1) > 0) drain_wake_pipe();
    }
}

void stop_relay_and_timer() {
    int pid = read_pid_file(kRelayPidPath);
    if (pid > 0) kill(pid, SIGTERM);
    pid_t child = the_daemon.relay_child;
    if (child > 0 && child != pid) kill(child, SIGTERM);
    pid = read_pid_file(kTimerPidPath);
    if (pid > 0) kill(pid, SIGTERM);
}

int connect_loop() {
    Daemon& d = the_daemon;
    DialSettings& s = dial_config.settings;
    d.dial_busy = kBusy;
    while (d.state == STATE_START) {
        nap(1);
        read_settings(dial_config);
        if (s.router == 0) continue;
        read_status(d.link);
        if (d.link.com_status == 6) continue;  // dialing is held

        d.link.prog_status = 0;
        d.link.dial_status = 0;
        write_ppp_config(dial_config, s.dial1, 1, d.dns);
        write_status(d.link);

        for (auto slot : kTryOrder) {
            int e = s.*slot;
            if (!valid_entry(e) || d.state != STATE_START) continue;
            attempt_dial(e, 1);
            read_status(d.link);
            // 0: the link ended (or was stopped): start over from the first
            // slot. Anything else: the dial failed, fall back to the next.
            if (d.link.prog_status == 0) break;
        }
    }
    d.dial_busy = kNotBusy;
    return 0;
}

int test_dial(int n) {
    Daemon& d = the_daemon;
    if (!valid_entry(n)) {
        d.state = STATE_IDLE;
        return 0;
    }
    read_settings(dial_config);
    if (dial_config.settings.router == 0) return 0;  // tried again a second later
    d.dial_busy = kBusy;
    attempt_dial(n, 0);
    if (d.state == STATE_TEST) {
        d.state = STATE_START;
        write_command_file("start");
    }
    d.dial_busy = kNotBusy;
    return 0;
}

void run_daemon() {
    open_standard_descriptors();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) std::perror("pipe");
    // Children are reaped by the daemon itself; SIGCHLD may come in ignored.
    install(SIGCHLD, on_sigchld, SA_NOCLDSTOP | SA_RESTART);

    daemonize();
    claim_pid_file();
    write_command_file("");
    Daemon& d = the_daemon;
    read_settings(dial_config);
    write_ppp_config(dial_config, 1, 1, d.dns);

    install(SIGTERM, on_sigterm, 0);
    install(SIGUSR1, on_sigusr1, SA_RESTART);

    for (;;) {
        switch (d.state) {
        case STATE_TEST:
            test_dial(d.test_entry);
            break;
        case STATE_EXIT:
            on_sigterm(SIGTERM);
            break;
        case STATE_RESTART:
            d.state = STATE_START;
            write_command_file("start");
            connect_loop();
            break;
        case STATE_START:
            connect_loop();
            break;
        default:
            break;
        }
        nap(1);
    }
}
