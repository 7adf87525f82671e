// stat must not fail on a 32-bit build for an inode number beyond 32 bits:
// the pid file is recognised by its inode.
#define _FILE_OFFSET_BITS 64

#include "process.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "number.h"
#include "owned.h"

namespace {

constexpr int kHandled[] = {SIGUSR1, SIGTERM, SIGCHLD};

volatile sig_atomic_t command_pending = 0;
int wake_fd[2] = {-1, -1};  // a byte for every signal, so that poll wakes

// The claimed pid file: what the SIGTERM handler may remove.
const char* own_path = kPidPath;
volatile sig_atomic_t own_fd = -1;
volatile sig_atomic_t own_pid = 0;

// Children started by spawn and not yet reaped.
pid_t children[8];

void wake() {
    int saved = errno;
    char byte = 0;
    ssize_t ignored = write(wake_fd[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

void on_sigusr1(int) {
    command_pending = 1;
    wake();
}

void on_sigchld(int) { wake(); }

bool same_file(int fd, const char* path) {
    struct stat a {}, b {};
    return fstat(fd, &a) == 0 && stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Only the daemon itself removes its pid file, and only while the file at
// the path is still the one it claimed and names it. Safe in a handler.
void remove_own_pid_file() {
    int fd = own_fd;
    if (fd < 0 || getpid() != own_pid || !same_file(fd, own_path)) return;
    char text[16];
    ssize_t n = pread(fd, text, sizeof text, 0);
    long long pid = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pid = pid * 10 + (text[i] - '0');
    if (n > 0 && pid == own_pid) unlink(own_path);
}

void on_sigterm(int) {
    remove_own_pid_file();
    _exit(0);
}

void install(int sig, void (*handler)(int), int flags) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

void remember(pid_t pid) {
    for (pid_t& slot : children)
        if (slot == 0) {
            slot = pid;
            return;
        }
}

void reap() {
    for (;;) {
        pid_t pid = waitpid(-1, nullptr, WNOHANG);
        if (pid <= 0) return;
        for (pid_t& slot : children)
            if (slot == pid) slot = 0;
    }
}

void drain_wake_pipe() {
    char buf[64];
    while (read(wake_fd[0], buf, sizeof buf) > 0) {
    }
}

struct flock whole_file(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

int keep_pid_file(int fd, const char* path) {
    own_path = path;
    own_pid = getpid();
    own_fd = fd;
    return 0;
}

}  // namespace

std::int64_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

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

void install_handlers() {
    if (pipe2(wake_fd, O_CLOEXEC | O_NONBLOCK) != 0) std::perror("pipe");
    // The daemon reaps its children itself; SIGCHLD may come in ignored.
    install(SIGCHLD, on_sigchld, SA_NOCLDSTOP | SA_RESTART);
    install(SIGUSR1, on_sigusr1, SA_RESTART);
    install(SIGTERM, on_sigterm, 0);
}

int read_pid_file(const char* path) {
    File f(path, "re");
    if (!f) return 0;
    char text[32] = {};
    int pid = 0;
    if (std::fread(text, 1, sizeof text - 1, f.get()) == 0 || !scan_int(text, &pid)) pid = 0;
    return pid < 0 ? 0 : pid;
}

// A record lock rather than the pid alone: it names its holder, goes with
// the holder's end, and two instances can never both hold it. (Closing any
// descriptor of the file would drop it, so the daemon never opens the file
// again.)
int claim_pid_file(const char* path) {
    for (;;) {
        int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return -1;
        struct flock lock = whole_file(F_WRLCK);
        if (fcntl(fd, F_SETLK, &lock) == 0) {
            if (same_file(fd, path)) return keep_pid_file(fd, path);
            close(fd);  // the older instance removed the file meanwhile
            continue;
        }
        // A file system without record locks: the file is simply taken.
        if (errno != EACCES && errno != EAGAIN) return keep_pid_file(fd, path);
        lock = whole_file(F_WRLCK);
        pid_t older = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK ? lock.l_pid : 0;
        close(fd);
        if (older > 0) kill(older, SIGTERM);
        // Without a holder it was let go of meanwhile (or is held from
        // outside this pid namespace): look again soon.
        sleep_through(older > 0 ? 1000 : 100);
    }
}

int write_pid_file(int pid) {
    int fd = own_fd;
    if (fd < 0) return -1;
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d\n", pid);
    if (ftruncate(fd, 0) != 0 || pwrite(fd, text, n, 0) != n) return -1;
    return 0;
}

void end_daemon() {
    remove_own_pid_file();
    _exit(0);
}

pid_t spawn(char* const argv[], bool own_group) {
    std::fflush(stdout);
    sigset_t held, before;
    sigemptyset(&held);
    for (int sig : kHandled) sigaddset(&held, sig);
    sigprocmask(SIG_BLOCK, &held, &before);
    pid_t pid = fork();
    if (pid == 0) {
        if (own_group) setpgid(0, 0);
        for (int sig : kHandled) signal(sig, SIG_DFL);
        sigprocmask(SIG_SETMASK, &before, nullptr);
        execvp(argv[0], argv);
        _exit(255);
    }
    if (pid > 0) {
        if (own_group) setpgid(pid, pid);
        remember(pid);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return pid;
}

bool running(pid_t child) {
    if (child <= 0) return false;
    for (pid_t slot : children)
        if (slot == child) return true;
    return false;
}

bool wait_for(std::int64_t ms, pid_t child) {
    const std::int64_t end = ms < 0 ? -1 : now_ms() + ms;
    for (;;) {
        if (command_pending) return true;
        reap();
        if (child != 0 && !running(child)) return false;
        int timeout = -1;
        if (end >= 0) {
            std::int64_t left = end - now_ms();
            if (left <= 0) return false;
            timeout = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        if (wake_fd[0] < 0 && (timeout < 0 || timeout > 100)) timeout = 100;  // no pipe: look often
        pollfd pfd{wake_fd[0], POLLIN, 0};
        if (poll(&pfd, 1, timeout) > 0) drain_wake_pipe();
    }
}

void sleep_through(std::int64_t ms) {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

bool command_signalled() {
    if (!command_pending) return false;
    command_pending = 0;
    return true;
}

void stop_relay_and_timer(pid_t relay_child) {
    int pid = read_pid_file(kRelayPidPath);
    if (pid > 0) kill(pid, SIGTERM);
    if (running(relay_child) && relay_child != pid) kill(relay_child, SIGTERM);
    pid = read_pid_file(kTimerPidPath);
    if (pid > 0) kill(pid, SIGTERM);
}

bool stop_ppp_daemons(bool announce) {
    for (int unit = 0; unit < kPppUnits; ++unit) {
        char path[32];
        std::snprintf(path, sizeof path, kPppPidFormat, unit);
        int pid = read_pid_file(path);
        if (pid <= 0) continue;
        kill(pid, SIGTERM);
        if (announce) std::printf("kill %d\n", pid);
        if (wait_for(5000)) return false;
    }
    return true;
}
