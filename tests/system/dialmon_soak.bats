#!/usr/bin/env bats
# dialmon under a burst of random commands (a fixed seed, so a failure can
# be repeated) while links go up and down: after every command one daemon,
# the one its pid file names, with at most one PPP daemon and one relay;
# after the final stop nothing runs and nothing is dialed, and the daemon
# holds no more descriptors than at its start.

load helpers
load dialmon_helpers

setup() { dialmon_setup; }

# How many processes of the appliance (zombies aside) run each of these.
count_of() { inapp ps -eo stat=,args= | grep -v '^Z' | grep -c -- "$1" || true; }
none_running() { [ "$(count_of '[/]sbin/pppd')" = 0 ] && [ "$(count_of '[/]sbin/dnsrelay')" = 0 ]; }
fds() { inapp sh -c "ls /proc/$(daemon_pid)/fd | wc -l"; }

@test "150 random commands: one daemon throughout, and after stop nothing runs" {
    dial_settings YES 1 2 0 0 0
    line entry1 "up 0.5" entry2 "fail 0.2" default "fail"
    start_dialmon
    local pid before
    pid=$(daemon_pid)
    before=$(fds)
    run inapp bash -c '
        RANDOM=21
        words=(start stop "test 1" "test 2" "test 3" restart)
        # Eventually (within half a second): the invariants after a command,
        # from one look at the processes.
        settled() {
            local i
            for i in 1 2 3 4 5 6 7 8 9 10; do
                ps -eo stat=,comm=,args= | awk -v pid="$1" -v named="$(cat /var/run/dialmon.pid)" "
                    /^Z/ { next }
                    \$2 == \"dialmon\" { daemons++ } /bash [/]sbin[/]pppd/ { pppd++ } /[/]sbin[/]dnsrelay/ { relays++ }
                    END { exit !(daemons == 1 && named == pid && pppd <= 1 && relays <= 1) }" && return 0
                sleep 0.05
            done
            return 1
        }
        for i in $(seq 150); do
            w=${words[RANDOM % ${#words[@]}]}
            dialctl $w
            # Now and then a pause, in which a dial gets as far as its link.
            [ $((RANDOM % 8)) != 0 ] || sleep 1.5
            settled '"$pid"' || { echo "after command $i ($w):"; ps -eo pid,ppid,stat,args; exit 1; }
        done'
    [ "$status" -eq 0 ] || { echo "$output"; false; }
    inapp dialctl stop
    # Within the five seconds a stopped PPP daemon has, and some.
    wait_for 8 none_running
    wait_for 8 grep -q 'prog_status="0"' "$APP/etc/ppp/ppp.stat"
    local lines
    lines=$(cat "$APP/sim/log/pppd.log" | wc -l)
    [ "$lines" -gt 0 ]
    sleep 2
    [ "$(cat "$APP/sim/log/pppd.log" | wc -l)" = "$lines" ]
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = stop ]
    [ "$(daemon_pid)" = "$pid" ]
    [ "$(zombies)" = 0 ]
    [ "$(fds)" = "$before" ]
    inapp dialctl exit
    wait_for 3 gone "$pid"
    [ ! -e "$APP/var/run/dialmon.pid" ]
}
