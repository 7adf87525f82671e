// The only place where lanbind meets the kernel: the bridge ioctls on an
// ordinary, never connected socket.
#include "bridge.h"

#include <cstdio>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {
constexpr unsigned long kSiocGifbr = 0x8940;
constexpr unsigned long kSiocSifbr = 0x8941;
}  // namespace

int open_bridge_socket() { return socket(AF_INET, SOCK_STREAM, 0); }

int read_bridge_status(int sock, bridge_status* st) {
    std::memset(st, 0, sizeof *st);
    if (ioctl(sock, kSiocGifbr, st) < 0) {
        std::fputs("Kernel Bridge Module missing.\n", stdout);
        return -1;
    }
    return 0;
}

int send_bridge_request(int sock, uint32_t command, uint32_t value1, uint32_t value2) {
    bridge_request req{command, value1, value2};
    if (ioctl(sock, kSiocSifbr, &req) < 0) {
        // What was printed before belongs before the error on a shared terminal.
        std::fflush(stdout);
        std::perror("ioctl(SIOCSIFBR) failed");
        return -1;
    }
    return 0;
}
