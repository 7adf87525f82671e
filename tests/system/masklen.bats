#!/usr/bin/env bats
# masklen as the web setup calls it: one word in, one line or a status out.
# The conversions themselves are the unit tests'.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

@test "either direction by the word's form; malformed input by status 1 alone; the usage line" {
    testing "prefix to mask"       "masklen 24"                               "255.255.255.0" 0
    testing "mask to prefix"       "masklen 255.255.254.0"                    "23" 0
    testing "malformed prefix"     "masklen 33"                               "" 1
    testing "malformed mask"       "masklen 255.0.255.0"                      "" 1
    testing "empty word"           "masklen ''"                               "" 1
    testing "extra words ignored"  "masklen 16 garbage"                       "255.255.0.0" 0
    testing "31 characters fit"    "masklen 255.255.255.0000000000000000000"  "24" 0
    testing "32 are refused"       "masklen 255.255.255.00000000000000000000" "" 1
    testing "no word"              "masklen"                                  "usage: masklen netmask" 0
}
