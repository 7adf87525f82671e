#!/usr/bin/env bats
# dialmon in the simulated appliance, fed hostile dial settings: nothing in
# a dial file reaches the shell that runs the connect line, and a refused
# value never lets an older one be dialed.

load helpers
load dialmon_helpers

setup() { dialmon_setup; }

@test "a refused value is never replaced by an older one: its entry, or for a modem string every entry, waits until the file is sound" {
    dial_settings YES 2 0 0 0 0
    rm -f "$APP/tmp/injected"
    # Each hostile line follows a sound one, which it would replace.
    cat >> "$APP/etc/ppp/dial1.conf" <<'LINES'
phone="0121'; id > /tmp/injected; '"
user="user1" plugin "evil.so"
password="pw1\"
LINES
    line entry1 "up 60" entry2 "up 60"
    start_dialmon
    # Entry 1 is not dialed at all (not with its older values): the test
    # dial ends at once, and the connect loop dials entry 2 of slot 1.
    send "test 1"
    wait_for 8 in_log pppd.log "dial2: link up"
    [ "$(head -n 1 "$APP/sim/log/pppd.log")" = "dial2: started (unit 0, demand=yes)" ]
    refute grep -q dial1 "$APP/sim/log/pppd.log"
    [ ! -e "$APP/tmp/injected" ]
    [ "$(cat "$APP/sim/log/dialer.log")" = 'dialer: phone=[0122] redial=[3] init=[ATZ] dial=[ATDT]' ]

    # A refused modem string holds every entry, the sound ones too.
    send stop
    wait_for 8 in_log ifconfig.log "ifconfig ppp0 0.0.0.0"
    printf '%s\n' "init_com=\"ATZ'; id > /tmp/injected; '\"" >> "$APP/etc/ppp/ppp.conf"
    head -n 6 "$APP/etc/ppp/dial1.conf" > "$APP/sim/dial1.conf"
    cat "$APP/sim/dial1.conf" > "$APP/etc/ppp/dial1.conf"
    fresh_logs
    send "test 1"
    sleep 3
    [ ! -e "$APP/sim/log/pppd.log" ]
    [ "$(cat "$APP/etc/ppp/ppp.cmd")" = start ]
    # Sound again: dialed as before.
    sed -i '$d' "$APP/etc/ppp/ppp.conf"
    wait_for 4 in_log pppd.log "dial2: started (unit 0, demand=yes)"
    send "test 1"
    wait_for 12 in_log pppd.log "dial1: started (unit 0, demand=no)"
    wait_for 4 grep -qxF 'dialer: phone=[0121] redial=[3] init=[ATZ] dial=[ATDT]' "$APP/sim/log/dialer.log"
    [ ! -e "$APP/tmp/injected" ]
    grep -qx 'user "user1"' "$APP/sim/log/options.dial1"
    [ "$(cat "$APP/etc/ppp/chap-secrets")" = '*  dial1  "pw1"' ]
}
