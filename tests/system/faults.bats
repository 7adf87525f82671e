#!/usr/bin/env bats
# The programs that replace files others read, under real faults: a full
# file system (a tmpfs that is really full, or the full partition), reads
# that fail, and kills at random points of their write path. Afterwards a
# file is the old one or the new one, whole; after a failure the program
# sees, no temporary file is left; after a kill, the next run leaves no
# mount and no temporary file behind. Temporary files are named
# .~<pid>.XXXXXX.<file>~new.

load helpers
load faults_helpers
bats_require_minimum_version 1.5.0

# Runs writer $1 with signal $2 at $3 random points of its write path
# (the calls from the first one naming $4 on), each time from the old
# state, and checks its files after each.
at_random_points() {
    local writer=$1 sig=$2 count=$3 from=$4
    local -n cmd="${writer}_cmd"
    # Only calls that two runs both make: under qemu-user the emulator's
    # own calls (getrandom) can come once more or less.
    local once twice points
    "${writer}_reset"
    once=$(write_path_calls "$from" "${cmd[@]}" | sort)
    "${writer}_reset"
    twice=$(write_path_calls "$from" "${cmd[@]}" | sort)
    points=$(comm -12 <(echo "$once") <(echo "$twice") | shuf -n "$count")
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
        [ "$sig" != KILL ] || no_leftovers || { echo "$writer after $sig at $name call $n: next run"; return 1; }
    done <<< "$points"
}

# "NAME N" of each call CMD makes, from the first one naming $1 on.
write_path_calls() {
    local from=$1; shift
    fault calls "$APP" "$@" | sed -n "\\|$from|,\$p" | awk '{print $1, $2}'
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
