# Shared by the dialmon and dialctl system tests: settings for three dial
# entries, starting and commanding the daemon, and looking at its effects.
#
# Loaded after helpers, it gives a file the hooks of a dialmon test file:
# one appliance for the file, and after each case no call held and no
# daemon left (end_dialmon_test). A file's own setup is one line:
#
#   setup() { dialmon_setup YES 1 0 0 0 0; }   settings and a line that stays up
#   setup() { dialmon_setup; }                 each case writes its own settings
#
# A file that needs other hooks (dialctl.bats) defines them after the load.
setup_file() { appliance_up; }
teardown_file() { appliance_down; }
teardown() { end_dialmon_test; }

# The start of a case: what earlier cases left is gone (logs, status, pid
# files, the fake kernel's request log); with arguments, `dial_settings
# ARGS` and a line that answers every entry and stays up.
dialmon_setup() {
    fresh_logs
    rm -f "$APP"/var/run/*.pid "$APP/sim/fk/requests.log"
    [ $# -eq 0 ] && return 0
    dial_settings "$@"
    line default "up 60"
}

# Writes the settings: ROUTER (YES/NO) and the try order dial1..dial5.
dial_settings() {
    local router=$1; shift
    printf 'SSID="ap"\nIP="192.168.0.1"\nROUTER="%s"\n' "$router" > "$APP/etc/apinfo"
    printf 'speed="115200"\ninit_com="ATZ"\ndial_com="ATDT"\n' > "$APP/etc/ppp/ppp.conf"
    local k=1 slot
    for slot in "$@"; do printf 'dial%d="%s"\n' $k "$slot" >> "$APP/etc/ppp/ppp.conf"; k=$((k + 1)); done
    local n
    for n in 1 2 3 4 5; do
        printf 'name="entry%d"\nphone="012%d"\nuser="user%d"\npassword="pw%d"\nauth="0"\nredial="3"\n' \
            $n $n $n $n > "$APP/etc/ppp/dial$n.conf"
    done
}

# What the simulated line does: line entry2 "fail 1" entry4 "up 3" ...
line() {
    : > "$APP/sim/etc/pppd.conf"
    while [ $# -ge 2 ]; do echo "$1=$2" >> "$APP/sim/etc/pppd.conf"; shift 2; done
}

# Forgets what earlier tests left: logs, status, pid files.
fresh_logs() {
    rm -f "$APP"/sim/log/{pppd,dnsrelay,ifconfig,chargetimer,dialer}.log "$APP"/sim/log/options.* \
          "$APP/sim/log/dialmon.out" "$APP/etc/ppp/ppp.stat"
}

daemon_pid() { cat "$APP/var/run/dialmon.pid" 2>/dev/null; }

# The daemon's program path, as /proc inside the appliance shows it.
daemon_alive() {
    local pid
    pid=$(daemon_pid) || return 1
    [ -n "$pid" ] && inapp sh -c "tr '\\0' ' ' < /proc/$pid/cmdline" 2>/dev/null | grep -q dialmon
}

start_dialmon() {
    inapp sh -c 'dialmon >>/sim/log/dialmon.out 2>&1'
    wait_for 5 daemon_alive
    # Its signal handlers are in place once the options are written.
    wait_for 5 test -s "$APP/etc/ppp/options"
}

# Ends every dialmon of the appliance and what they left running.
stop_dialmon() {
    local pid
    for pid in $(inapp ps -C dialmon -o pid= 2>/dev/null); do inapp kill -TERM "$pid" 2>/dev/null || true; done
    wait_for 5 no_dialmon
    # Whatever it left running (relay, timer, PPP daemon) goes too, and is
    # gone before the next case clears the logs: a PPP daemon still ending
    # would write its "terminated" line into them. One that ignores the
    # signal is killed.
    inapp sh -c 'for f in /var/run/*.pid; do [ -e "$f" ] && kill $(cat "$f"); done; true' 2>/dev/null || true
    wait_for 5 no_link_helpers || inapp kill -KILL $(link_helpers) 2>/dev/null || true
    wait_for 2 no_link_helpers
    rm -f "$APP"/var/run/*.pid
}

# The pids of the stand-ins dialmon starts: PPP daemon, relay, timer.
link_helpers() {
    inapp ps -eo pid=,args= 2>/dev/null |
        awk '$2 ~ /^\/sbin\/(pppd|dnsrelay|chargetimer)$/ || $3 ~ /^\/sbin\/(pppd|dnsrelay|chargetimer)$/ { print $1 }'
}
no_link_helpers() { [ -z "$(link_helpers)" ]; }

# The end of every dialmon test: what the appliance looked like when the
# test failed, then no call held and no daemon left for the next one.
end_dialmon_test() {
    [ -z "$BATS_TEST_COMPLETED" ] && show_state >&3
    rm -rf "$APP/sim/fk/hold"
    stop_dialmon
}

# Puts a command line into the command file and wakes the daemon.
send() {
    printf '%s' "$1" > "$APP/etc/ppp/ppp.cmd"
    inapp kill -USR1 "$(daemon_pid)"
}

# Shown when a test fails.
show_state() {
    echo "--- dialmon.out"; cat "$APP/sim/log/dialmon.out" 2>/dev/null
    echo "--- pppd.log"; cat "$APP/sim/log/pppd.log" 2>/dev/null
    echo "--- ppp.cmd: $(cat "$APP/etc/ppp/ppp.cmd" 2>/dev/null)"
    echo "--- processes"; inapp ps -eo pid,ppid,stat,args 2>/dev/null
}

# The process of the appliance with this pid has ended (or never was).
gone() { ! inapp kill -0 "$1" 2>/dev/null; }
no_dialmon() { [ -z "$(inapp ps -C dialmon -o pid= 2>/dev/null)" ]; }

in_log() { grep -qx -- "$2" "$APP/sim/log/$1" 2>/dev/null; }
status_is() {
    [ "$(cat "$APP/etc/ppp/ppp.stat" 2>/dev/null)" = "$(printf 'com_status="%s"\nprog_status="%s"\ndial_status="%s"' "$@")" ]
}
# Processes of the appliance whose command line matches.
running() { inapp ps -eo pid=,stat=,args= | grep -v grep | grep -q -- "$1"; }
zombies() { inapp ps -eo stat= | grep -c '^Z' || true; }

# A leftover PPP pid file naming a process that is not a PPP daemon: it
# ends at the first SIGTERM but its pid file stays, so every stop of the PPP
# daemons sends it SIGTERM again and waits five seconds. Prints its pid.
leftover_ppp() {
    inapp sh -c "sleep 600 >/dev/null 2>&1 & echo \$! > /var/run/ppp$1.pid" 2>/dev/null
    cat "$APP/var/run/ppp$1.pid"
}

# How many dialmon processes the appliance has (zombies aside).
dialmon_count() { inapp ps -C dialmon -o stat= 2>/dev/null | grep -vc '^Z' || true; }

# Exactly one dialmon runs, and the pid file names it.
one_dialmon() { [ "$(dialmon_count)" = 1 ] && daemon_alive; }
