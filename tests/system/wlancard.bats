#!/usr/bin/env bats
# wlancard against the simulated card driver: output, and the requests
# the driver saw.

load helpers

setup_file() { appliance_up; }   # its start makes the node, as mkwlandev does
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
    # Which channels and names are refused is the unit tests'; one of each here.
    for args in "" "get" "GET ds" "get DS" "get foo" "set essid" "set essid a b" "set ds" \
                "set foo 1" "put essid x" "set ds 100" "set essid 0123456789abcdef0123456789ABCDEFG"; do
        testing "$args" "wlancard $args" "$USAGE" 0
    done
    [ "$(requests)" = "" ]
    testing "32 bytes fit" "wlancard set essid 0123456789abcdef0123456789ABCDEF" "" 0
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
    testing "essid"        "wlancard get essid"          "apnet" 0
    testing "ds"           "wlancard get ds"             "3" 0
    testing "banner"       "wlancard get banner"         "PCnetMobile:v1.5 (radio_cs) 1999/03/12" 0
    testing "version"      "wlancard get ver"            "1.05" 0
    testing "extra words"  "wlancard get ds extra words" "3" 0
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
    testing "essid"        "wlancard set essid office && wlancard get essid" "office" 0
    testing "empty essid"  "wlancard set essid '' && wlancard get essid"  "" 0
    testing "ds"           "wlancard set ds 1 && wlancard set ds 99 && wlancard set ds 7x && wlancard get ds" "7" 0
    [ "$(grep SET "$APP/sim/fk/requests.log")" = "radio SETESSID 066f666669636500
radio SETESSID 0000
radio SETDS 01000000
radio SETDS 63000000
radio SETDS 07000000" ]
}

@test "the ESSID is the length byte's worth of text, cut at a NUL byte" {
    printf 'ab\0cd' > "$APP/sim/fk/radio_essid"
    testing "NUL byte"     "wlancard get essid" "ab" 0
    # The driver leaves no terminator after the name (it writes '#').
    printf 'lab-7' > "$APP/sim/fk/radio_essid"
    testing "no NUL byte"  "wlancard get essid" "lab-7" 0
}

@test "the version comes from the banner's tag" {
    # How a banner reads is the unit tests'; here, how the value prints.
    for pair in "PCnetMobile:v2.34 beta|2.34" "Radio:v1.5|0.00"; do
        echo "${pair%|*}" > "$APP/sim/fk/radio_banner"
        testing "${pair%|*}" "wlancard get ver" "${pair#*|}" 0
    done
}

@test "the station table: entries in use in index order, and the driver's count" {
    testing "st"           "wlancard get st"  "00:40:96:2A:01:5C 87
00:40:96:33:0E:F1 64
08:00:46:0B:77:A0 91" 0
    testing "mac"          "wlancard get mac" "00:40:96:2A:01:5C
00:40:96:33:0E:F1
08:00:46:0B:77:A0" 0
    testing "num"          "wlancard get num" "3" 0

    printf '255 02:00:00:00:00:FF 4294967295\n7 0a:0b:0c:0d:0e:0f 0\ncount 9\n' > "$APP/sim/fk/radio_stations"
    testing "index order"  "wlancard get st"  "0A:0B:0C:0D:0E:0F 0
02:00:00:00:00:FF 4294967295" 0
    testing "driver count" "wlancard get num" "9" 0

    printf 'count 4\n' > "$APP/sim/fk/radio_stations"
    testing "none in use"  "wlancard get st"  "" 0
    testing "none in use"  "wlancard get mac" "" 0
    testing "count alone"  "wlancard get num" "4" 0
}

@test "a failing driver: every command but get ver says so, get ver prints nothing" {
    touch "$APP/sim/fk/refuse/radio"
    for args in "get essid" "get ds" "get banner" "get st" "get mac" "get num" "set essid x" "set ds 5"; do
        testing "$args" "wlancard $args" "can't find PC card driver!" 0
    done
    testing "get ver" "wlancard get ver" "" 0
}

@test "without the device node, or with a node of another major, there is no driver" {
    mv "$APP/dev/radio_cs" "$APP/dev/radio_cs.keep"
    testing "no node"      "wlancard get essid" "can't find PC card driver!" 0
    testing "no node"      "wlancard get ver"   "" 0
    mknod "$APP/dev/radio_cs" c 61 0
    run inapp wlancard get ds
    rm -f "$APP/dev/radio_cs"
    mv "$APP/dev/radio_cs.keep" "$APP/dev/radio_cs"
    [ "$status" -eq 0 ]
    [ "$output" = "can't find PC card driver!" ]
}
