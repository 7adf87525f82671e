# Shared by the system tests: one simulated appliance per test file.
#
#   setup_file    { appliance_up; }      a fresh appliance for the file
#   teardown_file { appliance_down; }    ends it, removes its root
#   inapp CMD ...                        run a command inside it
#   testing NAME CMD OUTPUT STATUS       one case of a table (below)
#   APP                                  its root on the host: $APP/etc/ppp/...
#
# The programs come from $APPLIANCE_BUILD (default build/test). With
# APPLIANCE_BUILD=build/i386 the same tests run the appliance's 32-bit
# programs, through qemu-user in the simulator of $APPLIANCE_SIM_BUILD
# (default build/host); ctest sets both.

: "${APPLIANCE_SRC:=$(cd "$BATS_TEST_DIRNAME/../.." && pwd)}"
: "${APPLIANCE_BUILD:=$APPLIANCE_SRC/build/test}"
SIM="$APPLIANCE_SRC/sim/appliance"

appliance_up() {
    export APP
    APP=$(mktemp -d "${TMPDIR:-/tmp}/appliance.XXXXXX")
    "$SIM" create "$APP" "$APPLIANCE_BUILD" >/dev/null
    "$SIM" start "$APP"
}

appliance_down() {
    [ -n "${APP:-}" ] || return 0
    "$SIM" stop "$APP"
    # Nothing of the appliance may stay behind: no mount, no loop device,
    # no process living in its root.
    if grep -q " $APP/" /proc/self/mountinfo; then
        echo "mounts left behind under $APP" >&2
        return 1
    fi
    if ! wait_for 5 no_loop_device_of "$APP"; then
        echo "loop device left behind for $APP" >&2
        return 1
    fi
    if ! wait_for 5 no_process_in "$APP"; then
        echo "processes left behind in $APP" >&2
        return 1
    fi
    rm -rf "$APP"
}

no_loop_device_of() { ! losetup -a | grep -qF "$1/"; }

no_process_in() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && return 1
    done
    return 0
}

inapp() { "$SIM" run "$APP" "$@"; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.1
    done
}

# Fails when the command succeeds. (A bare "! cmd" line never fails a bats
# test, and in "a && b" only b can.)
refute() {
    if "$@"; then
        echo "unexpectedly succeeded: $*" >&2
        return 1
    fi
}

# Cases as table rows, one a line:
#
#   testing NAME COMMAND EXPECTED_OUTPUT STATUS
#
# runs the shell command line COMMAND inside the appliance and fails, naming
# the case, unless it printed EXPECTED_OUTPUT and ended with STATUS. What it
# printed is standard output and error together, the last line ends left
# out (as bats's run gives it): an expected error message alone also says
# that nothing else was printed.
testing() {
    local name=$1 command=$2 expected=$3 expected_status=$4
    run inapp sh -c "$command"
    [ "$output" = "$expected" ] && [ "$status" -eq "$expected_status" ] && return 0
    printf '%s: %s\n--- expected, status %s:\n%s\n--- got, status %s:\n%s\n' \
        "$name" "$command" "$expected_status" "$expected" "$status" "$output" >&2
    return 1
}
