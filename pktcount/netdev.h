// The kernel's per-interface counters, from /proc/net/dev.
#pragma once
#include "counters.h"

constexpr const char* kNetDev = "/proc/net/dev";

// Applies one line of /proc/net/dev (':' counting as a blank) when `name`
// occurs anywhere in it: of the sixteen numbers after the name, the 2nd and
// 3rd are rx and rx_err, the 10th and 11th tx and tx_err. Numbers that run
// out early leave their counters as they were. Returns 0 when the line
// names the interface, -1 when it does not.
int apply_netdev_line(const char* line, const char* name, Counters& current);

// Reads the counters of interface `name`; the last line naming it wins.
// `current` starts at 0. Returns -1, with `current` 0, when /proc/net/dev
// cannot be opened or read to its end.
int read_interface_counters(const char* name, Counters& current);
