/* Sets or shows the simulated front-panel DIP switches.
 *   dipswitch            prints "switch 0: S0" and "switch 1: S1"
 *   dipswitch N on|off   sets switch N (0 or 1); 1 and 0 do as well
 * The state is /sim/fk/switches ("S0 S1"), which the fake kernel's chipset
 * reads at every port read, so a waiting dipsw sees the change at once. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char *state = "/sim/fk/switches";

int main(int argc, char **argv) {
    unsigned s[2] = {0, 0};
    FILE *f = fopen(state, "r");
    if (f) {
        if (fscanf(f, "%u %u", &s[0], &s[1]) != 2) s[0] = s[1] = 0;
        fclose(f);
    }
    if (argc == 1) {
        printf("switch 0: %u\nswitch 1: %u\n", s[0] ? 1 : 0, s[1] ? 1 : 0);
        return 0;
    }
    int on = -1;
    if (argc == 3) {
        if (!strcmp(argv[2], "on") || !strcmp(argv[2], "1")) on = 1;
        if (!strcmp(argv[2], "off") || !strcmp(argv[2], "0")) on = 0;
    }
    if (on < 0 || (strcmp(argv[1], "0") && strcmp(argv[1], "1"))) {
        fprintf(stderr, "usage: dipswitch [0|1 on|off]\n");
        return 2;
    }
    s[argv[1][0] - '0'] = (unsigned)on;
    char tmp[64];
    snprintf(tmp, sizeof tmp, "%s.%d", state, (int)getpid());
    f = fopen(tmp, "w");
    if (!f || fprintf(f, "%u %u\n", s[0] ? 1 : 0, s[1] ? 1 : 0) < 0 || fclose(f) != 0 || rename(tmp, state) != 0) {
        perror(state);
        return 1;
    }
    return 0;
}
