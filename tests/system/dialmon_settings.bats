#!/usr/bin/env bats
# dialmon in the simulated appliance, fed hostile dial settings: nothing in
# a dial file reaches the shell that runs the connect line.

load helpers
load dialmon_helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

setup() { fresh_logs; }
teardown() { end_dialmon_test; }

@test "values that would end their quoting are refused: the previous ones are dialed" {
    dial_settings YES 1 0 0 0 0
    rm -f "$APP/tmp/injected"
    # Each hostile line follows a sound one, which it would replace.
    cat >> "$APP/etc/ppp/dial1.conf" <<'EOF'
phone="0121'; id > /tmp/injected; '"
user="user1" plugin "evil.so"
password="pw1\"
EOF
    printf '%s\n' "init_com=\"ATZ'; id > /tmp/injected; '\"" >> "$APP/etc/ppp/ppp.conf"
    line entry1 "up 60"
    start_dialmon
    send start
    wait_for 8 in_log pppd.log "dial1: link up"
    # The connect line ran, with the values read before the hostile lines.
    [ ! -e "$APP/tmp/injected" ]
    grep -qx 'dialer: phone=\[0121\] redial=\[3\] init=\[ATZ\] dial=\[ATDT\]' "$APP/sim/log/dialer.log"
    grep -qx 'user "user1"' "$APP/sim/log/options.dial1"
    [ "$(cat "$APP/etc/ppp/chap-secrets")" = '*  dial1  "pw1"' ]
}
