// dialctl: commands the dial-up link daemon. Writes the command word into
// the command file and wakes the daemon with SIGUSR1, starting the daemon
// first when none runs. Prints only its usage line; always ends with 0.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "command.h"
#include "number.h"
#include "program.h"

namespace {

const char* program = "dialctl";
int daemon_pid = 0;

int usage() {
    std::printf("usage: %s start|stop|test n|restart|exit\n", program);
    return 0;
}

int start_daemon() {
    signal(SIGCHLD, SIG_IGN);
    std::fflush(stdout);
    if (fork() == 0) {
        close(0);
        close(1);
        close(2);
        setsid();
        char path[] = "/bin/dialmon";
        char* argv[] = {path, nullptr};
        execvp(path, argv);
        _exit(0);
    }
    return 0;
}

int signal_daemon() {
    if (daemon_pid <= 0) return -1;
    return kill(daemon_pid, SIGUSR1) == 0 ? 0 : -1;
}

// Writes and signals unless the command file already holds the command
// (or, for start, a restart that implies it). The file stays locked from
// the read until the signal has gone, so that the daemon never writes over
// the word before it has been woken for it.
void send_command(int code, int same = -1, int also_same = -1) {
    CommandFile file(CommandFile::wait);
    char line[256];
    int current = file.read(line) == 0 ? command_code(line) : -1;
    if (current > CMD_NONE && (current == same || current == also_same)) return;
    file.write(command_word(code));
    // The daemon named now: one that took over meanwhile reads the file
    // only once this lock is let go.
    int now = find_daemon();
    if (now > 0) daemon_pid = now;
    signal_daemon();
}

}  // namespace

int main(int argc, char** argv) {
    program = program_name(argv, "dialctl");
    if (argc < 2) return usage();
    const char* word = argv[1];

    if (std::strcmp(word, "exit") == 0) {
        daemon_pid = find_daemon();
        if (daemon_pid > 0) send_command(CMD_EXIT);
        return 0;
    }

    daemon_pid = find_daemon();
    if (daemon_pid <= 0) {
        start_daemon();
        sleep(3);
        daemon_pid = find_daemon();
    }

    if (std::strcmp(word, "start") == 0) {
        send_command(CMD_START, CMD_START, CMD_RESTART);
    } else if (std::strcmp(word, "stop") == 0) {
        send_command(CMD_STOP, CMD_STOP);
    } else if (std::strcmp(word, "test") == 0) {
        if (argc < 3) return usage();
        int n = to_int(argv[2]);
        if (n < 1 || n > 5) return 0;
        send_command(CMD_TEST1 + n - 1, CMD_TEST1 + n - 1);
    } else if (std::strcmp(word, "restart") == 0) {
        send_command(CMD_RESTART, CMD_RESTART);
    }
    return 0;
}
