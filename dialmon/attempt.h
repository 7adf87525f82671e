// One connection attempt: the PPP daemon and the DNS relay for one entry.
#pragma once
#include "daemon.h"

// Stops leftover PPP daemons, writes the files for entry n, publishes the
// attempt in the status file, starts the DNS relay and runs the PPP daemon
// until it ends, then stops the relay and timer and clears ppp0's address.
// An entry outside 1..5 or without a phone number is not dialed. A command
// taken before the relay and the PPP daemon have started ends the attempt
// there: nothing more is written or started.
void attempt_dial(Daemon& d, int n, int demand);
