#!/usr/bin/env bats
# mkwlandev: the card's device node from the appliance's /proc/devices.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

setup() {
    ROOT=$APP . "$APPLIANCE_SRC/sim/create.d/60-radio-panel.sh"
    rm -f "$APP/dev/radio_cs"
}

devices() { printf "$1" > "$APP/sim/proc/devices"; }
node() { stat -c '%F %t:%T %a' "$APP/dev/radio_cs"; }

@test "the node gets the driver's major number, minor 0, and wlancard then reaches the card" {
    testing "made"       "mkwlandev && wlancard get essid" "apnet" 0
    [ "$(node)" = "character special file 3c:0 644" ]  # 0664 less the umask 022
}

@test "the umask is left as it is" {
    testing "umask 002"  "umask 002; exec mkwlandev ignored args" "" 0
    [ "$(node)" = "character special file 3c:0 664" ]
}

@test "an existing node is left alone" {
    mknod "$APP/dev/radio_cs" c 60 0
    chmod 600 "$APP/dev/radio_cs"
    testing "node there" "mkwlandev" "can't create /dev/radio_cs." 3
    [ "$(node)" = "character special file 3c:0 600" ]
}

@test "a line with leading blanks in either section; the first match decides" {
    devices 'Character devices:\n  1 mem\n\nBlock devices:\n    61 radio_cs\n  62 radio_cs\n'
    testing "blanks"     "mkwlandev" "" 0
    [ "$(node)" = "character special file 3d:0 644" ]
}

@test "a major number above 255 is not cut" {
    devices 'Character devices:\n300 radio_cs\n'
    testing "major 300"  "mkwlandev" "" 0
    [ "$(stat -c '%F %t:%T' "$APP/dev/radio_cs")" = "character special file 12c:0" ]
}

@test "no usable radio_cs line (which lines count is the unit tests'): status 2 and no node" {
    devices 'Character devices:\n 60 radio_cs0\n 61 RADIO_CS\n'
    testing "no line"    "mkwlandev" "can't find radio_cs entry." 2
    [ ! -e "$APP/dev/radio_cs" ]
}

@test "no /proc/devices: status 1" {
    rm "$APP/sim/proc/devices"
    testing "no list"    "mkwlandev" "can't open /proc/devices." 1
}
