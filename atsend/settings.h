// The line set-up: speed table and the raw working settings.
#pragma once
#include <termios.h>

// The speed constant for a -s value; B0 for anything not in the table.
speed_t speed_code(int speed);

// Raw 8-bit line with hardware flow control at the given speed:
// everything else, control characters included, is 0.
termios working_settings(speed_t speed);

// The same without hardware flow control, applied before the saved
// settings are put back.
tcflag_t release_cflag(speed_t speed);
