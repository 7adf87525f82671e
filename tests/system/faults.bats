#!/usr/bin/env bats
# The programs that replace files others read, under real faults: a full
# file system (a tmpfs that is really full, or the full partition), reads
# that fail, and kills at random points of their write path. Afterwards a
# file is the old one or the new one, whole; after a failure the program
# sees, no temporary file is left; after a kill, the next run leaves no
# mount and no temporary file behind. Temporary files are named
# .~<file>.<pid>.XXXXXX~new.

load helpers
bats_require_minimum_version 1.5.0

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

fault() { "$APPLIANCE_SRC/sim/fault" "$@"; }

FACTORY=$(cat "$APPLIANCE_SRC/sim/factory/etc/apinfo")
NEW_APINFO=$(printf '%s\n' "$FACTORY" | sed -e 's/^IP=.*/IP="10.0.0.9"/' -e 's/^ROUTER=.*/ROUTER="YES"/')
HTTPD_OLD=$(sed 's/^.*\${IP}.*$/ServerName    192.168.0.1/' "$APPLIANCE_SRC/sim/factory/etc/htconf.templ")
HTTPD_NEW=${HTTPD_OLD/192.168.0.1/10.0.0.9}
HTPASSWD=var/lib/httpd/cgi-bin/setup/.htpasswd

setup() {
    [ -s "$APP/sim/state/hda2.loop" ] || skip "the partition needs a loop device"
    rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/requests.log"
    # What killed runs of another test left.
    for writer in infoedit pwreset pktcount filemix dialstat; do "${writer}_reset"; done
}

# A file of the persistent partition, mounted for the moment if it is not
# (a killed run may have left it mounted; that is then left for the next run).
disk_file() {
    inapp env -u LD_PRELOAD sh -c 'if grep -q " /disk " /proc/mounts; then cat "/disk/$1"
        else mount -t ext2 /dev/hda2 /disk && { cat "/disk/$1"; umount /disk; }; fi' - "$1"
}
put_disk_file() {
    inapp env -u LD_PRELOAD sh -c 'umount /disk 2>/dev/null; mount -t ext2 /dev/hda2 /disk &&
        rm -f /disk/*.* /disk/.~*~new && printf "%s\n" "$2" > "/disk/$1"; umount /disk' - "$1" "$2"
}
disk_names() {
    inapp env -u LD_PRELOAD sh -c 'mount -t ext2 /dev/hda2 /disk && ls -A /disk; umount /disk'
}
not_mounted() { refute inapp grep -q ' /disk ' /proc/mounts; }

# True when the one line of the password file is root's entry for $2.
entry_for() {
    local hash=${1#root:}
    [ "${1%%:*}" = root ] && [ ${#hash} -eq 13 ] &&
        [ "$(perl -e 'print crypt($ARGV[0], $ARGV[1])' -- "$2" "$hash")" = "$hash" ]
}

# Each writer: how its files are set to the old state, what it is run
# with, and how its files are checked to be old or new, whole.
infoedit_reset() {
    printf '%s\n' "$FACTORY" > "$APP/etc/apinfo"
    printf '%s\n' "$HTTPD_OLD" > "$APP/var/lib/httpd/conf/httpd.conf"
    rm -f "$APP"/etc/.~*~new "$APP"/var/lib/httpd/conf/.~*~new
    put_disk_file apinfo "$FACTORY"
}
infoedit_cmd=(infoedit -ROUTER YES -IP 10.0.0.9)
infoedit_whole() {
    local f
    f=$(cat "$APP/etc/apinfo")
    [ "$f" = "$FACTORY" ] || [ "$f" = "$NEW_APINFO" ] || { echo "apinfo: $f"; return 1; }
    f=$(cat "$APP/var/lib/httpd/conf/httpd.conf")
    [ "$f" = "$HTTPD_OLD" ] || [ "$f" = "$HTTPD_NEW" ] || { echo "httpd.conf: $f"; return 1; }
    f=$(disk_file apinfo)
    [ "$f" = "$FACTORY" ] || [ "$f" = "$NEW_APINFO" ] || { echo "disk apinfo: $f"; return 1; }
}

pwreset_reset() {
    echo 'root:oldoldoldold.' > "$APP/$HTPASSWD"
    rm -f "$APP/${HTPASSWD%/*}"/.~*~new
    put_disk_file .htpasswd 'root:oldoldoldold.'
}
pwreset_cmd=(pwreset n3w)
pwreset_whole() {
    local f
    for f in "$(cat "$APP/$HTPASSWD")" "$(disk_file .htpasswd)"; do
        [ "$f" = root:oldoldoldold. ] || entry_for "$f" n3w || { echo "password file: $f"; return 1; }
    done
}

COUNTERS_OLD=$(printf '%s="7"\n' {eth0,eth1,ppp0}_{tx,tx_err,rx,rx_err})
COUNTERS_NEW=$(printf '%s\n' "$COUNTERS_OLD" | sed -e 's/^eth0_tx=.*/eth0_tx="500"/' -e 's/^eth0_rx=.*/eth0_rx="600"/' \
    -e 's/^eth0_tx_err=.*/eth0_tx_err="0"/' -e 's/^eth0_rx_err=.*/eth0_rx_err="0"/')
pktcount_reset() {
    inapp /sim/bin/netsim set eth0 tx 500 tx_err 0 rx 600 rx_err 0
    printf '%s\n' "$COUNTERS_OLD" > "$APP/etc/packets.conf"
    rm -f "$APP"/etc/.~*~new
}
pktcount_cmd=(pktcount eth0 -c)
pktcount_whole() {
    local f
    f=$(cat "$APP/etc/packets.conf")
    [ "$f" = "$COUNTERS_OLD" ] || [ "$f" = "$COUNTERS_NEW" ] || { echo "packets.conf: $f"; return 1; }
}

filemix_reset() {
    [ -e "$APP/tmp/src" ] || head -c 5000 /dev/urandom > "$APP/tmp/src"
    [ -e "$APP/tmp/expected" ] || inapp filemix e /tmp/src /tmp/expected
    echo keep > "$APP/tmp/dst"
    rm -f "$APP"/tmp/.~*~new
}
filemix_cmd=(filemix e /tmp/src /tmp/dst)
filemix_whole() {
    [ "$(cat "$APP/tmp/dst")" = keep ] || cmp -s "$APP/tmp/dst" "$APP/tmp/expected" || { echo "dst changed"; return 1; }
}

dialstat_reset() {
    printf 'com_status="6"\nprog_status="1"\ndial_status="2"\n' > "$APP/etc/ppp/ppp.stat"
    rm -f "$APP"/etc/ppp/.~*~new
}
dialstat_cmd=(dialstat -s prog 5)
dialstat_whole() {
    local f
    f=$(cat "$APP/etc/ppp/ppp.stat")
    [ "$f" = $'com_status="6"\nprog_status="1"\ndial_status="2"' ] ||
        [ "$f" = $'com_status="6"\nprog_status="5"\ndial_status="2"' ] || { echo "ppp.stat: $f"; return 1; }
}

# No temporary file beside any file the writers replace.
no_leftovers() {
    local left
    left=$(cd "$APP" && ls -d etc/.~*~new etc/ppp/.~*~new var/lib/httpd/conf/.~*~new "${HTPASSWD%/*}"/.~*~new \
        tmp/.~*~new 2>/dev/null || true)
    [ -z "$left" ] || { echo "left behind: $left"; return 1; }
    [ -z "$(disk_names | grep '^\.~.*~new$')" ] || { echo "left on the partition: $(disk_names)"; return 1; }
}

# Runs writer $1 with signal $2 at $3 random points of its write path
# (the calls from the first one naming $4 on), each time from the old
# state, and checks its files after each.
at_random_points() {
    local writer=$1 sig=$2 count=$3 from=$4
    local -n cmd="${writer}_cmd"
    "${writer}_reset"
    local points
    points=$(fault calls "$APP" "${cmd[@]}" | sed -n "\\|$from|,\$p" | awk '{print $1, $2}' | shuf -n "$count")
    [ -n "$points" ]
    while read -r name n; do
        "${writer}_reset"
        local reached=0
        fault at "$APP" "$name" "$n" "$sig" "${cmd[@]}" >/dev/null 2>&1 || reached=$?
        [ "$reached" -ne 125 ] || { echo "$writer never made call $n of $name"; return 1; }
        "${writer}_whole" || { echo "$writer after $sig at $name call $n"; return 1; }
        if [ "$sig" != KILL ]; then
            no_leftovers || { echo "$writer after $sig at $name call $n"; return 1; }
            not_mounted || { echo "$writer after $sig at $name call $n"; return 1; }
        fi
        # The next run goes through and cleans away whatever the killed one left.
        run inapp "${cmd[@]}"
        [ "$status" -eq 0 ] || { echo "$writer after $sig at $name call $n: next run: $output"; return 1; }
        not_mounted || { echo "$writer after $sig at $name call $n: still mounted"; return 1; }
        no_leftovers || { echo "$writer after $sig at $name call $n: next run"; return 1; }
    done <<< "$points"
}

# Each writer, where its write path begins, and how many points get KILL
# and how many TERM.
POINTS=(
    "infoedit /etc/apinfo 4 3"
    "pwreset .htpasswd 3 2"
    "pktcount /etc/packets.conf 2 2"
    "filemix /tmp/dst 2 2"
    "dialstat ppp.stat 2 2"
)

@test "killed at random points, each writer leaves every file old or new, whole" {
    for row in "${POINTS[@]}"; do
        read -r writer from kills _ <<< "$row"
        at_random_points "$writer" KILL "$kills" "$from"
    done
}

@test "terminated at random points, each writer also leaves no temporary file and no mount" {
    for row in "${POINTS[@]}"; do
        read -r writer from _ terms <<< "$row"
        at_random_points "$writer" TERM "$terms" "$from"
    done
}

@test "killed at each step of the copy, the partition is never left mounted for the next run" {
    for writer in infoedit pwreset; do
        local -n cmd="${writer}_cmd"
        "${writer}_reset"
        # Every mount, open, sync, rename and unmount of the copy, and its write.
        points=$(fault calls "$APP" "${cmd[@]}" | grep -v /sim/ |
            awk '$1 == "mount" { on = 1 } on && $1 ~ /^(mount|openat|fsync|rename|umount2)$/ { print $1, $2 }
                 on && $1 == "write" && !w++ { print $1, $2 } $1 == "umount2" { on = 0 }')
        [ "$(echo "$points" | wc -l)" -ge 8 ]
        while read -r name n; do
            "${writer}_reset"
            run fault at "$APP" "$name" "$n" KILL "${cmd[@]}"
            [ "$status" -eq 137 ] || { echo "$writer: KILL at $name $n: status $status"; false; }
            "${writer}_whole"
            run inapp "${cmd[@]}"
            [ "$status" -eq 0 ] || { echo "$writer after KILL at $name $n: $output"; false; }
            not_mounted
            no_leftovers
        done <<< "$points"
        # TERM while the copy is synced waits for the unmount.
        "${writer}_reset"
        fsync=$(fault calls "$APP" "${cmd[@]}" | awk '$1 == "mount" { on = 1 } on && $1 == "fsync" { print $2; exit }')
        "${writer}_reset"
        run fault at "$APP" fsync "$fsync" TERM "${cmd[@]}"
        [ "$status" -eq 143 ]
        "${writer}_whole"
        not_mounted
        no_leftovers
    done
    # The new files really went to the partition.
    [ "$(disk_file apinfo)" = "$NEW_APINFO" ]
    entry_for "$(disk_file .htpasswd)" n3w
}

# DIR (and the kilobytes left free), the command, its status and output,
# and the file that must stay old.
FULL_CASES=(
    "/etc|infoedit -ROUTER YES -IP 10.0.0.9|1|Can't open \"/etc/apinfo\".|etc/apinfo"
    "/var/lib/httpd/conf|infoedit -ROUTER YES -IP 10.0.0.9|1|Can't open \"/var/lib/httpd/conf/httpd.conf\".|var/lib/httpd/conf/httpd.conf"
    "/disk|infoedit -ROUTER YES -IP 10.0.0.9|255|can't open /disk/apinfo.
can't write data.|"
    "/var/lib/httpd/cgi-bin/setup|pwreset n3w|1||$HTPASSWD"
    "/disk|pwreset n3w|1||"
    "/etc|pktcount eth0 -c|0|can't open /etc/packets.conf|etc/packets.conf"
    "/etc/ppp|dialstat -s prog 5|0|can't open /etc/ppp/ppp.stat|etc/ppp/ppp.stat"
    "/tmp 4|filemix e /tmp/src /tmp/dst|255|can't write /tmp/dst|tmp/dst"
)

@test "a full file system: the failure is reported, the old file stays whole, nothing is left behind" {
    for row in "${FULL_CASES[@]}"; do
        local dir=${row%%|*} rest=${row#*|}
        local cmd=${rest%%|*}
        rest=${rest#*|}
        local want_status=${rest%%|*}
        rest=${rest#*|}
        local want_output=${rest%|*} file=${rest##*|}
        [ -z "$file" ] || before=$(cat "$APP/$file")
        # shellcheck disable=SC2086
        fault full "$APP" $dir
        # shellcheck disable=SC2086
        run inapp $cmd
        # While it is full the files are read inside; free puts them back.
        dir=${dir% *}
        left=$(inapp sh -c "ls -A '$dir' | grep '^\.~.*~new$'" || true)
        fault free "$APP" "$dir"
        [ "$status" -eq "$want_status" ] || { echo "$cmd in a full $dir: status $status: $output"; false; }
        [ "$output" = "$want_output" ] || { echo "$cmd in a full $dir: $output"; false; }
        [ -z "$left" ] || { echo "$cmd in a full $dir left $left"; false; }
        [ -z "$file" ] || [ "$(cat "$APP/$file")" = "$before" ] || { echo "$file changed"; false; }
        not_mounted
        no_leftovers
        for writer in infoedit pwreset pktcount filemix dialstat; do "${writer}_reset"; done
    done
    [ "$(disk_file apinfo)" = "$FACTORY" ]
    [ "$(disk_file .htpasswd)" = root:oldoldoldold. ]
}

@test "a read error stops the run before anything is written" {
    run fault readerr "$APP" /etc/apinfo infoedit -ROUTER YES
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/etc/apinfo".' ]
    run fault readerr "$APP" /etc/htconf.templ infoedit -ROUTER YES -IP 10.0.0.9
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/etc/htconf.templ".' ]
    [ "$(cat "$APP/etc/apinfo")" = "$NEW_APINFO" ]   # written before, as a failed template leaves it
    [ "$(cat "$APP/var/lib/httpd/conf/httpd.conf")" = "$HTTPD_OLD" ]
    [ ! -e "$APP/sim/fk/requests.log" ]   # the partition was never mounted

    run --separate-stderr fault readerr "$APP" /etc/packets.conf pktcount eth0 -c
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    [ "$stderr" = "can't read /etc/packets.conf" ]
    [ "$(cat "$APP/etc/packets.conf")" = "$COUNTERS_OLD" ]

    run --separate-stderr fault readerr "$APP" /tmp/src filemix e /tmp/src /tmp/dst
    [ "$status" -eq 1 ]
    [ "$stderr" = "can't read /tmp/src" ]
    [ "$(cat "$APP/tmp/dst")" = keep ]
    no_leftovers
}

@test "settings and password files that are symbolic links stay links to the new text" {
    mkdir -p "$APP/etc/real" "$APP/var/lib/httpd/real"
    mv "$APP/etc/apinfo" "$APP/etc/real/apinfo"
    ln -s real/apinfo "$APP/etc/apinfo"
    echo old > "$APP/var/lib/httpd/real/pw"
    ln -sf /var/lib/httpd/real/pw "$APP/$HTPASSWD"
    run inapp infoedit -w no -ROUTER YES -IP 10.0.0.9
    [ "$status" -eq 0 ]
    run inapp pwreset n3w
    [ "$status" -eq 0 ]
    [ "$(readlink "$APP/etc/apinfo")" = real/apinfo ]
    [ "$(cat "$APP/etc/real/apinfo")" = "$NEW_APINFO" ]
    [ "$(readlink "$APP/$HTPASSWD")" = /var/lib/httpd/real/pw ]
    entry_for "$(cat "$APP/var/lib/httpd/real/pw")" n3w
    rm "$APP/etc/apinfo" "$APP/$HTPASSWD"
    mv "$APP/etc/real/apinfo" "$APP/etc/apinfo"
    rm -r "$APP/etc/real" "$APP/var/lib/httpd/real"
}

@test "while another run holds the partition, a copy fails as busy and leaves its mount alone" {
    run inapp env -u LD_PRELOAD flock /dev/hda2 sh -c 'mount -t ext2 /dev/hda2 /disk
        LD_PRELOAD="/sim/\$LIB/libfakekernel.so" infoedit -ROUTER YES; echo "status $?"
        grep -c " /disk " /proc/mounts; umount /disk'
    [ "$output" = "mount:: Device or resource busy
can't write data.
status 255
1" ]
    not_mounted
    [ "$(disk_file apinfo)" = "$FACTORY" ]
}

@test "a mount of the partition that no run of ours left is someone else's: the copy fails and leaves it" {
    # A shell's mount, and then its file written there.
    inapp env -u LD_PRELOAD sh -c 'mount -t ext2 /dev/hda2 /disk && echo mine > /disk/notes'
    for cmd in "infoedit -ROUTER YES|255|mount:: Device or resource busy
can't write data." "pwreset n3w|255|mount:: Device or resource busy"; do
        IFS='|' read -r -d '' line want_status want_output <<< "$cmd" || true
        # shellcheck disable=SC2086
        run inapp $line
        [ "$status" -eq "$want_status" ] || { echo "$line: status $status: $output"; false; }
        [ "$output" = "${want_output%$'\n'}" ] || { echo "$line: $output"; false; }
        [ "$(inapp grep -c ' /disk ' /proc/mounts)" = 1 ] || { echo "$line took the mount"; false; }
    done
    # Its writes still go to the partition, and its unmount works.
    inapp env -u LD_PRELOAD sh -c 'echo more >> /disk/notes && umount /disk'
    [ "$(disk_file notes)" = $'mine\nmore' ]
    [ "$(disk_file apinfo)" = "$FACTORY" ]
    # Mounted elsewhere, the partition is just as busy.
    inapp env -u LD_PRELOAD sh -c 'mkdir -p /tmp/m && mount -t ext2 /dev/hda2 /tmp/m'
    run inapp pwreset n3w
    inapp env -u LD_PRELOAD umount /tmp/m
    [ "$status" -eq 255 ]
    [ "$output" = "mount:: Device or resource busy" ]
    put_disk_file notes gone   # and the partition's other files with it
}

@test "only temporary files of ended runs are removed; other files beside the settings stay" {
    # A run that has ended, and one that is still at work.
    dead=$(inapp sh -c 'echo $$')
    inapp sh -c 'sleep 30 >/dev/null 2>&1 & echo $! > /tmp/alive'
    alive=$(cat "$APP/tmp/alive")
    inapp env -u LD_PRELOAD sh -c "umount /disk 2>/dev/null; mount -t ext2 /dev/hda2 /disk &&
        for f in apinfo.backup .htpasswd.200101 apinfo.a1B2c3 .~apinfo.$dead.a1B2c3~new .~apinfo.$alive.a1B2c3~new; do
            echo keep > /disk/\$f; done; umount /disk"
    for f in apinfo.backup apinfo.200101 .apinfo.a1B2c3 .~apinfo.$dead.a1B2c3~new .~apinfo.$alive.a1B2c3~new \
             .~packets.conf.$dead.x1Y2z3~new; do
        echo keep > "$APP/etc/$f"
    done
    run inapp sh -c 'infoedit -NAME x && pwreset x'
    inapp kill "$alive"
    [ "$status" -eq 0 ]
    # On the partition no run of ours is at work while one copies: every
    # temporary file there is a leftover.
    [ "$(disk_names | LC_ALL=C sort | tr '\n' ' ')" = \
      ".htpasswd .htpasswd.200101 apinfo apinfo.a1B2c3 apinfo.backup lost+found " ]
    [ "$(cd "$APP/etc" && ls -A | grep apinfo | LC_ALL=C sort | tr '\n' ' ')" = \
      ".apinfo.a1B2c3 .~apinfo.$alive.a1B2c3~new apinfo apinfo.200101 apinfo.backup " ]
    [ ! -e "$APP/etc/.~packets.conf.$dead.x1Y2z3~new" ]
    rm -f "$APP"/etc/apinfo.* "$APP"/etc/.apinfo.* "$APP"/etc/.~*~new
    inapp env -u LD_PRELOAD sh -c 'mount -t ext2 /dev/hda2 /disk && rm /disk/.htpasswd.200101; umount /disk'
}

@test "a termination signal cancels a long scrambling at once and keeps the old file" {
    head -c 64M /dev/zero > "$APP/tmp/big"
    # The whole run, to compare with.
    start=$(date +%s%N)
    inapp filemix e /tmp/big /tmp/whole
    whole_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    rm -f "$APP/tmp/whole"
    for sig in TERM INT HUP; do
        echo keep > "$APP/tmp/dst"
        start=$(date +%s%N)
        run fault at "$APP" write 20 "$sig" filemix e /tmp/big /tmp/dst
        took_ms=$(( ($(date +%s%N) - start) / 1000000 ))
        [ "$status" -eq $((128 + $(kill -l "$sig"))) ] || { echo "$sig: status $status: $output"; false; }
        [ "$output" = "" ]
        [ "$(cat "$APP/tmp/dst")" = keep ]
        no_leftovers
        # Cut short: far less than the whole run took, and within a second.
        [ "$took_ms" -lt $((whole_ms / 2)) ] || { echo "$sig: $took_ms ms, the whole run $whole_ms ms"; false; }
    done
    rm -f "$APP/tmp/big"
}

@test "a file size limit is a write failure, not the end of the run" {
    # The settings fit in 1 KB, the web configuration does not.
    run inapp sh -c 'ulimit -f 1; infoedit -w no -ROUTER YES -IP 10.0.0.9'
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/var/lib/httpd/conf/httpd.conf".' ]
    [ "$(cat "$APP/etc/apinfo")" = "$NEW_APINFO" ]
    [ "$(cat "$APP/var/lib/httpd/conf/httpd.conf")" = "$HTTPD_OLD" ]
    no_leftovers
}

@test "a directory that cannot be synced fails the replacement of a file that must survive power loss" {
    run fault strace "$APP" -P /etc -e trace=fsync -e inject=fsync:error=EIO -- infoedit -w no -ROUTER YES -IP 10.0.0.9
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/etc/apinfo".' ]
    [ "$(cat "$APP/etc/apinfo")" = "$NEW_APINFO" ]   # in place, but not known to last
    [ "$(cat "$APP/var/lib/httpd/conf/httpd.conf")" = "$HTTPD_OLD" ]  # the run stopped there
    no_leftovers
}

@test "fault at: a call never made is reported; a bad call name or signal is a usage error" {
    run --separate-stderr fault at "$APP" fsync 1000 TERM dialstat -s prog 5
    [ "$status" -eq 125 ]
    [ "$stderr" = "fault: dialstat -s prog 5 never made call 1000 of fsync; no signal was sent (its status was 0)" ]
    run --separate-stderr fault at "$APP" rename 1 TERM dialstat -s prog 6
    [ "$status" -eq 143 ]
    for bad in "renam 1 TERM" "rename 1 TREM" "rename 1 SIGTERM;" "rename 0 TERM"; do
        # shellcheck disable=SC2086
        run --separate-stderr fault at "$APP" $bad dialstat -s prog 7
        [ "$status" -eq 2 ] || { echo "$bad: $status"; false; }
        [[ "$stderr" == "fault: "* ]]
    done
    [ "$(cat "$APP/etc/ppp/ppp.stat")" = $'com_status="6"\nprog_status="6"\ndial_status="2"' ]  # held until renamed
}
