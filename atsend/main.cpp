// atsend: sends one AT command to the modem and prints its reply.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "modem.h"
#include "number.h"
#include "program.h"
#include "reply.h"
#include "settings.h"

namespace {

constexpr useconds_t kSettleTime = 200000;   // after the line set-up
constexpr int kSilenceMs = 3000;             // the modem has said all

Reply buffer;
char printed[kReplySize + 1];

int usage(const char* prog, int status) {
    printf("usage: %s [-s speed] at_command\n", prog);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    int speed = 0;
    const char* prog = program_name(argv, "atsend");
    if (argc < 2) return 0;

    const char* command = argv[1];
    if (std::strcmp(argv[1], "-s") == 0) {
        if (argc < 4) return usage(prog, 0);
        scan_int(argv[2], &speed);
        command = argv[3];
    }
    if (!set_command(buffer, command)) return usage(prog, 1);

    open_standard_descriptors();  // the line must not become the reply's output
    Modem modem;
    if (!open_modem(modem, speed_code(speed))) return kFailureStatus;
    usleep(kSettleTime);
    send_command(modem, buffer);

    if (collect_reply(modem.fd, buffer, kSilenceMs) == Collected::wait_failed) {
        fprintf(stderr, "select error\n");  // the text callers know
        return kFailureStatus;
    }
    strip_returns(buffer.text, printed);
    printf("%s", printed);
    const bool printed_all = fflush(stdout) == 0 && !ferror(stdout);
    if (!printed_all) perror("standard output");
    close_modem(modem);
    return printed_all ? 0 : kFailureStatus;
}
