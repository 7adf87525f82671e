#!/usr/bin/env bats
# The simulated appliance itself: its view of the file system, its stand-ins
# and its teardown.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

@test "programs see the appliance's own files, procfs and fake kernel" {
    echo 'ROUTER="YES"' > "$APP/etc/apinfo"
    run inapp cat /etc/apinfo
    [ "$output" = 'ROUTER="YES"' ]
    run inapp sh -c 'cat /proc/1/cmdline | tr "\0" " "; echo; echo $LD_PRELOAD; ls /bin/dialstat'
    [ "${lines[0]}" = "/sim/bin/nsinit " ]
    [ "${lines[1]}" = '/sim/$LIB/libfakekernel.so' ]
    [ "${lines[2]}" = "/bin/dialstat" ]
    # Writing the appliance's /var never reaches the PC's.
    inapp sh -c 'echo 42 > /var/run/probe.pid'
    [ "$(cat "$APP/var/run/probe.pid")" = 42 ]
    [ ! -e /var/run/probe.pid ]
}

@test "pppd stand-in: options, connect script, pid file, link up and idle" {
    cat > "$APP/etc/ppp/options" <<'OPTS'
lock
remotename dial2
connect  "/etc/ppp/dialer \'0123\' 3 \'AT\\\\Z\' \'\'  "
nopersist
OPTS
    echo 'entry2=up 1' > "$APP/sim/etc/pppd.conf"
    printf 'com_status="0"\nprog_status="1"\ndial_status="2"\n' > "$APP/etc/ppp/ppp.stat"
    run inapp /sbin/pppd
    [ "$status" -eq 0 ]
    grep -qx 'dialer: phone=\[0123\] redial=\[3\] init=\[AT\\\\Z\] dial=\[\]' "$APP/sim/log/dialer.log"
    grep -qx 'dial2: link up' "$APP/sim/log/pppd.log"
    grep -qx 'dial2: idle, link down' "$APP/sim/log/pppd.log"
    [ "$(inapp dialstat prog)" = 0 ]
    [ ! -e "$APP/var/run/ppp0.pid" ]
}

@test "pppd stand-in: a failed dial leaves prog_status; SIGTERM ends a held link" {
    printf 'remotename dial1\nconnect  "/etc/ppp/dialer \\'"'"'1\\'"'"' 0 \\'"'"'\\'"'"' \\'"'"'\\'"'"'  "\n' > "$APP/etc/ppp/options"
    echo 'entry1=fail 0' > "$APP/sim/etc/pppd.conf"
    printf 'com_status="0"\nprog_status="1"\ndial_status="1"\n' > "$APP/etc/ppp/ppp.stat"
    run inapp /sbin/pppd
    [ "$status" -ne 0 ]
    [ "$(inapp dialstat prog)" = 1 ]

    echo 'entry1=up 100' > "$APP/sim/etc/pppd.conf"
    inapp setsid /sbin/pppd </dev/null >/dev/null 2>&1 &
    wait_for 10 test -e "$APP/sim/state/ppp0"
    [ -e "$APP/var/run/ppp0.pid" ]
    [ -e "$APP/var/run/timer.pid" ]
    inapp sh -c 'kill $(cat /var/run/ppp0.pid) $(cat /var/run/timer.pid)'
    wait_for 10 test ! -e "$APP/var/run/ppp0.pid"
    wait_for 10 test ! -e "$APP/var/run/timer.pid"
    [ ! -e "$APP/sim/state/ppp0" ]
}

@test "dnsrelay and ifconfig stand-ins record what they were given" {
    inapp setsid /sbin/dnsrelay -ns 10.112.112.112 "" </dev/null >/dev/null 2>&1 &
    wait_for 10 test -e "$APP/var/run/dnsrelay.pid"
    grep -qx 'dnsrelay: \[-ns\] \[10.112.112.112\] \[\]' "$APP/sim/log/dnsrelay.log"
    inapp sh -c 'kill $(cat /var/run/dnsrelay.pid)'
    wait_for 10 test ! -e "$APP/var/run/dnsrelay.pid"
    inapp /sbin/ifconfig ppp0 0.0.0.0
    grep -qx 'ifconfig ppp0 0.0.0.0' "$APP/sim/log/ifconfig.log"
}

@test "stop ends every process of the appliance and leaves no mount" {
    local root
    root=$(mktemp -d)
    "$SIM" create "$root" "$APPLIANCE_BUILD" >/dev/null
    "$SIM" start "$root"
    "$SIM" run "$root" setsid sleep 1234 </dev/null >/dev/null 2>&1 &
    wait_for 10 pgrep -fx "sleep 1234" >/dev/null
    "$SIM" stop "$root"
    wait_for 10 sh -c "! pgrep -fx \"sleep 1234\" >/dev/null"
    refute grep -q " $root/" /proc/self/mountinfo
    run "$SIM" status "$root"
    [ "$status" -ne 0 ]
    [ "${lines[0]}" = stopped ]
    rm -rf "$root"
}

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }

@test "without root: the appliance runs in an unprivileged user namespace" {
    as_nobody unshare --user --map-root-user true 2>/dev/null || skip "no unprivileged user namespaces here"
    as_nobody test -x "$APPLIANCE_BUILD/sim/nsinit" || skip "the build is not readable by other users"
    as_nobody test -r "$SIM" || skip "the sources are not readable by other users"
    local root
    root=$(mktemp -d)
    chown 65534:65534 "$root"
    as_nobody "$SIM" create "$root" "$APPLIANCE_BUILD" >/dev/null
    as_nobody "$SIM" start "$root"
    run as_nobody "$SIM" run "$root" sh -c 'id -u; cat /proc/1/cmdline; echo; dialstat -s com 6; dialstat com'
    as_nobody "$SIM" stop "$root"
    refute grep -q " $root/" /proc/self/mountinfo
    rm -rf "$root"
    [ "${lines[0]}" = 0 ]
    [ "${lines[1]}" = "/sim/bin/nsinit" ]
    [ "${lines[2]}" = 6 ]
}
