// dialmon: the resident dial-up link daemon. It starts idle and acts on the
// commands that dialctl leaves in /etc/ppp/ppp.cmd with SIGUSR1.
#include "flow.h"

int main() { run_daemon(); }
