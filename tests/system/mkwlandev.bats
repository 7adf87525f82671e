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
    run inapp mkwlandev
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    [ "$(node)" = "character special file 3c:0 644" ]  # 0664 less the umask 022
    run inapp wlancard get essid
    [ "$output" = "apnet" ]
}

@test "the umask is left as it is" {
    run inapp sh -c 'umask 002; exec mkwlandev ignored args'
    [ "$status" -eq 0 ]
    [ "$(node)" = "character special file 3c:0 664" ]
}

@test "an existing node is left alone" {
    mknod "$APP/dev/radio_cs" c 60 0
    chmod 600 "$APP/dev/radio_cs"
    run inapp mkwlandev
    [ "$status" -eq 3 ]
    [ "$output" = "can't create /dev/radio_cs." ]
    [ "$(node)" = "character special file 3c:0 600" ]
}

@test "a line with leading blanks in either section; the first match decides" {
    devices 'Character devices:\n  1 mem\n\nBlock devices:\n    61 radio_cs\n  62 radio_cs\n'
    run inapp mkwlandev
    [ "$status" -eq 0 ]
    [ "$(node)" = "character special file 3d:0 644" ]
}

@test "a major number above 255 is not cut" {
    devices 'Character devices:\n300 radio_cs\n'
    run inapp mkwlandev
    [ "$status" -eq 0 ]
    [ "$(stat -c '%F %t:%T' "$APP/dev/radio_cs")" = "character special file 12c:0" ]
}

@test "no usable radio_cs line: status 2 and no node" {
    for text in 'Character devices:\n 60 radio_cs0\n 61 RADIO_CS\n' 'Character devices:\n  0 radio_cs\n 60 radio_cs\n' \
                '4096 radio_cs\n' ' -1 radio_cs\n' ''; do
        devices "$text"
        run inapp mkwlandev
        [ "$status" -eq 2 ] || { echo "$text: $status"; false; }
        [ "$output" = "can't find radio_cs entry." ]
        [ ! -e "$APP/dev/radio_cs" ]
    done
}

@test "no /proc/devices: status 1" {
    rm "$APP/sim/proc/devices"
    run inapp mkwlandev
    [ "$status" -eq 1 ]
    [ "$output" = "can't open /proc/devices." ]
}
