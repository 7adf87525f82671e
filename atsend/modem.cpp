#include "modem.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "settings.h"

bool open_modem(Modem& m, speed_t speed) {
    m.fd = open(kModemPath, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m.fd < 0) {
        perror(kModemPath);
        return false;
    }
    m.speed = speed;
    std::memset(&m.saved, 0, sizeof m.saved);
    tcgetattr(m.fd, &m.saved);
    m.working = working_settings(speed);
    tcflush(m.fd, TCIFLUSH);
    tcsetattr(m.fd, TCSANOW, &m.working);
    return true;
}

void close_modem(Modem& m) {
    m.working.c_cflag = release_cflag(m.speed);
    tcsetattr(m.fd, TCSANOW, &m.working);
    tcsetattr(m.fd, TCSANOW, &m.saved);
    close(m.fd);
    m.fd = -1;
}

void send_command(const Modem& m, const Reply& buf) {
    ssize_t ignored = write(m.fd, buf.text, buf.length);
    (void)ignored;
}

Collected collect_reply(int fd, Reply& buf, int silence_ms) {
    clear(buf);
    for (;;) {
        // poll, not select: the line may be any descriptor, 1024 and above too.
        pollfd line = {fd, POLLIN, 0};
        const int ready = poll(&line, 1, silence_ms);
        if (ready < 0 || (line.revents & POLLNVAL)) return Collected::wait_failed;
        if (ready == 0 || full(buf)) return Collected::done;
        const ssize_t n = read(fd, tail(buf), room(buf));
        // End of file or an error: nothing more will come.
        if (n <= 0) return Collected::done;
        added(buf, static_cast<std::size_t>(n));
        if (has_ok(buf)) return Collected::done;
    }
}
