#!/usr/bin/env bats
# dialmon: one daemon, named by its pid file for as long as it runs. The
# races are opened on purpose: children held right after fork, several
# daemons started at once, a command sent while start-up is held.

load helpers
load dialmon_helpers

setup() { dialmon_setup YES 1 0 0 0 0; }

@test "a command while the relay and PPP daemon are only just forked: no child acts as the daemon" {
    local pid round
    mkdir -p "$APP/sim/fk/hold"
    for round in 1 2 3; do
        fresh_logs
        rm -f "$APP/sim/fk/requests.log"
        start_dialmon
        pid=$(daemon_pid)
        # Every child the daemon forks stays three seconds as it was forked.
        echo "dialmon 3000" > "$APP/sim/fk/hold/fork"
        inapp dialctl start
        wait_for 5 status_is 0 1 1
        wait_for 3 grep -q '^hold fork dialmon' "$APP/sim/fk/requests.log"
        inapp dialctl stop
        # The held children end by SIGTERM once they are let go, before they
        # run anything; the attempt then ends as usual.
        wait_for 8 in_log ifconfig.log "ifconfig ppp0 0.0.0.0"
        rm "$APP/sim/fk/hold/fork"
        [ ! -e "$APP/sim/log/dnsrelay.log" ]
        [ ! -e "$APP/sim/log/pppd.log" ]
        status_is 0 0 1
        wait_for 3 one_dialmon
        [ "$(daemon_pid)" = "$pid" ]
        # dialctl still finds it: no second daemon.
        inapp dialctl start
        one_dialmon
        [ "$(daemon_pid)" = "$pid" ]
        stop_dialmon
    done
}

@test "several started at once: exactly one stays, the one the pid file names" {
    local pid round
    for round in 1 2 3; do
        inapp sh -c 'for i in 1 2 3 4; do dialmon >>/sim/log/dialmon.out 2>&1 & done; wait'
        wait_for 15 one_dialmon
        pid=$(daemon_pid)
        sleep 1.5
        one_dialmon
        [ "$(daemon_pid)" = "$pid" ]
        inapp dialctl exit
        wait_for 3 no_dialmon
        [ ! -e "$APP/var/run/dialmon.pid" ]
    done
}

@test "a command sent as soon as the pid file appears is acted on once start-up is done" {
    local round
    cp "$APP/etc/apinfo" "$APP/sim/apinfo"
    for round in 1 2; do
        fresh_logs
        # Start-up reads the settings file after writing the pid file: a
        # named pipe holds it there until the test feeds it.
        rm -f "$APP/etc/apinfo"
        mkfifo "$APP/etc/apinfo"
        inapp sh -c 'dialmon >>/sim/log/dialmon.out 2>&1'
        wait_for 5 daemon_alive
        inapp dialctl test 1
        sleep 0.5
        daemon_alive
        # Let start-up go on: once the daemon has the pipe open, the real
        # file takes its place for every later read.
        timeout 10 bash -c 'exec 3>"$1"; cp "$2" "$1.new"; mv "$1.new" "$1"; cat "$2" >&3' _ \
            "$APP/etc/apinfo" "$APP/sim/apinfo"
        wait_for 6 in_log pppd.log "dial1: started (unit 0, demand=no)"
        one_dialmon
        stop_dialmon
    done
}
