// The buzzer: the console's tone ioctl, shared by dipsw and beep.
#pragma once

constexpr int kBeepTone = 1000;   // period in ticks of the 1193180 Hz timer: about 1193 Hz
constexpr int kBeepLength = 300;  // milliseconds

// Sounds `tone` for `ms` milliseconds on /dev/console and switches it off
// again. Exits with status 1 when the console cannot be opened; a failed
// ioctl is reported and the beep goes on.
void console_beep(int tone, int ms);

// A program that sounds the buzzer until it is killed calls this first.
// TERM, INT and HUP are then taken only while the program sleeps (in
// console_beep or beep_sleep): the tone is switched off, and the program
// ends by the signal it got, as it would without the handler.
void hold_termination_signals();

// Sleeps `us` microseconds; ends the program as above when a termination
// signal arrives meanwhile.
void beep_sleep(long us);
