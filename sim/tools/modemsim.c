/* The appliance's modem: a pseudo-terminal whose slave side is /dev/modem.
 * It echoes what it is sent, like a modem in its default echo mode, and
 * answers each command line ended by a carriage return:
 *
 *   AT, ATZ    "\r\nOK\r\n"
 *   ATI        two lines of identification, then OK
 *   AT+SLOW    a reply and its OK in five pieces, 150 ms apart, the OK
 *              marker split across them
 *   AT+DRIP    a line that trickles in for 1.5 s and never says OK
 *   AT+FLOOD   5000 bytes of text and no OK
 *   AT+MUTE    nothing at all (besides the echo)
 *   anything else, an over-long line included: "\r\nERROR\r\n"
 *   an empty line: nothing
 *
 * Each command line is logged to /sim/log/modem.log with the line settings
 * in force when it arrived, so tests see what the sender set up:
 *   cmd=ATZ len=3 cflag=800008bd iflag=4 oflag=0 lflag=0 vmin=1 vtime=0
 *
 * The simulator keeps a descriptor of the slave side open, so programs can
 * open and close /dev/modem as often as they like without a hang-up. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#define LINE_MAX_LEN 8192
#define LOG_PATH "/sim/log/modem.log"
#define PID_PATH "/sim/state/modemsim.pid"

static int master = -1;
static int slave = -1;

static void put(const char *text, size_t len) {
    while (len > 0) {
        ssize_t n = write(master, text, len);
        if (n <= 0) return;
        text += n;
        len -= (size_t)n;
    }
}

static void say(const char *text) { put(text, strlen(text)); }

static void pieces(unsigned pause_ms, ...) {
    va_list ap;
    va_start(ap, pause_ms);
    for (const char *p = va_arg(ap, const char *); p; p = va_arg(ap, const char *)) {
        say(p);
        usleep(pause_ms * 1000);
    }
    va_end(ap);
}

static void log_command(const char *line, size_t len) {
    struct termios t;
    memset(&t, 0, sizeof t);
    tcgetattr(slave, &t);
    printf("cmd=%.40s len=%zu cflag=%lx iflag=%lx oflag=%lx lflag=%lx vmin=%u vtime=%u\n",
           line, len, (unsigned long)t.c_cflag, (unsigned long)t.c_iflag, (unsigned long)t.c_oflag,
           (unsigned long)t.c_lflag, t.c_cc[VMIN], t.c_cc[VTIME]);
    fflush(stdout);
}

static void answer(const char *line, size_t len, int overlong) {
    if (len == 0 && !overlong) return;
    log_command(line, len);
    if (overlong) {
        say("\r\nERROR\r\n");
    } else if (strcmp(line, "AT") == 0 || strcmp(line, "ATZ") == 0) {
        say("\r\nOK\r\n");
    } else if (strcmp(line, "ATI") == 0) {
        say("\r\nSIM-56K modem\r\nfirmware 1.0 (simulated)\r\n\r\nOK\r\n");
    } else if (strcmp(line, "AT+SLOW") == 0) {
        pieces(150, "\r\nSLOW", " REPLY\r\n\r", "\nO", "K\r", "\n", (const char *)NULL);
    } else if (strcmp(line, "AT+DRIP") == 0) {
        pieces(500, "\r\nDRIP", ".", ".", ".", (const char *)NULL);
        say("\r\n");
    } else if (strcmp(line, "AT+FLOOD") == 0) {
        char block[100];
        memset(block, 'x', sizeof block - 2);
        block[98] = '\r';
        block[99] = '\n';
        for (int i = 0; i < 50; ++i) put(block, sizeof block);
    } else if (strcmp(line, "AT+MUTE") == 0) {
        /* silence */
    } else {
        say("\r\nERROR\r\n");
    }
}

static void serve(void) {
    static char line[LINE_MAX_LEN + 1];
    size_t len = 0;
    int overlong = 0;
    char buf[512];
    for (;;) {
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0) {
            usleep(100000); /* no reader on the line: nothing to do */
            continue;
        }
        put(buf, (size_t)n); /* echo */
        for (ssize_t i = 0; i < n; ++i) {
            char c = buf[i];
            if (c == '\r') {
                line[len] = '\0';
                answer(line, len, overlong);
                len = 0;
                overlong = 0;
            } else if (c == '\n') {
                continue;
            } else if (len < LINE_MAX_LEN) {
                line[len++] = c;
            } else {
                overlong = 1;
            }
        }
    }
}

int main(void) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("modemsim: /dev/ptmx");
        return 1;
    }
    const char *name = ptsname(master);
    slave = name ? open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0) {
        perror("modemsim: pts");
        return 1;
    }
    /* A raw line while nobody has set it up: the modem's answers must not
     * be echoed back to it by the line discipline. */
    struct termios t;
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);

    unlink("/dev/modem");
    if (symlink(name, "/dev/modem") != 0) {
        perror("modemsim: /dev/modem");
        return 1;
    }

    pid_t pid = fork();
    if (pid < 0) {
        perror("modemsim: fork");
        return 1;
    }
    if (pid > 0) return 0; /* /dev/modem is ready when the starter goes on */

    setsid();
    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    int null = open("/dev/null", O_RDWR);
    int log = open(LOG_PATH, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (null >= 0) dup2(null, 0);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    FILE *pidf = fopen(PID_PATH, "w");
    if (pidf) {
        fprintf(pidf, "%d\n", (int)getpid());
        fclose(pidf);
    }
    serve();
    return 0;
}
