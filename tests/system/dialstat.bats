#!/usr/bin/env bats
# dialstat in the simulated appliance: printing and setting the link status.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

setup() { rm -f "$APP/etc/ppp/ppp.stat"; }

stat_file() { printf 'com_status="%s"\nprog_status="%s"\ndial_status="%s"\n' "$@" > "$APP/etc/ppp/ppp.stat"; }
stat_text() { cat "$APP/etc/ppp/ppp.stat"; }

@test "prints each value; unknown names print nothing" {
    stat_file 0 1 2
    testing "prog"            "dialstat prog"             "1" 0
    testing "extra words"     "dialstat dial extra words" "2" 0
    testing "com"             "dialstat com"              "0" 0
    testing "case-sensitive"  "dialstat Prog"             "" 0
    testing "-s only first"   "dialstat prog -s"          "1" 0
}

@test "set rewrites all three lines in order, keeping the others" {
    printf 'dial_status="2"\njunk="x"\nprog_status="1"\ncom_status="0"\n' > "$APP/etc/ppp/ppp.stat"
    testing "set prog"        "dialstat -s prog 0"        "" 0
    [ "$(stat_text)" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="2"')" ]
    # An unknown name still normalises the file.
    printf 'dial_status="4"\nother="1"\n' > "$APP/etc/ppp/ppp.stat"
    testing "unknown name"    "dialstat -s nothing 9"     "" 0
    [ "$(stat_text)" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="4"')" ]
    testing "number prefix"   "dialstat -s com 6x && dialstat com" "6" 0
}

@test "missing file: the message, then 0; a set creates the file" {
    testing "read"            "dialstat dial"             "$(printf "can't open /etc/ppp/ppp.stat\n0")" 0
    testing "set"             "dialstat -s dial 3"        "can't open /etc/ppp/ppp.stat" 0
    [ "$(stat_text)" = "$(printf 'com_status="0"\nprog_status="0"\ndial_status="3"')" ]
}

@test "usage: no argument, or -s without name and value; file untouched" {
    stat_file 1 2 3
    testing "no argument"     "dialstat"                  "usage: dialstat [-s] [com|prog|dial]" 0
    testing "-s alone"        "dialstat -s com"           "usage: dialstat [-s] [com|prog|dial]" 0
    [ "$(stat_text)" = "$(printf 'com_status="1"\nprog_status="2"\ndial_status="3"')" ]
}
