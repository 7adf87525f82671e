#!/usr/bin/env bats
# The simulator as a web-setup developer meets it: a new appliance's
# factory settings, the runner's messages, the simulated line's settings,
# the shell, and the card without root.

load helpers
bats_require_minimum_version 1.5.0

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

BUILD_DIR=$(cd "$APPLIANCE_BUILD" && pwd)
status_of() { curl -s -o /dev/null -w '%{http_code}' "$@"; }

@test "a new appliance's programs find their files: no error from the factory settings" {
    run inapp sh -c 'dialstat prog; dialstat com; pktcount eth0; pktcount ppp0'
    [ "$output" = "$(printf '0\n0\n0 0 0 0\n0 0 0 0')" ]
    printf '%s\n' 'Dec  7 11:35:49 ap_01 kernel: eth0: link down' \
        'Dec  7 11:36:02 ap_01 pppd[212]: local  IP address 10.64.1.7' > "$APP/tmp/messages"
    run inapp msghint -t /tmp/messages
    [ "$output" = "Dec  7 11:35:49 : Interface eth0 lost its connection: check the cable
Dec  7 11:36:02 : The link is up: the appliance got the address 10.64.1.7" ]
}

@test "sim/appliance names what is wrong" {
    local missing=$BATS_TEST_TMPDIR/missing full=$BATS_TEST_TMPDIR/full idle=$BATS_TEST_TMPDIR/idle
    mkdir "$full"; : > "$full/something"
    "$SIM" create "$idle" "$APPLIANCE_BUILD" >/dev/null
    local no_appliance="appliance: no appliance in $missing (sim/appliance start $missing makes one)"
    # arguments | exit status | standard error
    local cases=(
        "start $missing build/nosuch|2|appliance: no build directory build/nosuch"
        "stop $missing|2|$no_appliance"
        "run $missing true|2|$no_appliance"
        "shell $missing|2|$no_appliance"
        "status $missing|2|$no_appliance"
        "create $full|2|appliance: $full is not empty and holds no appliance; give a new or empty directory"
        "run $idle true|2|appliance: $idle is not running (sim/appliance start $idle)"
        "run $idle|2|appliance: run ROOT CMD [ARG...]: no command given"
        "start|2|appliance: start needs an appliance root (sim/appliance help)"
        "frob $idle|2|appliance: unknown command frob (sim/appliance help)"
    )
    local c args
    for c in "${cases[@]}"; do
        IFS='|' read -r args want_status want_err <<<"$c"
        # shellcheck disable=SC2086 # the words of the case
        run --separate-stderr "$SIM" $args
        [ "$status" = "$want_status" ] && [ "$stderr" = "$want_err" ] && [ "$output" = "" ] ||
            { echo "$args: $status [$stderr] [$output]"; return 1; }
    done
    [ ! -e "$missing" ]
    [ "$(ls -A "$full")" = something ]
    # Without arguments: the whole usage, as help gives it.
    run --separate-stderr "$SIM"
    [ "$status" -eq 2 ]
    [ "$stderr" = "$("$SIM" help)" ]
    [[ "$stderr" == *"holds a port number, fixes the port." ]]
}

@test "start and stop say what they did; start installs the programs afresh" {
    "$SIM" stop "$APP"
    run "$SIM" stop "$APP"
    [ "$output" = "$APP was not running" ]
    rm "$APP/bin/masklen"
    printf '#!/bin/sh\necho stale\n' > "$APP/bin/masklen"
    # The web server's pid file, as a stop leaves it, naming a process the
    # start will have (process 1 always runs).
    echo 1 > "$APP/var/run/httpd/httpd.pid"
    run "$SIM" start "$APP"
    echo "$output"   # shown if the test fails
    [ "$status" -eq 0 ]
    [ "${lines[0]}" = "started $APP: appliance ap_01, programs of $BUILD_DIR" ]
    [[ "${lines[1]}" =~ ^"setup pages: http://127.0.0.1:"[0-9]+"/cgi-bin/setup/ (user root, password as pwreset set it)"$ ]]
    [ "$(inapp masklen 24)" = 255.255.255.0 ]
}

@test "a build without a simulator gets one from \$APPLIANCE_SIM_BUILD or else the usual host builds" {
    local programs=$BATS_TEST_TMPDIR/programs
    mkdir -p "$programs/stage"
    cp -R "$BUILD_DIR/stage/bin" "$programs/stage/"   # the programs only, as an i386 build has
    APPLIANCE_SIM_BUILD=$BATS_TEST_TMPDIR/nothing "$SIM" create "$BATS_TEST_TMPDIR/app" "$programs"
    [ -x "$BATS_TEST_TMPDIR/app/sim/bin/nsinit" ]
    [ "$(cat "$BATS_TEST_TMPDIR/app/sim/build")" = "$programs" ]
}

@test "the simulated line: every line it cannot read is reported at start and in the PPP daemon's log" {
    local bad=(
        'entry1=fial 2|"fial" is neither up nor fail'
        'entry1 = fail 2|blanks around "="'
        'entry1="fail 2"|a quoted value'
        'entry6=up 1|unknown key "entry6"'
        'dial1=up 1|unknown key "dial1"'
        'entry1=up 2s|"2s" is not a number of seconds'
        'entry1=fail 1 2|"2" after the seconds'
        'entry1|no "=" in it'
    )
    local expected='expected entryN=up|fail [SECONDS] with N 1 to 5, or default=up|fail [SECONDS]'
    local conf=$APP/sim/etc/pppd.conf c n=1 reports=()
    printf '# comment\n\ndefault=fail 0\nentry2=up 0\n' > "$conf"
    for c in "${bad[@]}"; do
        echo "${c%%|*}" >> "$conf"
        reports+=("/sim/etc/pppd.conf line $((n + 4)): ${c%%|*}: ${c#*|}; $expected")
        n=$((n + 1))
    done
    "$SIM" stop "$APP"
    run --separate-stderr "$SIM" start "$APP"
    [ "$status" -eq 0 ]
    # (less a warning that another appliance has port 8080)
    [ "$(grep -v '^appliance: warning: port ' <<<"$stderr")" = "$(printf "appliance: $APP%s\n" "${reports[@]}")" ]

    # Entry 1 has no line it can read: the default (fail) holds for it.
    printf 'remotename dial1\nconnect "true"\n' > "$APP/etc/ppp/options"
    rm -f "$APP/sim/log/pppd.log"
    run inapp /sbin/pppd
    [ "$status" -eq 1 ]
    [ "$(cat "$APP/sim/log/pppd.log")" = "$(printf '%s\n' "${reports[@]}" 'dial1: started (unit 0, demand=no)' 'dial1: dial failed')" ]
    # Entry 2 has one: the line of dial entry 2, whatever the try order.
    printf 'remotename dial2\nconnect "true"\n' > "$APP/etc/ppp/options"
    run inapp /sbin/pppd
    [ "$status" -eq 0 ]
    grep -qx 'dial2: link up' "$APP/sim/log/pppd.log"
}

@test "the shell: the appliance's host name in its prompt, and the usual tools" {
    [ "$(inapp hostname)" = ap_01 ]
    inapp infoedit -w no -NAME lab_2
    wait_for 10 sh -c "[ \"\$('$SIM' run '$APP' hostname)\" = lab_2 ]"
    inapp infoedit -w no -NAME ap_01
    wait_for 10 sh -c "[ \"\$('$SIM' run '$APP' hostname)\" = ap_01 ]"

    printf 'one x\n' > "$APP/tmp/edit"
    run --separate-stderr "$SIM" shell "$APP" <<'SHELL'
echo a b | awk '{ print $2 }'
which dialctl
pidof nsinit
vi -es -c '%s/x/y/' -c wq /tmp/edit && cat /tmp/edit
SHELL
    [ "$output" = "$(printf 'The simulated appliance ap_01: its / is %s on the PC. '\''exit'\'' leaves it.\nb\n/bin/dialctl\n1\none y' "$APP")" ]
    [[ "$stderr" == *"ap_01 (appliance):/# "* ]]
}

# Listens on 127.0.0.1:$1 (0: any free port) until the test ends: $held is
# the port ("taken" when something else has it), $listener the pid.
hold_port() {
    local out=$BATS_TEST_TMPDIR/held.$1
    python3 -c 'import socket, sys, time
s = socket.socket()
try:
    s.bind(("127.0.0.1", int(sys.argv[1])))
except OSError:
    print("taken", flush=True)
    sys.exit(0)
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(300)' "$1" >"$out" 3>&- &
    listener=$!
    wait_for 10 test -s "$out"
    held=$(cat "$out")
}

@test "start and status: the setup pages' address, a port taken and by what, the last fault" {
    run "$SIM" status "$APP"
    [ "$status" -eq 0 ]
    [ "${lines[0]}" = running ]
    [ "${lines[1]}" = "root: $APP (appliance ap_01)" ]
    [ "${lines[2]}" = "build: $BUILD_DIR" ]
    [[ "${lines[3]}" =~ ^"setup pages: http://127.0.0.1:"[0-9]+"/cgi-bin/setup/"( \(port 8080 was taken\))?$ ]]
    [ "${lines[4]}" = "last service error: none" ]
    [ "${#lines[@]}" -eq 5 ]

    # A fixed port that another program holds: said at start, and by status.
    "$SIM" stop "$APP"
    hold_port 0
    echo "$held" > "$APP/sim/etc/http.port"
    run --separate-stderr "$SIM" start "$APP"
    rm "$APP/sim/etc/http.port"
    [ "$status" -eq 0 ]
    [ "${lines[1]}" = "no web server: port $held (set in $APP/sim/etc/http.port) is taken by $(cat "/proc/$listener/comm") (pid $listener)" ]
    [ "${lines[2]}" = "  (see $APP/sim/log/services.log and the server's own log, $APP/var/log/httpd/error.log)" ]
    run "$SIM" status "$APP"
    [ "${lines[3]}" = "setup pages: none" ]
    [[ "${lines[4]}" == "last service error: no web server: port $held (set in $APP/sim/etc/http.port) is taken (at "*")" ]]
    kill "$listener"

    # The usual port taken (by us, unless something else has it already):
    # start warns and says by what.
    "$SIM" stop "$APP"
    hold_port 8080
    run --separate-stderr "$SIM" start "$APP"
    [ "$status" -eq 0 ]
    # Held by another test's appliance instead, 8080 may be free again by now.
    if [ "$held" = taken ] && ! grep -q '^appliance: warning' <<<"$stderr"; then
        skip "port 8080 was held by something else, which let it go before the start"
    fi
    [[ "$(grep '^appliance: warning' <<<"$stderr")" =~ ^"appliance: warning: port 8080 is taken by "(.+)"; the setup pages of $APP are on port "([0-9]+)$ ]]
    [ "$held" = taken ] || [ "${BASH_REMATCH[1]}" = "$(cat "/proc/$listener/comm") (pid $listener)" ]
    [ "${lines[1]}" = "setup pages: http://127.0.0.1:${BASH_REMATCH[2]}/cgi-bin/setup/ (user root, password as pwreset set it)" ]
    [ "$(cat "$APP/sim/state/http.port")" = "${BASH_REMATCH[2]}" ]
    run "$SIM" status "$APP"
    [ "${lines[3]}" = "setup pages: http://127.0.0.1:${BASH_REMATCH[2]}/cgi-bin/setup/ (port 8080 was taken)" ]
    [ "${lines[4]}" = "last service error: none" ]
}

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
# The appliance a test starts as nobody ends with the test, whatever fails.
teardown() {
    [ -z "${listener:-}" ] || kill "$listener" 2>/dev/null || true
    [ -n "${nobody_root:-}" ] || return 0
    as_nobody "$SIM" stop "$nobody_root" >/dev/null 2>&1
    rm -rf "$nobody_root"
}

@test "without root: the card's node is stood in for at start, wlancard reaches the card, the web server answers" {
    as_nobody unshare --user --map-root-user true 2>/dev/null || skip "no unprivileged user namespaces here"
    as_nobody test -x "$APPLIANCE_BUILD/sim/nsinit" -o -x "$APPLIANCE_SIM_BUILD/sim/nsinit" ||
        skip "the build is not readable by other users"
    as_nobody test -r "$SIM" || skip "the sources are not readable by other users"
    nobody_root=$(mktemp -d)
    chown 65534:65534 "$nobody_root"
    as_nobody "$SIM" start "$nobody_root" "$APPLIANCE_BUILD" >/dev/null
    # The start made the card's node (a stand-in here), as start-up scripts do.
    run as_nobody "$SIM" run "$nobody_root" sh -c 'wlancard get essid; mkwlandev; echo "status $?"'
    [ "$output" = "$(printf "apnet\ncan't create /dev/radio_cs.\nstatus 3")" ]
    [ "$(head -n 1 "$nobody_root/sim/fk/requests.log")" = \
      "mknod /dev/radio_cs c 60:0 0664: refused (Operation not permitted); a file stands in for the node" ]
    [ "$(status_of -u root: "http://127.0.0.1:$(cat "$nobody_root/sim/state/http.port")/cgi-bin/setup/")" = 200 ]
}
