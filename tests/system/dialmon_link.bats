#!/usr/bin/env bats
# dialmon in the simulated appliance: the connect loop with its fall-back,
# stopping a link, holding dialing, the test dial, leftover PPP daemons.

load helpers
load dialmon_helpers

setup() { dialmon_setup; }

count() { grep -cx -- "$2" "$APP/sim/log/$1" 2>/dev/null || true; }

@test "connect loop: a failed dial falls back to the next slot, an ended link starts over" {
    dial_settings YES 7 2 0 4 3
    printf 'pridns="10.1.1.1"\nsecdns="10.1.1.2"\n' >> "$APP/etc/ppp/dial4.conf"
    line entry2 "fail 1" entry4 "up 2" entry3 "up 60"
    start_dialmon
    send start
    wait_for 8 in_log pppd.log "dial4: link up"
    status_is 0 2 4
    [ "$(cat "$APP/sim/log/pppd.log")" = "$(printf '%s\n' \
        "dial2: started (unit 0, demand=yes)" "dial2: dial failed" \
        "dial4: started (unit 0, demand=yes)" "dial4: link up")" ]
    [ "$(cat "$APP/sim/log/dnsrelay.log")" = "$(printf '%s\n' \
        "dnsrelay: [-ns] [10.112.112.112] []" "dnsrelay: [-ns] [10.1.1.1] [10.1.1.2]")" ]
    grep -qx "dialer: phone=\[0122\] redial=\[3\] init=\[ATZ\] dial=\[ATDT\]" "$APP/sim/log/dialer.log"
    # What the PPP daemon read for entry 4.
    grep -qx 'remotename dial4' "$APP/sim/log/options.dial4"
    grep -qx '192.168.0.1:10.112.112.112' "$APP/sim/log/options.dial4"
    refute grep -q usepeerdns "$APP/sim/log/options.dial4"
    [ "$(cat "$APP/etc/ppp/chap-secrets")" = '*  dial4  "pw4"' ]
    # The relay of the failed attempt was stopped and reaped.
    [ "$(zombies)" = 0 ]
    [ "$(inapp ps -C dnsrelay -o pid= | wc -l)" = 1 ]
    # The link ends by itself (prog_status 0): the next pass begins with the
    # first slot again (not with the last slot, entry 3), and the ifconfig
    # clears the address after each attempt.
    wait_for 8 sh -c "[ \$(grep -cx 'dial2: started (unit 0, demand=yes)' '$APP/sim/log/pppd.log') = 2 ]"
    refute grep -q dial3 "$APP/sim/log/pppd.log"
    [ "$(count ifconfig.log "ifconfig ppp0 0.0.0.0")" -ge 2 ]
    refute grep -q dial7 "$APP/sim/log/pppd.log"
}

@test "stop while a link is up: relay, timer and PPP daemon end, prog_status 0, no next slot" {
    dial_settings YES 3 4 0 0 0
    line entry3 "up 60" entry4 "up 60"
    start_dialmon
    send start
    wait_for 6 in_log pppd.log "dial3: link up"
    wait_for 3 test -e "$APP/var/run/timer.pid"
    status_is 0 2 3
    local before=$SECONDS
    send stop
    wait_for 3 in_log pppd.log "dial3: terminated"
    wait_for 8 in_log ifconfig.log "ifconfig ppp0 0.0.0.0"
    # The PPP daemon had its five seconds before anything else went on.
    [ $((SECONDS - before)) -ge 4 ]
    status_is 0 0 3
    [ ! -e "$APP/var/run/dnsrelay.pid" ]
    [ ! -e "$APP/var/run/timer.pid" ]
    [ ! -e "$APP/var/run/ppp0.pid" ]
    refute running "/sbin/dnsrelay"
    refute running "/sbin/chargetimer"
    refute running "/sbin/pppd"
    sleep 1.5
    refute grep -q dial4 "$APP/sim/log/pppd.log"
    [ "$(zombies)" = 0 ]
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = stop ]
    daemon_alive
}

@test "com_status 6 holds all dialing until it changes" {
    dial_settings YES 2 0 0 0 0
    line entry2 "up 60"
    printf 'com_status="6"\nprog_status="5"\ndial_status="5"\n' > "$APP/etc/ppp/ppp.stat"
    start_dialmon
    send start
    sleep 2.5
    [ ! -e "$APP/sim/log/pppd.log" ]
    status_is 6 5 5
    inapp dialstat -s com 0
    wait_for 4 in_log pppd.log "dial2: started (unit 0, demand=yes)"
}

@test "test dial waits for ROUTER YES, dials once without demand, then the loop runs" {
    dial_settings NO 3 0 0 0 0
    line entry2 "up 1" entry3 "up 60"
    start_dialmon
    send "test 2"
    sleep 2
    [ ! -e "$APP/sim/log/pppd.log" ]
    sed -i 's/ROUTER="NO"/ROUTER="YES"/' "$APP/etc/apinfo"
    wait_for 4 in_log pppd.log "dial2: started (unit 0, demand=no)"
    refute grep -qx demand "$APP/sim/log/options.dial2"
    [ "$(tail -n 1 "$APP/sim/log/options.dial2")" = nopersist ]
    # The test link ends by itself; the daemon goes on as after "start".
    wait_for 8 in_log pppd.log "dial3: started (unit 0, demand=yes)"
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = start ]
    [ "$(count pppd.log "dial2: started (unit 0, demand=no)")" = 1 ]
}

@test "leftover PPP daemons are stopped first; an entry without phone is not dialed" {
    dial_settings YES 1 0 0 0 0
    sed -i 's/^phone=.*/phone=""/' "$APP/etc/ppp/dial1.conf"
    printf 'com_status="5"\nprog_status="7"\ndial_status="9"\n' > "$APP/etc/ppp/ppp.stat"
    start_dialmon
    # A PPP daemon left running (started after the daemon, so no command
    # stops it): it removes its pid file as it ends.
    inapp sh -c 'sh -c "trap \"rm -f /var/run/ppp3.pid; exit 0\" TERM; echo \$\$ > /var/run/ppp3.pid; sleep 60 & wait" >/dev/null 2>&1 &' 2>/dev/null
    wait_for 3 test -s "$APP/var/run/ppp3.pid"
    local leftover
    leftover=$(cat "$APP/var/run/ppp3.pid")
    send start
    wait_for 4 grep -qx "kill $leftover" "$APP/sim/log/dialmon.out"
    wait_for 2 gone "$leftover"
    sleep 6
    # The pass cleared the progress; the attempt itself wrote nothing.
    status_is 5 0 0
    [ ! -e "$APP/sim/log/pppd.log" ]
    [ ! -e "$APP/sim/log/dnsrelay.log" ]
    [ "$(grep -c '^kill ' "$APP/sim/log/dialmon.out")" = 1 ]
}
