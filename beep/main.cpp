// beep: sounds the buzzer in cycles of `count` beeps until it is killed.
#include <cstdio>

#include "number.h"
#include "program.h"
#include "tone.h"

namespace {
constexpr long kBeepGap = 100000;     // microseconds between the beeps of a cycle
constexpr long kCyclePause = 1000000; // after the last beep of a cycle
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: %s count\n", program_name(argv, "beep"));
        return 0;
    }
    int count = to_int(argv[1]);
    hold_termination_signals();
    for (;;) {
        for (int i = 0; i < count; ++i) {
            console_beep(kBeepTone, kBeepLength);
            if (i + 1 < count) beep_sleep(kBeepGap);
        }
        beep_sleep(kCyclePause);
    }
}
