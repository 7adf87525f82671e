#!/usr/bin/env bats
# pktcount against the simulated /proc/net/dev; ppp0 comes and goes with
# the stand-in PPP daemon.

load helpers
bats_require_minimum_version 1.5.0

setup_file() {
    appliance_up
    rm "$APP/etc/packets.conf"  # no saved counters yet
}
teardown_file() { appliance_down; }

counters() { inapp /sim/bin/netsim "$@"; }

# Brings a PPP link up through the stand-in daemon, or ends it.
link_up() {
    printf 'remotename dial1\nconnect "true"\n' > "$APP/etc/ppp/options"
    echo 'entry1=up 3600' > "$APP/sim/etc/pppd.conf"
    inapp sh -c '/sbin/pppd </dev/null >/dev/null 2>&1 &'
    wait_for 5 test -e "$APP/sim/state/ppp0"
}
link_down() {
    inapp sh -c 'kill $(cat /var/run/ppp0.pid)'
    wait_for 5 test ! -e "$APP/sim/state/ppp0"
}

@test "misuse: usage line, refused interfaces, -s only for ppp0; status 0 and no file" {
    testing "no word"   "pktcount"        "usage: pktcount target [-c|-s]" 0
    for word in eth0x lo xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx; do
        testing "$word" "pktcount '$word' -c" "not support interface $word" 0
    done
    testing "eth1 -s"   "pktcount eth1 -s" "usage: pktcount target [-c|-s]" 0
    [ ! -e "$APP/etc/packets.conf" ]
}

@test "eth0: first run shows the raw counters, clear creates the file, display counts from there" {
    counters set eth0 tx 1000 tx_err 3 rx 2000 rx_err 5 tx_bytes 77 rx_drop 9
    testing "first run" "pktcount eth0"    "can't open /etc/packets.conf
1000 3 2000 5" 0
    testing "clear"     "pktcount eth0 -c" "can't open /etc/packets.conf" 0
    [ "$(cat "$APP/etc/packets.conf")" = 'eth0_tx="1000"
eth0_tx_err="3"
eth0_rx="2000"
eth0_rx_err="5"
eth1_tx="0"
eth1_tx_err="0"
eth1_rx="0"
eth1_rx_err="0"
ppp0_tx="0"
ppp0_tx_err="0"
ppp0_rx="0"
ppp0_rx_err="0"' ]

    testing "cleared"   "pktcount eth0"    "0 0 0 0" 0
    counters add eth0 tx 25 rx 40 rx_err 1
    testing "counted"   "pktcount eth0 -x" "25 0 40 1" 0
}

@test "eth1: counters above the signed range wrap in 32 bits and print signed" {
    counters set eth1 tx 4294967295 rx 3000000000
    run inapp pktcount eth1
    [ "${lines[-1]}" = "-1 0 -1294967296 0" ]
    run inapp pktcount eth1 -c
    [ "$output" = "" ]
    grep -qx 'eth1_tx="-1"' "$APP/etc/packets.conf"
    counters add eth1 tx 3 rx 2000000000   # the kernel's counters wrap past 2^32
    run inapp pktcount eth1
    [ "$output" = "3 0 2000000000 0" ]
}

@test "ppp0 across connections: clear at 100, save at 250, 40 in the next shows 190" {
    run inapp pktcount ppp0 -c
    grep -qx 'ppp0_tx="0"' "$APP/etc/packets.conf"   # no link: clear stores zeros

    link_up
    grep -q '^  ppp0:' <(inapp cat /proc/net/dev)
    counters set ppp0 tx 100 rx 120 tx_err 1
    run inapp pktcount ppp0 -c
    [ "$output" = "" ]
    grep -qx 'ppp0_tx="-100"' "$APP/etc/packets.conf"
    grep -qx 'ppp0_rx="-120"' "$APP/etc/packets.conf"
    counters set ppp0 tx 250 rx 300 tx_err 1
    run inapp pktcount ppp0
    [ "$output" = "150 0 180 0" ]
    run inapp pktcount ppp0 -s
    [ "$output" = "" ]
    grep -qx 'ppp0_tx="150"' "$APP/etc/packets.conf"
    grep -qx 'ppp0_tx_err="0"' "$APP/etc/packets.conf"
    link_down

    # No ppp0 line: display shows the saved values, save adds nothing.
    [ -z "$(inapp cat /proc/net/dev | grep ppp0)" ]
    run inapp pktcount ppp0 -s
    run inapp pktcount ppp0
    [ "$output" = "150 0 180 0" ]

    link_up   # a new connection starts from zero
    run inapp pktcount ppp0
    [ "$output" = "150 0 180 0" ]
    counters add ppp0 tx 40 rx 2
    run inapp pktcount ppp0
    [ "$output" = "190 0 182 0" ]
    link_down
}

@test "counter file: other order, unknown keys and bad lines are read; the write puts back twelve lines" {
    printf '%s\n' 'eth1_rx="7"' 'zzz="1"' 'eth1_tx_err="2"' 'eth1_tx="5"' 'eth1_rx=""' 'eth1_rx_err' \
        'eth1_tx_err_but_far_too_long_for_a_key="9"' > "$APP/etc/packets.conf"
    counters set eth1 tx 10 tx_err 2 rx 10 rx_err 0
    run inapp pktcount eth1
    [ "$output" = "5 0 3 0" ]
    run inapp pktcount eth0 -c
    [ "$(sed -n 5,8p "$APP/etc/packets.conf")" = 'eth1_tx="5"
eth1_tx_err="2"
eth1_rx="7"
eth1_rx_err="0"' ]
    [ "$(wc -l < "$APP/etc/packets.conf")" -eq 12 ]
    [ -z "$(grep zzz "$APP/etc/packets.conf")" ]
}

@test "unreadable /proc/net/dev counts as zeros; a counter file that cannot be read is left alone" {
    counters set eth0 tx 50 tx_err 1 rx 60 rx_err 2
    run inapp pktcount eth0 -c
    touch "$APP/sim/fk/refuse/proc_net_dev"
    testing "no /proc/net/dev" "pktcount eth0" "can't open /proc/net/dev
-50 -1 -60 -2" 0
    rm "$APP/sim/fk/refuse/proc_net_dev"

    # A directory opens, but cannot be read.
    rm "$APP/etc/packets.conf"
    mkdir "$APP/etc/packets.conf"
    for mode in "" -c; do
        run --separate-stderr inapp pktcount eth0 $mode
        [ "$status" -eq 0 ]
        [ "$output" = "" ]
        [ "$stderr" = "can't read /etc/packets.conf" ]
    done
    rmdir "$APP/etc/packets.conf"
}
