#!/usr/bin/env bats
# dipsw and beep on the simulated front panel: the port sequence of the
# switch read, the console tone requests and their rhythm.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

teardown() {
    # A waiting program of a failed test must not sound into the next one.
    if [ -e "$APP/tmp/waiting.pid" ]; then
        inapp sh -c 'kill -KILL "$(cat /tmp/waiting.pid)"' 2>/dev/null || true
        rm -f "$APP/tmp/waiting.pid"
    fi
}

setup() {
    ROOT=$APP . "$APPLIANCE_SRC/sim/create.d/60-radio-panel.sh"
    rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/tones.log" "$APP"/tmp/*.rc
    : > "$APP/sim/fk/requests.log"
}

requests() { cat "$APP/sim/fk/requests.log"; }
switches() { echo "$1 $2" > "$APP/sim/fk/switches"; }
tones() { awk '{print $2}' "$APP/sim/fk/tones.log" 2>/dev/null | paste -sd' '; }
# Milliseconds between successive tone requests.
tone_gaps() { awk 'NR > 1 {printf "%s%d", sep, $1 - last; sep = " "} {last = $1} END {print ""}' "$APP/sim/fk/tones.log"; }
within() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ] || { echo "$1 not within $2..$3"; false; }; }

READ='ioperm 0x22 1 1
ioperm 0x23 1 1
port out 0x22 0x38
port out 0x23 0x5f
port out 0x22 0xa6'

# Runs CMD... in the background inside the appliance, sends SIG once the
# tone has started N times, and prints the command's exit status.
kill_after_tones() {
    local sig=$1 n=$2; shift 2
    inapp bash -c 'set -m; "$@" & p=$!
        until [ "$(grep -cs " 1000$" /sim/fk/tones.log)" -ge '"$n"' ]; do sleep 0.01; done
        kill -'"$sig"' $p; wait $p; echo $?' _ "$@" 2>/dev/null
}
kill_while_sounding() { kill_after_tones "$1" 1 "${@:2}"; }
two_beeps() { [ "$(tones)" = "1000 0 1000 0" ]; }

@test "dipsw: usage for no switch or another switch than 0 and 1 (which words count is the unit tests')" {
    testing "none"      "dipsw"     "usage: dipsw 0|1" 0
    testing "switch 2"  "dipsw 2 1" "usage: dipsw 0|1" 0
    [ "$(requests)" = "" ]
}

@test "dipsw: each switch's state from its line, with the whole port sequence on every read" {
    switches 0 0
    testing "0 off"     "dipsw 0"   "0" 0
    [ "$(requests)" = "$READ
port in 0x23 0xff" ]

    switches 1 0
    testing "0 on"      "dipsw 0"   "1" 0
    testing "1 off"     "dipsw 1"   "0" 0
    switches 0 1
    testing "0 off"     "dipsw 0"   "0" 0
    testing "1 on"      "dipsw 1"   "1" 0
    [ "$(grep -c '^port out 0x23 0x5f$' "$APP/sim/fk/requests.log")" -eq 5 ]
    [ ! -e "$APP/sim/fk/tones.log" ]
}

@test "dipsw: port access refused" {
    touch "$APP/sim/fk/refuse/ioperm"
    testing "read"      "dipsw 0"   "Can't get DIP SW status." 0
    testing "wait"      "dipsw 1 1" "Can't get DIP SW status." 0
    [ ! -e "$APP/sim/fk/tones.log" ]
}

@test "dipsw: a switch already in the wanted state still beeps once" {
    switches 1 0
    run inapp dipsw 0 1
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    [ "$(requests)" = "$READ
port in 0x23 0xfe
console KIOCSOUND 1000
console KIOCSOUND 0
$READ
port in 0x23 0xfe" ]
    within "$(tone_gaps)" 300 450
}

@test "dipsw: beeps about every 1.3 seconds until the switch is flipped" {
    switches 0 0
    inapp bash -c 'dipsw 0 1 & echo $! > /tmp/waiting.pid; wait $!; echo $? > /tmp/dipsw.rc' &
    wait_for 10 two_beeps
    [ ! -e "$APP/tmp/dipsw.rc" ]
    inapp /sim/bin/dipswitch 0 on
    wait_for 5 test -e "$APP/tmp/dipsw.rc"
    wait
    [ "$(cat "$APP/tmp/dipsw.rc")" = 0 ]
    [ "$(inapp /sim/bin/dipswitch)" = "switch 0: 1
switch 1: 0" ]
    set -- $(tone_gaps)
    within "$1" 300 450   # tone
    within "$2" 1000 1200 # pause, then the read and the next tone
    within "$3" 300 450
    [ "$(tail -1 "$APP/sim/fk/requests.log")" = "port in 0x23 0xfe" ]
}

@test "dipsw: a termination signal while waiting switches the tone off and ends by that signal" {
    run kill_while_sounding TERM dipsw 0 2
    [ "$output" = 143 ]
    [ "$(tones)" = "1000 0" ]
    within "$(tone_gaps)" 0 250   # cut short
}

@test "beep: usage unless there is exactly one argument" {
    testing "none"      "beep"      "usage: beep count" 0
    testing "two"       "beep 1 2"  "usage: beep count" 0
    [ ! -e "$APP/sim/fk/tones.log" ]
}

@test "beep 3: three 300 ms tones 100 ms apart, then a second of silence" {
    run kill_after_tones TERM 4 beep 3
    [ "$output" = 143 ]
    [ "$(tones)" = "1000 0 1000 0 1000 0 1000 0" ]
    set -- $(tone_gaps)
    within "$1" 300 450
    within "$2" 100 250
    within "$3" 300 450
    within "$4" 100 250
    within "$5" 300 450
    within "$6" 1000 1150
}

@test "beep 0 and beep abc sound nothing" {
    run inapp timeout --preserve-status -s TERM 1.2 beep 0
    [ "$status" -eq 143 ]
    run inapp timeout --preserve-status -s TERM 0.5 beep abc
    [ "$status" -eq 143 ]
    [ ! -e "$APP/sim/fk/tones.log" ]
}

@test "beep: TERM, INT and HUP switch the tone off at once and end the program by the signal" {
    for pair in TERM:143 INT:130 HUP:129; do
        rm -f "$APP/sim/fk/tones.log"
        run kill_while_sounding "${pair%:*}" beep 1
        [ "$output" = "${pair#*:}" ] || { echo "$pair: $output"; false; }
        [ "$(tones)" = "1000 0" ]
        within "$(tone_gaps)" 0 250
    done
}

@test "no console: both programs stop at the first beep with status 1" {
    rm "$APP/dev/console"
    switches 1 1
    testing "dipsw"     "dipsw 1 1" "Can't open /dev/console." 1
    testing "beep"      "beep 2"    "Can't open /dev/console." 1
}

@test "a failing tone request is reported and the program goes on" {
    echo 25 > "$APP/sim/fk/refuse/KIOCSOUND"
    switches 0 1
    testing "refused"   "dipsw 1 1" "ioctl:KIOCSOUND: errno=25
ioctl:KIOCSOUND: errno=25" 0
    [ "$(grep -c 'KIOCSOUND .* refused' "$APP/sim/fk/requests.log")" -eq 2 ]
    [ "$(tail -1 "$APP/sim/fk/requests.log")" = "port in 0x23 0xfd" ]
}
