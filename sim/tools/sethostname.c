/* sethostname NAME: sets the host name of the appliance (its own UTS
 * namespace) as it stands. The hostname tool would refuse the factory
 * name's "_", and /proc/sys/kernel/hostname is not writable in an
 * unprivileged user namespace. */
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sethostname NAME\n");
        return 2;
    }
    if (sethostname(argv[1], strlen(argv[1])) != 0) {
        perror("sethostname");
        return 1;
    }
    return 0;
}
