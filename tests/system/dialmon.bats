#!/usr/bin/env bats
# dialmon in the simulated appliance: start-up, pid file, the command words,
# ending by "exit" and by SIGTERM, a second instance taking over.

load helpers
load dialmon_helpers

setup() { dialmon_setup YES 1 0 0 0 0; }

@test "starts detached and idle: pid file, empty command file, options for entry 1" {
    echo "leftover" > "$APP/etc/ppp/ppp.cmd"
    [ "$(inapp sh -c 'dialmon >/sim/log/dialmon.out 2>&1; echo "parent $?"' 2>/dev/null)" = "parent 0" ]
    wait_for 5 daemon_alive
    wait_for 5 test -s "$APP/etc/ppp/options"
    [[ "$(daemon_pid)" =~ ^[0-9]+$ ]]
    [ "$(cat "$APP/var/run/dialmon.pid")" = "$(daemon_pid)" ]
    [ ! -s "$APP/etc/ppp/ppp.cmd" ]
    grep -qx 'remotename dial1' "$APP/etc/ppp/options"
    grep -qx 'demand' "$APP/etc/ppp/options"
    # ROUTER is YES, but nothing is dialed without a command.
    sleep 1.5
    [ ! -e "$APP/sim/log/pppd.log" ]
    [ ! -e "$APP/etc/ppp/ppp.stat" ]
    # Detached: its own session, not a child of the shell that started it.
    [ "$(inapp ps -o sid=,ppid= -p "$(daemon_pid)" | awk '{print $1, $2}')" = "$(daemon_pid) 1" ]
}

@test "exit ends it, also inside another word; the pid file goes" {
    start_dialmon
    local pid
    pid=$(daemon_pid)
    send "nexity"
    wait_for 3 sh -c "! test -e '$APP/var/run/dialmon.pid'"
    gone "$pid"
}

@test "SIGTERM ends it with the pid file removed" {
    start_dialmon
    local pid
    pid=$(daemon_pid)
    inapp kill -TERM "$pid"
    wait_for 3 sh -c "! test -e '$APP/var/run/dialmon.pid'"
    gone "$pid"
}

@test "words are matched in order; a bad test number or none means idle" {
    start_dialmon
    # "stop" comes before "test": nothing is dialed.
    send "stop test 1"
    sleep 1.5
    [ ! -e "$APP/sim/log/pppd.log" ]
    send "test 0"
    send "test 6"
    send ""
    sleep 1.5
    [ ! -e "$APP/sim/log/pppd.log" ]
    daemon_alive
    # Signals in quick succession are neither lost nor fatal.
    printf 'stop' > "$APP/etc/ppp/ppp.cmd"
    inapp sh -c "kill -USR1 $(daemon_pid); kill -USR1 $(daemon_pid); kill -USR1 $(daemon_pid)"
    sleep 0.5
    daemon_alive
    send "test 1"
    wait_for 5 in_log pppd.log "dial1: started (unit 0, demand=no)"
}

@test "restart becomes start: the command file says so and dialing begins" {
    start_dialmon
    send "restart"
    wait_for 4 in_log pppd.log "dial1: started (unit 0, demand=yes)"
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = start ]
}

@test "a second dialmon stops the first and takes over the pid file" {
    start_dialmon
    local first
    first=$(daemon_pid)
    # Also once the first has started children of its own.
    send "test 1"
    wait_for 5 in_log pppd.log "dial1: started (unit 0, demand=no)"
    inapp sh -c 'dialmon >>/sim/log/dialmon.out 2>&1'
    # The second names itself in the pid file before it signals, so the
    # file is never missing and the first leaves it alone as it ends.
    wait_for 5 gone "$first"
    wait_for 5 one_dialmon
    [ "$(daemon_pid)" != "$first" ]
}

@test "a pid file naming another program: that program is left alone" {
    inapp sh -c 'sleep 60 >/dev/null 2>&1 & echo $! > /var/run/dialmon.pid'
    local other
    other=$(daemon_pid)
    start_dialmon
    [ "$(daemon_pid)" != "$other" ]
    inapp kill -0 "$other"
    inapp kill "$other"
}
