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

namespace {

constexpr int kHandled[] = {SIGUSR1, SIGTERM, SIGCHLD};

volatile sig_atomic_t command_pending = 0;
int wake_fd[2] = {-1, -1};  // a byte for every signal, so that the wait wakes

// The claimed pid file: what the SIGTERM handler may remove.
const char* own_path = kDialmonPidPath;
volatile sig_atomic_t own_fd = -1;
volatile sig_atomic_t own_pid = 0;
bool record_locks = true;

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

// The pid a descriptor's file holds (0 for none). Safe in a handler.
long long pid_in(int fd) {
    char text[16];
    ssize_t n = pread(fd, text, sizeof text, 0);
    long long pid = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pid = pid * 10 + (text[i] - '0');
    return pid;
}

// Only the daemon itself removes its pid file, and only while the file at
// the path is still the one it claimed and names it. Safe in a handler.
void remove_own_pid_file() {
    int fd = own_fd;
    if (fd < 0 || getpid() != own_pid || !same_file(fd, own_path)) return;
    if (pid_in(fd) == own_pid) unlink(own_path);
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

void drain_wake_pipe() {
    char buf[64];
    while (read(wake_fd[0], buf, sizeof buf) > 0) {
    }
}

// The pid file's locks: byte 0 is held by the running daemon, byte 1 by
// the one instance that is claiming the file from it.
constexpr off_t kHolder = 0;
constexpr off_t kClaimant = 1;

struct flock byte_lock(short type, off_t at) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = 1;
    return lock;
}

// 0 when taken; else -1 with errno (EACCES/EAGAIN: held by another).
int take(int fd, off_t at) {
    struct flock lock = byte_lock(F_WRLCK, at);
    return fcntl(fd, F_SETLK, &lock);
}

void let_go(int fd, off_t at) {
    struct flock lock = byte_lock(F_UNLCK, at);
    fcntl(fd, F_SETLK, &lock);
}

// Who holds the byte (0: nobody, or someone outside this pid namespace).
pid_t holder_of(int fd, off_t at) {
    struct flock lock = byte_lock(F_WRLCK, at);
    if (fcntl(fd, F_GETLK, &lock) != 0 || lock.l_type == F_UNLCK) return 0;
    return lock.l_pid;
}

bool held_by_another(int rc) { return rc != 0 && (errno == EACCES || errno == EAGAIN); }

// Another live dialmon named by the file at fd.
bool names_other_daemon(int fd) {
    long long pid = pid_in(fd);
    return pid > 0 && pid <= INT_MAX && pid != own_pid && names_dialmon(static_cast<int>(pid));
}

Claim keep(int fd, bool took_over) {
    own_fd = fd;
    return took_over ? Claim::took_over : Claim::fresh;
}

// The takeover where there are no record locks: as the daemon always did it.
Claim claim_without_locks(int fd) {
    record_locks = false;
    bool took_over = false;
    int older = read_pid_file(own_path);
    if (older != own_pid && names_dialmon(older)) {
        kill(older, SIGTERM);
        sleep_through(1000);
        took_over = true;
    }
    return keep(fd, took_over);
}

}  // namespace

std::int64_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        struct stat st {};
        if (fstat(fd, &st) == 0 || errno != EBADF) continue;
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
    } else if (pid > 0) {
        std::exit(0);
    } else {
        if (chdir("/") != 0) {
            // Staying in the old directory does no harm.
        }
        setsid();
    }
    clearenv();
}

void install_handlers() {
    own_pid = getpid();
    if (pipe2(wake_fd, O_CLOEXEC | O_NONBLOCK) != 0) std::perror("pipe");
    // The daemon reaps its children itself; SIGCHLD may come in ignored.
    install(SIGCHLD, on_sigchld, SA_NOCLDSTOP | SA_RESTART);
    install(SIGUSR1, on_sigusr1, SA_RESTART);
    install(SIGTERM, on_sigterm, 0);
    signal(SIGPIPE, SIG_IGN);
    sigset_t handled;
    sigemptyset(&handled);
    for (int sig : kHandled) sigaddset(&handled, sig);
    sigprocmask(SIG_UNBLOCK, &handled, nullptr);
}

Claim claim_pid_file(const char* path) {
    own_path = path;
    own_pid = getpid();
    bool took_over = false;
    for (;;) {
        int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return Claim::failed;
        int rc = take(fd, kHolder);
        if (rc == 0) {
            if (!same_file(fd, path)) {  // removed meanwhile: look again
                close(fd);
                continue;
            }
            // A daemon that ran on a removed file, or a claimant: told to
            // end by the file's own checks.
            return keep(fd, took_over || names_other_daemon(fd));
        }
        if (!held_by_another(rc)) return claim_without_locks(fd);

        // Claim the file: an older claimant steps aside for this one.
        const pid_t holder = holder_of(fd, kHolder);
        while (held_by_another(take(fd, kClaimant))) {
            pid_t older = holder_of(fd, kClaimant);
            if (older > 0) kill(older, SIGTERM);
            sleep_through(20);
        }
        // Named from now on: dialctl reaches this daemon, and the holder's
        // end leaves the file alone.
        own_fd = fd;
        write_pid_file(own_pid);
        own_fd = -1;
        if (holder > 0) kill(holder, SIGTERM);
        took_over = true;
        for (;;) {
            sleep_through(20);
            rc = take(fd, kHolder);
            if (rc == 0) break;
            pid_t now = holder_of(fd, kHolder);
            if (now > 0 && now != holder) _exit(0);  // a younger one holds it: step aside
        }
        let_go(fd, kClaimant);
        if (same_file(fd, path)) return keep(fd, true);
        close(fd);
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

// (The claimed file is only ever read through its one descriptor: closing
// any other descriptor of it would let go of its lock.)
bool keep_pid_file() {
    int fd = own_fd;
    if (fd < 0) return true;
    if (same_file(fd, own_path)) {
        if (pid_in(fd) == own_pid) return true;
        if (names_other_daemon(fd)) return false;
        write_pid_file(own_pid);  // written over by someone else
        return true;
    }
    // Removed, or replaced by another file.
    int named = read_pid_file(own_path);
    if (named != own_pid && names_dialmon(named)) return false;
    int fresh = open(own_path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fresh < 0) return true;  // tried again a second later
    if (record_locks && take(fresh, kHolder) != 0) {
        close(fresh);
        return false;  // another daemon holds the new file
    }
    own_fd = fresh;
    close(fd);
    write_pid_file(own_pid);
    return true;
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
        // The daemon's handlers must not run here: they go before the
        // signals are let in.
        for (int sig : kHandled) signal(sig, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        char* env[] = {const_cast<char*>(kChildPath), nullptr};
        execve(argv[0], argv, env);
        _exit(255);
    }
    if (pid > 0 && own_group) setpgid(pid, pid);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return pid;
}

pid_t reap_one() {
    pid_t pid = waitpid(-1, nullptr, WNOHANG);
    return pid > 0 ? pid : 0;
}

void wait_until(std::int64_t deadline) {
    int timeout = -1;
    if (deadline >= 0) {
        std::int64_t left = deadline - now_ms();
        timeout = left <= 0 ? 0 : left > INT_MAX ? INT_MAX : static_cast<int>(left);
    }
    if (wake_fd[0] < 0 && (timeout < 0 || timeout > 100)) timeout = 100;  // no pipe: look often
    pollfd pfd{wake_fd[0], POLLIN, 0};
    if (poll(&pfd, 1, timeout) > 0) drain_wake_pipe();
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

bool command_waiting() { return command_pending != 0; }

void expect_command() { command_pending = 1; }
