#!/usr/bin/env bats
# dialstat in the simulated appliance: printing and setting the link status.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

setup() { rm -f "$APP/etc/ppp/ppp.stat"; }

stat_file() { printf 'com_status="%s"\nprog_status="%s"\ndial_status="%s"\n' "$@" > "$APP/etc/ppp/ppp.stat"; }

@test "prints each value; unknown names print nothing" {
    stat_file 0 1 2
    run inapp dialstat prog
    [ "$status" -eq 0 ]
    [ "$output" = 1 ]
    run inapp dialstat dial extra words
    [ "$output" = 2 ]
    run inapp dialstat com
    [ "$output" = 0 ]
    run inapp dialstat Prog
    [ "$status" -eq 0 ]
    [ -z "$output" ]
}

@test "set rewrites all three lines in order, keeping the others" {
    printf 'dial_status="2"\njunk="x"\nprog_status="1"\ncom_status="0"\n' > "$APP/etc/ppp/ppp.stat"
    run inapp dialstat -s prog 0
    [ "$status" -eq 0 ]
    [ -z "$output" ]
    [ "$(cat "$APP/etc/ppp/ppp.stat")" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="2"')" ]
    # An unknown name still normalises the file.
    printf 'dial_status="4"\nother="1"\n' > "$APP/etc/ppp/ppp.stat"
    run inapp dialstat -s nothing 9
    [ "$(cat "$APP/etc/ppp/ppp.stat")" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="4"')" ]
    run inapp dialstat -s com 6x
    [ "$(inapp dialstat com)" = 6 ]
}

@test "missing file: the message, then 0; a set creates the file" {
    run inapp dialstat dial
    [ "$status" -eq 0 ]
    [ "$output" = "$(printf "can't open /etc/ppp/ppp.stat\n0")" ]
    run inapp dialstat -s dial 3
    [ "$output" = "can't open /etc/ppp/ppp.stat" ]
    [ "$(cat "$APP/etc/ppp/ppp.stat")" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="3"')" ]
}

@test "usage: no argument, or -s without name and value; file untouched" {
    stat_file 1 2 3
    run inapp dialstat
    [ "$status" -eq 0 ]
    [ "$output" = "usage: dialstat [-s] [com|prog|dial]" ]
    run inapp dialstat -s com
    [ "$status" -eq 0 ]
    [ "$output" = "usage: dialstat [-s] [com|prog|dial]" ]
    [ "$(inapp dialstat com)" = 1 ]
    # -s counts only as the first argument.
    run inapp dialstat prog -s
    [ "$output" = 2 ]
}
