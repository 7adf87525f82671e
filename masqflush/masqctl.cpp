#include "masqctl.h"

#include <netinet/in.h>
#include <sys/socket.h>

int open_masq_socket() { return socket(AF_INET, SOCK_RAW, IPPROTO_RAW); }

int send_masq_control(int sock, const MasqControl& rec) {
    return setsockopt(sock, IPPROTO_IP, kMasqControlOption, &rec, sizeof rec) == 0 ? 0 : -1;
}
