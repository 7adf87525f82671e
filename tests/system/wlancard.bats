#!/usr/bin/env bats
# wlancard against the simulated card driver: output, and the requests
# the driver saw.

load helpers

setup_file() {
    appliance_up
    inapp mkwlandev
}
teardown_file() { appliance_down; }

setup() {
    ROOT=$APP . "$APPLIANCE_SRC/sim/create.d/60-radio-panel.sh"  # the card as after power-up
    : > "$APP/sim/fk/requests.log"
    rm -f "$APP/sim/fk/refuse/radio"
}

requests() { cat "$APP/sim/fk/requests.log"; }

USAGE='usage: wlancard command [arg1 [arg2]]
    command get or set'

@test "wrong command lines print the usage text, exit 0 and send nothing" {
    for args in "" "get" "GET ds" "get DS" "get foo" "set essid" "set essid a b" "set ds" \
                "set foo 1" "put essid x" "set ds 0" "set ds 100" "set ds -1" "set ds x7" "set ds ''"; do
        eval "run inapp wlancard $args"
        [ "$status" -eq 0 ] || { echo "args: $args"; false; }
        [ "$output" = "$USAGE" ] || { echo "args: $args: $output"; false; }
    done
    [ "$(requests)" = "" ]
}

@test "an ESSID longer than 32 bytes prints the usage text and is not sent" {
    run inapp wlancard set essid 0123456789abcdef0123456789ABCDEFG
    [ "$status" -eq 0 ]
    [ "$output" = "$USAGE" ]
    [ "$(requests)" = "" ]
    run inapp wlancard set essid 0123456789abcdef0123456789ABCDEF
    [ "$output" = "" ]
    [ "$(requests)" = "radio open /dev/radio_cs flags=00
radio SETESSID 20303132333435363738396162636465663031323334353637383941424344454600" ]
}

@test "the program name in the usage text is cut to 255 characters" {
    long=$(printf 'w%.0s' $(seq 300))
    run inapp bash -c "exec -a $long wlancard"
    [ "$status" -eq 0 ]
    [ "${lines[0]}" = "usage: $(printf 'w%.0s' $(seq 255)) command [arg1 [arg2]]" ]
}

@test "get reads each value with one request on a freshly opened device" {
    run inapp wlancard get essid
    [ "$status" -eq 0 ]
    [ "$output" = "apnet" ]
    run inapp wlancard get ds
    [ "$output" = "3" ]
    run inapp wlancard get banner
    [ "$output" = "PCnetMobile:v1.5 (radio_cs) 1999/03/12" ]
    run inapp wlancard get ver
    [ "$output" = "1.05" ]
    run inapp wlancard get ds extra words
    [ "$output" = "3" ]
    [ "$(requests)" = "radio open /dev/radio_cs flags=00
radio GETESSID
radio open /dev/radio_cs flags=00
radio GETDS
radio open /dev/radio_cs flags=00
radio GETBANNER
radio open /dev/radio_cs flags=00
radio GETBANNER
radio open /dev/radio_cs flags=00
radio GETDS" ]
}

@test "set sends the ESSID and DS records, and get reads them back" {
    run inapp wlancard set essid office
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    run inapp wlancard get essid
    [ "$output" = "office" ]
    run inapp wlancard set essid ""
    [ "$output" = "" ]
    run inapp wlancard get essid
    [ "$output" = "" ]
    for ds in 1 99 7x; do
        run inapp wlancard set ds "$ds"
        [ "$status" -eq 0 ]
        [ "$output" = "" ]
    done
    run inapp wlancard get ds
    [ "$output" = "7" ]
    [ "$(grep SET "$APP/sim/fk/requests.log")" = "radio SETESSID 066f666669636500
radio SETESSID 0000
radio SETDS 01000000
radio SETDS 63000000
radio SETDS 07000000" ]
}

@test "the ESSID is the length byte's worth of text, cut at a NUL byte" {
    printf 'ab\0cd' > "$APP/sim/fk/radio_essid"
    run inapp wlancard get essid
    [ "$output" = "ab" ]
    # The driver leaves no terminator after the name (it writes '#').
    printf 'lab-7' > "$APP/sim/fk/radio_essid"
    run inapp wlancard get essid
    [ "$output" = "lab-7" ]
}

@test "the version comes from the banner's tag" {
    for pair in "PCnetMobile:v2.34 beta|2.34" "PCnetMobile:v1.234|1.23" "PCnetMobile:v1.5|1.05" \
                "Radio:v1.5|0.00" "PCnetMobile:v7|0.00"; do
        echo "${pair%|*}" > "$APP/sim/fk/radio_banner"
        run inapp wlancard get ver
        [ "$status" -eq 0 ]
        [ "$output" = "${pair#*|}" ] || { echo "$pair: $output"; false; }
    done
}

@test "the station table: entries in use in index order, and the driver's count" {
    run inapp wlancard get st
    [ "$output" = "00:40:96:2A:01:5C 87
00:40:96:33:0E:F1 64
08:00:46:0B:77:A0 91" ]
    run inapp wlancard get mac
    [ "$output" = "00:40:96:2A:01:5C
00:40:96:33:0E:F1
08:00:46:0B:77:A0" ]
    run inapp wlancard get num
    [ "$output" = "3" ]

    printf '255 02:00:00:00:00:FF 4294967295\n7 0a:0b:0c:0d:0e:0f 0\ncount 9\n' > "$APP/sim/fk/radio_stations"
    run inapp wlancard get st
    [ "$output" = "0A:0B:0C:0D:0E:0F 0
02:00:00:00:00:FF 4294967295" ]
    run inapp wlancard get num
    [ "$output" = "9" ]

    printf 'count 4\n' > "$APP/sim/fk/radio_stations"
    run inapp wlancard get st
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    run inapp wlancard get mac
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    run inapp wlancard get num
    [ "$output" = "4" ]
}

@test "a failing driver: every command but get ver says so, get ver prints nothing" {
    touch "$APP/sim/fk/refuse/radio"
    for args in "get essid" "get ds" "get banner" "get st" "get mac" "get num" "set essid x" "set ds 5"; do
        run inapp wlancard $args
        [ "$status" -eq 0 ]
        [ "$output" = "can't find PC card driver!" ] || { echo "$args: $output"; false; }
    done
    run inapp wlancard get ver
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
}

@test "without the device node, or with a node of another major, there is no driver" {
    mv "$APP/dev/radio_cs" "$APP/dev/radio_cs.keep"
    run inapp wlancard get essid
    [ "$output" = "can't find PC card driver!" ]
    run inapp wlancard get ver
    [ "$output" = "" ]
    mknod "$APP/dev/radio_cs" c 61 0
    run inapp wlancard get ds
    rm -f "$APP/dev/radio_cs"
    mv "$APP/dev/radio_cs.keep" "$APP/dev/radio_cs"
    [ "$status" -eq 0 ]
    [ "$output" = "can't find PC card driver!" ]
}
