#!/usr/bin/env bats
# masqflush against the simulated masquerading table: the deletion records
# the kernel received, and what is left of the table.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

setup() { rm -f "$APP"/sim/fk/refuse/*; }

table() { inapp /sim/bin/netsim masq "$@"; }

fill() {
    table clear
    table add TCP 192.168.0.2:1024 192.168.0.1:23 192.168.1.1:61440
    table add UDP 10.0.0.1:53 10.0.0.2:54 192.168.1.1:61441
    table add TCP 192.168.0.9:2000 1.2.3.4:80 192.168.1.1:61442
    table add ICMP 192.168.0.3:0 10.0.0.4:0 192.168.1.1:5
    : > "$APP/sim/fk/requests.log"
}

zeros() { printf '0%.0s' $(seq "$1"); }
# The 296-byte record of a deletion, as hex.
record() {  # PROTO(8 hex) SPORT DPORT MPORT SADDR DADDR MADDR
    echo "0300000004000000$(zeros 64)$1$2$3${4}0000$5$6$7$(zeros 464)"
}

@test "every entry is deleted with its exact record, in listing order; a second run finds nothing" {
    fill
    testing "flush" "masqflush" "" 0
    [ "$(cat "$APP/sim/fk/requests.log")" = "masq_ctl deleted $(record 06000000 0400 0017 f000 c0a80002 c0a80001 c0a80101)
masq_ctl deleted $(record 06000000 07d0 0050 f002 c0a80009 01020304 c0a80101)
masq_ctl deleted $(record 11000000 0035 0036 f001 0a000001 0a000002 c0a80101)
masq_ctl deleted $(record 01000000 0000 0000 0005 c0a80003 0a000004 c0a80101)" ]
    [ -z "$(table list)" ]
    [ "$(inapp cat /proc/net/ip_masq/tcp | wc -l)" -eq 1 ]   # the heading alone

    : > "$APP/sim/fk/requests.log"
    testing "again" "masqflush any arguments" "" 0
    [ ! -s "$APP/sim/fk/requests.log" ]
}

@test "a missing listing stops the run after the files before it" {
    fill
    touch "$APP/sim/fk/refuse/ip_masq_udp"
    testing "no udp" "masqflush" "can't open /proc/net/ip_masq/udp
can't delete IP Masquerade Entry" 0
    [ "$(table list)" = "UDP 10.0.0.1:53 10.0.0.2:54 192.168.1.1:61441 NONE 900
ICMP 192.168.0.3:0 10.0.0.4:0 192.168.1.1:5 NONE 900" ]
}

@test "a refused deletion ends the run with status 0 and leaves the rest in place" {
    fill
    touch "$APP/sim/fk/refuse/masq_delete"
    testing "refused" "masqflush" "setsockopt(): Operation not permitted" 0
    [ "$(grep -c masq_ctl "$APP/sim/fk/requests.log")" -eq 1 ]
    [ "$(table list | wc -l)" -eq 4 ]
}

@test "without a raw socket: perror text and status 255, nothing deleted" {
    fill
    echo 13 > "$APP/sim/fk/refuse/raw_socket"
    testing "no socket" "masqflush" "socket(RAW): Permission denied" 255
    [ "$(table list | wc -l)" -eq 4 ]
}
