#!/usr/bin/env bats
# dialmon and dialctl whatever their callers do: several callers at once,
# a caller slowed between its write and its signal, no record locks, a
# blocked signal mask, a broken output, a relay that ignores SIGTERM, a
# removed pid file, a daemon that crashed or was replaced. Each window is
# opened on purpose (strace delays and injected errors, stand-ins).

load helpers
load dialmon_helpers

setup() { dialmon_setup YES 1 0 0 0 0; : > "$APP/etc/ppp/ppp.cmd"; }
teardown() {
    install -m 755 "$APPLIANCE_SRC/sim/standins/dnsrelay" "$APP/sbin/dnsrelay"
    end_dialmon_test
}

FAULT="$APPLIANCE_SRC/sim/fault"

count() { grep -cx -- "$2" "$APP/sim/log/$1" 2>/dev/null || true; }

# A command run inside under strace with tampering options, in the
# background (it lasts as long as what it starts).
traced_in_background() { "$FAULT" strace "$APP" "$@" >/dev/null 2>&1 3>&- & }

@test "five dialctl start at once with no daemon: one daemon, which dials" {
    local round
    for round in 1 2; do
        fresh_logs
        : > "$APP/etc/ppp/ppp.cmd"
        inapp sh -c 'for i in 1 2 3 4 5; do dialctl start & done; wait'
        one_dialmon
        wait_for 5 in_log pppd.log "dial1: started (unit 0, demand=yes)"
        [ "$(cat "$APP/etc/ppp/ppp.cmd")" = start ]
        sleep 1
        one_dialmon
        stop_dialmon
    done
}

@test "a stop whose signal is slow while a test dial ends is never overwritten by start" {
    line entry1 "up 2"
    start_dialmon
    inapp dialctl test 1
    wait_for 6 in_log pppd.log "dial1: link up"
    # dialctl's signal comes three seconds after its write; the test link
    # ends in the meantime.
    "$FAULT" strace "$APP" -e inject=kill:delay_enter=3000000 -- dialctl stop
    wait_for 3 in_log pppd.log "dial1: idle, link down"
    sleep 2
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = stop ]
    [ "$(count pppd.log "dial1: started (unit 0, demand=no)")" = 1 ]
    refute grep -q "demand=yes" "$APP/sim/log/pppd.log"
}

@test "without record locks a second dialmon still stops the first, and dialctl reaches it" {
    start_dialmon
    local first
    first=$(daemon_pid)
    # Every record lock of the second one fails (and of all it starts, so
    # it is not asked to dial).
    traced_in_background -e inject=fcntl:error=ENOLCK -- dialmon
    wait_for 8 gone "$first"
    wait_for 5 one_dialmon
    [ "$(daemon_pid)" != "$first" ]
    # Every command stops the DNS relay: a stand-in shows that it came.
    inapp sh -c 'sleep 60 >/dev/null 2>&1 & echo $! > /var/run/dnsrelay.pid' 2>/dev/null
    inapp dialctl stop
    wait_for 3 gone "$(cat "$APP/var/run/dnsrelay.pid")"
}

@test "a daemon started with its signals blocked hears commands; its children start unblocked" {
    inapp perl -MPOSIX -e 'sigprocmask(SIG_BLOCK, POSIX::SigSet->new(SIGUSR1, SIGTERM, SIGCHLD)); exec "dialmon"'
    wait_for 5 daemon_alive
    wait_for 5 test -s "$APP/etc/ppp/options"
    inapp dialctl test 1
    wait_for 6 in_log pppd.log "dial1: started (unit 0, demand=no)"
    wait_for 3 test -s "$APP/var/run/dnsrelay.pid"
    # (The relay's shell blocks SIGCHLD while it waits; its own child has
    # the mask the shell was started with.)
    [ "$(inapp sh -c 'grep ^SigBlk /proc/$(ps --ppid $(cat /var/run/dnsrelay.pid) -o pid= | tr -d " ")/status')" = "SigBlk:	0000000000000000" ]
    local pid
    pid=$(daemon_pid)
    inapp kill -TERM "$pid"
    wait_for 3 gone "$pid"
}

@test "a broken output and a setup page's environment: the daemon runs on, its children get PATH alone" {
    inapp env HTTP_COOKIE=session REMOTE_USER=bob sh -c 'dialmon | true'
    wait_for 5 daemon_alive
    wait_for 5 test -s "$APP/etc/ppp/options"
    local leftover
    leftover=$(leftover_ppp 0)
    # Its "kill" line goes into a pipe nobody reads.
    inapp dialctl test 1
    wait_for 3 gone "$leftover"
    sleep 0.5
    daemon_alive
    # (The leftover's pid file stays: the PPP daemon takes unit 1.)
    wait_for 8 in_log pppd.log "dial1: started (unit 1, demand=no)"
    wait_for 3 test -s "$APP/var/run/dnsrelay.pid"
    [ "$(inapp sh -c 'tr "\0" "\n" < /proc/$(cat /var/run/dnsrelay.pid)/environ')" = "PATH=/bin:/sbin:/usr/bin:/usr/sbin" ]
}

@test "a relay that ignores SIGTERM is reported and killed: the link that comes up stays up" {
    cat > "$APP/sbin/dnsrelay" <<'RELAY'
#!/bin/bash
echo $$ > /var/run/dnsrelay.pid
echo "dnsrelay: $*" >> /sim/log/dnsrelay.log
trap '' TERM
while :; do sleep 1; done
RELAY
    dial_settings YES 1 2 3 4 5
    line default "fail"
    start_dialmon
    inapp dialctl start
    # Five failed dials a pass: more relays than the daemon ever kept.
    wait_for 25 sh -c "[ \$(cat '$APP/sim/log/pppd.log' 2>/dev/null | grep -c 'dial failed') -ge 9 ]"
    line default "up 60"
    wait_for 10 grep -q ': link up$' "$APP/sim/log/pppd.log"
    sleep 8
    [[ "$(tail -n 1 "$APP/sim/log/pppd.log")" == *": link up" ]]
    [ "$(inapp ps -C dnsrelay -o pid= | wc -l)" -le 1 ]
    grep -q '^dnsrelay [0-9]* did not end on SIGTERM: killed$' "$APP/sim/log/dialmon.out"
    [ "$(zombies)" = 0 ]
}

@test "a removed pid file is written again; with a second daemon meanwhile, one stays" {
    start_dialmon
    local first
    first=$(daemon_pid)
    rm "$APP/var/run/dialmon.pid"
    wait_for 3 test -s "$APP/var/run/dialmon.pid"
    [ "$(daemon_pid)" = "$first" ]
    rm "$APP/var/run/dialmon.pid"
    inapp sh -c 'dialmon >>/sim/log/dialmon.out 2>&1'
    wait_for 5 one_dialmon
    sleep 1.5
    one_dialmon
}

@test "after a crash or a takeover, dialctl stop ends the PPP daemon left running" {
    local how
    for how in crash takeover; do
        echo "# $how" >&3
        fresh_logs
        start_dialmon
        inapp dialctl start
        wait_for 6 in_log pppd.log "dial1: link up"
        if [ "$how" = crash ]; then
            inapp kill -KILL "$(daemon_pid)"
        else
            inapp sh -c 'dialmon >>/sim/log/dialmon.out 2>&1'
            # It takes the word in the command file: the inherited link is
            # stopped and dialed anew.
            wait_for 12 sh -c "[ \$(grep -c 'dial1: link up' '$APP/sim/log/pppd.log') = 2 ]"
        fi
        inapp dialctl stop
        wait_for 8 sh -c "[ \$(grep -c 'dial1: terminated' '$APP/sim/log/pppd.log') = $([ $how = crash ] && echo 1 || echo 2) ]"
        wait_for 8 status_is 0 0 1
        refute running /sbin/pppd
        one_dialmon
        stop_dialmon
    done
}
