#!/usr/bin/env bats
# What the writers must leave to others and must not outlast: a mount of
# the partition that no run of theirs left, files beside theirs that are
# not their temporary files, a termination signal during a long write, a
# file size limit, a directory that cannot be synced; and how sim/fault
# reports a call that was never made.

load helpers
load faults_helpers
bats_require_minimum_version 1.5.0

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
    inapp env -u LD_PRELOAD sh -c 'mount -t ext2 /dev/hda2 /disk && rm /disk/notes; umount /disk'
}

@test "only temporary files of ended runs are removed; other files beside the settings stay" {
    # A run that has ended, and one that is still at work.
    dead=$(inapp sh -c 'echo $$')
    inapp sh -c 'sleep 30 >/dev/null 2>&1 & echo $! > /tmp/alive'
    alive=$(cat "$APP/tmp/alive")
    inapp env -u LD_PRELOAD sh -c "umount /disk 2>/dev/null; mount -t ext2 /dev/hda2 /disk &&
        for f in apinfo.backup .htpasswd.200101 apinfo.a1B2c3 .~$dead.a1B2c3.apinfo~new .~$alive.a1B2c3.apinfo~new; do
            echo keep > /disk/\$f; done; umount /disk"
    for f in apinfo.backup apinfo.200101 .apinfo.a1B2c3 .~$dead.a1B2c3.apinfo~new .~$alive.a1B2c3.apinfo~new \
             .~$dead.x1Y2z3.packets.conf~new; do
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
      ".apinfo.a1B2c3 .~$alive.a1B2c3.apinfo~new apinfo apinfo.200101 apinfo.backup " ]
    [ ! -e "$APP/etc/.~$dead.x1Y2z3.packets.conf~new" ]
    rm -f "$APP"/etc/apinfo.* "$APP"/etc/.apinfo.* "$APP"/etc/.~*~new
    inapp env -u LD_PRELOAD sh -c 'mount -t ext2 /dev/hda2 /disk && rm /disk/.htpasswd.200101; umount /disk'
}

@test "a termination signal cancels a long scrambling at once and keeps the old file" {
    # Some seconds of work for the whole run, whatever the build.
    head -c 256M /dev/zero > "$APP/tmp/big"
    echo small > "$APP/tmp/small"
    # What a run costs before it can be signalled at all.
    start=$(date +%s%N)
    run fault at "$APP" write 1 TERM filemix e /tmp/small /tmp/dst
    base_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 143 ]
    for sig in TERM INT HUP; do
        echo keep > "$APP/tmp/dst"
        start=$(date +%s%N)
        run fault at "$APP" write 20 "$sig" filemix e /tmp/big /tmp/dst
        took_ms=$(( ($(date +%s%N) - start) / 1000000 ))
        [ "$status" -eq $((128 + $(kill -l "$sig"))) ] || { echo "$sig: status $status: $output"; false; }
        [ "$output" = "" ]
        [ "$(cat "$APP/tmp/dst")" = keep ]
        no_leftovers
        [ "$took_ms" -lt $((base_ms + 1000)) ] || { echo "$sig: $took_ms ms, a small run $base_ms ms"; false; }
    done
    rm -f "$APP/tmp/big" "$APP/tmp/small"
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
    run fault strace "$APP" -o /dev/null -P /etc -e trace=fsync -e inject=fsync:error=EIO -- infoedit -w no -ROUTER YES -IP 10.0.0.9
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/etc/apinfo".' ] || { echo "out: $output"; false; }
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
