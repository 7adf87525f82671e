// The daemon's flow: start-up, the main loop, the on-demand connect loop
// and the test dial.
#pragma once
#include "daemon.h"

// Dials through the try order, pass after pass, while the state is
// STATE_START.
void connect_loop(Daemon& d);

// One dial of entry n without demand; then STATE_START, unless a command
// came meanwhile.
void test_dial(Daemon& d, int n);

// Start-up and the main loop; never returns.
[[noreturn]] void run_daemon();
