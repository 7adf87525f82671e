#include "settings.h"

#include <cstring>

namespace {

struct SpeedRow {
    int value;
    speed_t code;
};

constexpr SpeedRow kSpeeds[] = {
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
};

}  // namespace

speed_t speed_code(int speed) {
    for (const SpeedRow& row : kSpeeds)
        if (row.value == speed) return row.code;
    return B0;
}

termios working_settings(speed_t speed) {
    termios t;
    std::memset(&t, 0, sizeof t);
    t.c_iflag = IGNPAR;
    t.c_oflag = 0;
    t.c_cflag = speed | CS8 | CREAD | CLOCAL | CRTSCTS;
    t.c_lflag = 0;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

tcflag_t release_cflag(speed_t speed) { return speed | CS8 | CREAD | CLOCAL; }
