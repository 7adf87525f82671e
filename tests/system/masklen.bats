#!/usr/bin/env bats
# masklen as the web setup calls it: one word in, one line or a status out.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

@test "conversions both ways, malformed input by status 1 alone" {
    local out="" w
    for w in 24 0 32 255.255.254.0 24abc 255.255.255.0xyz 33 -1 255.0.255.0 255.255.0 . 24. ""; do
        run inapp masklen "$w"
        out+="$output[$w] $status"$'\n'
    done
    output=${out%$'\n'}
    [ "$output" = "255.255.255.0[24] 0
0.0.0.0[0] 0
255.255.255.255[32] 0
23[255.255.254.0] 0
255.255.255.0[24abc] 0
24[255.255.255.0xyz] 0
[33] 1
[-1] 1
[255.0.255.0] 1
[255.255.0] 1
[.] 1
[24.] 1
[] 1" ]
}

@test "usage without a word; a word over 31 characters is refused silently; extra words ignored" {
    run inapp masklen
    [ "$status" -eq 0 ]
    [ "$output" = "usage: masklen netmask" ]
    local word=255.255.255.0000000000000000000
    [ ${#word} -eq 31 ]
    run inapp masklen "$word"
    [ "$status" -eq 0 ]
    [ "$output" = "24" ]
    run inapp masklen "${word}0"
    [ "$status" -eq 1 ]
    [ "$output" = "" ]
    run inapp masklen 16 garbage
    [ "$output" = "255.255.0.0" ]
}
