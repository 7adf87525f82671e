// dipsw: prints the state of a front-panel DIP switch, or beeps about
// every 1.3 seconds until the switch is set to the wanted state.
#include <cstdio>

#include "ports.h"
#include "program.h"
#include "switches.h"
#include "tone.h"

namespace {
constexpr long kRetryPause = 1000000;  // microseconds between beeps
}  // namespace

int main(int argc, char** argv) {
    DipswArgs args;
    if (!parse_dipsw_args(argc, argv, &args)) {
        std::printf("usage: %s 0|1\n", program_name(argv, "dipsw"));
        return 0;
    }
    int status = dipsw_read();
    if (status < 0) {
        std::printf("Can't get DIP SW status.\n");
        return 0;
    }
    if (args.wanted < 0) {
        std::printf("%d\n", switch_state(args.selector, status));
        return 0;
    }

    hold_termination_signals();
    for (;;) {
        console_beep(kBeepTone, kBeepLength);
        status = dipsw_read();
        // A read that fails now says nothing about the switch: keep waiting.
        if (status >= 0 && switch_state(args.selector, status) == args.wanted) return 0;
        beep_sleep(kRetryPause);
    }
}
