#!/usr/bin/env bats
# dialctl in the simulated appliance: starting a missing daemon, writing the
# command word only when it changes, and waking the daemon.

load helpers
load dialmon_helpers

setup_file() {
    appliance_up
    dial_settings NO 1 0 0 0 0
}
teardown_file() { appliance_down; }

teardown() { [ -z "$BATS_TEST_COMPLETED" ] && show_state >&3; true; }

# Every command the daemon handles stops the DNS relay: a stand-in relay
# shows whether the daemon was woken.
fake_relay() {
    inapp sh -c 'sleep 60 >/dev/null 2>&1 & echo $! > /var/run/dnsrelay.pid' 2>/dev/null
}
relay_alive() { sleep 0.3; inapp kill -0 "$(cat "$APP/var/run/dnsrelay.pid")" 2>/dev/null; }
relay_stopped() { wait_for 2 gone "$(cat "$APP/var/run/dnsrelay.pid")"; }
cmd_file() { cat "$APP/etc/ppp/ppp.cmd"; }
usage="usage: dialctl start|stop|test n|restart|exit"

@test "no word: usage; exit with no daemon: nothing at all" {
    testing "no word"   "dialctl"      "$usage" 0
    printf 'stop' > "$APP/etc/ppp/ppp.cmd"
    testing "no daemon" "dialctl exit" "" 0
    [ "$(cmd_file)" = stop ]
    no_dialmon
}

@test "stop with no daemon starts /bin/dialmon, waits 3 seconds, writes and signals" {
    fake_relay
    local before=$SECONDS
    run inapp dialctl stop
    [ "$status" -eq 0 ]
    [ -z "$output" ]
    [ $((SECONDS - before)) -ge 3 ]
    daemon_alive
    [ "$(cmd_file)" = stop ]
    relay_stopped
    # Started detached with its standard descriptors closed: the daemon puts
    # /dev/null there instead of letting its files take them.
    [ "$(inapp readlink /proc/$(daemon_pid)/fd/1)" = /dev/null ]
    [ "$(inapp ps -o ppid= -p "$(daemon_pid)" | tr -d ' ')" = 1 ]
}

@test "a command already in the file is neither written nor signalled" {
    daemon_alive
    fake_relay
    inapp dialctl stop
    relay_alive
    inapp dialctl start
    [ "$(cmd_file)" = start ]
    relay_stopped
    fake_relay
    inapp dialctl start
    relay_alive
    # start is implied by a restart in the file.
    printf 'restart' > "$APP/etc/ppp/ppp.cmd"
    inapp dialctl start
    relay_alive
    [ "$(cmd_file)" = restart ]
}

@test "restart over start is written and signalled; the daemon turns it into start" {
    printf 'start' > "$APP/etc/ppp/ppp.cmd"
    fake_relay
    inapp dialctl restart
    relay_stopped
    wait_for 3 sh -c "[ \"\$(cat '$APP/etc/ppp/ppp.cmd')\" = start ]"
}

@test "test n: usage without a number, silence outside 1..5, once per change" {
    inapp dialctl stop
    fake_relay
    testing "no number" "dialctl test"            "$usage" 0
    testing "6"         "dialctl test 6"          "" 0
    testing "0"         "dialctl test 0"          "" 0
    testing "2^32+1"    "dialctl test 4294967297" "" 0  # beyond the int range: no test number
    [ "$(cmd_file)" = stop ]
    relay_alive
    testing "3"         "dialctl test 3"          "" 0
    [ "$(cmd_file)" = "test 3" ]
    relay_stopped
    fake_relay
    inapp dialctl test 3
    relay_alive
}

@test "words are exact; a pid file naming another program counts as no daemon" {
    inapp dialctl stop
    testing "START"     "dialctl START"           "" 0
    [ "$(cmd_file)" = stop ]
    # The running daemon ends; its pid file now names a live non-dialmon.
    inapp kill -TERM "$(daemon_pid)"
    wait_for 3 sh -c "! test -e '$APP/var/run/dialmon.pid'"
    inapp sh -c 'sleep 60 >/dev/null 2>&1 & echo $! > /var/run/dialmon.pid' 2>/dev/null
    local other
    other=$(daemon_pid)
    testing "startx"    "dialctl startx"          "" 0
    daemon_alive
    [ "$(daemon_pid)" != "$other" ]
    inapp kill -0 "$other"
    [ ! -s "$APP/etc/ppp/ppp.cmd" ]  # the new daemon's empty file, nothing written
}

@test "exit: written and signalled; the daemon ends and removes its pid file" {
    daemon_alive
    local pid
    pid=$(daemon_pid)
    testing "exit"      "dialctl exit"            "" 0
    [ "$(cmd_file)" = exit ]
    wait_for 3 sh -c "! test -e '$APP/var/run/dialmon.pid'"
    gone "$pid"
}
