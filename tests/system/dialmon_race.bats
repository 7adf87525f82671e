#!/usr/bin/env bats
# dialmon: a command is acted on at once and exactly once, whatever the
# daemon is waiting for. A leftover PPP pid file opens a five-second window
# (the wait after SIGTERM to a leftover PPP daemon) in which the command
# arrives; each case runs more than once.

load helpers
load dialmon_helpers

setup() { dialmon_setup YES 1 0 0 0 0; sed -i 's/^phone=.*/phone=""/' "$APP/etc/ppp/dial2.conf"; }

# The second command of a case arrives a second into the window that the
# first one opened, and is taken at once.
command_in_window() {
    local leftover
    leftover=$(leftover_ppp 0)
    inapp dialctl $1
    wait_for 5 grep -qx "kill $leftover" "$APP/sim/log/dialmon.out"
    sleep 1
    # Every command stops the DNS relay: a stand-in one shows when the
    # command is taken.
    inapp sh -c 'sleep 600 >/dev/null 2>&1 & echo $! > /var/run/dnsrelay.pid' 2>/dev/null
    local relay
    relay=$(cat "$APP/var/run/dnsrelay.pid")
    inapp dialctl $2
    wait_for 3 gone "$relay"
    rm -f "$APP/var/run/dnsrelay.pid"
    # Where the window ends (and some), an attempt that missed the command
    # would start the relay and the PPP daemon, or rewrite the command file.
    sleep 6
}

@test "stop or exit during the wait after a leftover PPP daemon: nothing is started, written or lost" {
    local first second pid round
    while IFS=$'\t' read -r first second; do
        for round in 1 2; do
            echo "# $first, then $second (round $round)" >&3
            fresh_logs
            start_dialmon
            pid=$(daemon_pid)
            command_in_window "$first" "$second"
            [ ! -e "$APP/sim/log/pppd.log" ]
            [ ! -e "$APP/sim/log/dnsrelay.log" ]
            refute grep -q 'prog_status="1"' "$APP/etc/ppp/ppp.stat"
            [ "$(grep -c '^kill ' "$APP/sim/log/dialmon.out")" = 1 ]
            if [ "$second" = exit ]; then
                wait_for 3 no_dialmon
                [ ! -e "$APP/var/run/dialmon.pid" ]
            else
                # The word is kept, the daemon still has its pid file, and
                # dialctl finds it instead of starting a second one.
                [ "$(cat "$APP/etc/ppp/ppp.cmd")" = "$second" ]
                [ "$(daemon_pid)" = "$pid" ]
                inapp dialctl start
                one_dialmon
                [ "$(daemon_pid)" = "$pid" ]
            fi
            stop_dialmon
        done
    done <<'CASES'
test 1	stop
test 2	stop
start	exit
CASES
}

@test "test 2 during test 1: the first dial is stopped and entry 2 is dialed" {
    local round
    line entry1 "up 60" entry2 "up 60"
    sed -i 's/^phone=.*/phone="0122"/' "$APP/etc/ppp/dial2.conf"
    for round in 1 2; do
        fresh_logs
        start_dialmon
        inapp dialctl test 1
        wait_for 6 in_log pppd.log "dial1: link up"
        inapp dialctl test 2
        wait_for 12 in_log pppd.log "dial2: started (unit 0, demand=no)"
        [ "$(cat "$APP/sim/log/pppd.log")" = "$(printf '%s\n' \
            "dial1: started (unit 0, demand=no)" "dial1: link up" "dial1: terminated" \
            "dial2: started (unit 0, demand=no)")" ]
        [ "$(cat "$APP/etc/ppp/ppp.cmd")" = "test 2" ]
        stop_dialmon
    done
}
