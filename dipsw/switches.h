// The two front-panel DIP switches: what dipsw is asked, and what the
// chipset's byte says about each switch.
#pragma once
#include <cstdint>

// Bit 0 is switch 0, bit 1 switch 1; a bit is 1 when its input line reads 0.
inline int switch_status(uint8_t port_byte) { return ~port_byte & 3; }

// 1 when the selected switch is set in `status`, else 0.
inline int switch_state(long selector, int status) { return ((selector + 1) & status) > selector ? 1 : 0; }

struct DipswArgs {
    long selector;
    long wanted;  // negative: print the state instead of waiting for one
};

// Reads the command line; false means the usage text is due.
bool parse_dipsw_args(int argc, char** argv, DipswArgs* out);
