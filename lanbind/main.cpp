// lanbind: configures the kernel's Ethernet bridge, one request per
// command word; without words it shows the bridge status.
#include <cstdio>
#include <unistd.h>

#include "bridge.h"
#include "commands.h"
#include "display.h"
#include "program.h"

int main(int argc, char** argv) {
    int sock = open_bridge_socket();
    if (sock < 0) {
        std::perror("socket failed: Probably bridge not compiled into kernel");
        return kFailureStatus;
    }
    int status = 0;
    if (argc < 2)
        status = show_bridge_status(sock) < 0 ? 1 : 0;
    else
        status = run_commands(sock, argc - 1, argv + 1);
    close(sock);
    return status;
}
