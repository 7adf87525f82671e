#!/usr/bin/env bats
# pwreset in the simulated appliance: the web password file and its copy on
# the persistent partition.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

LOCAL=var/lib/httpd/cgi-bin/setup/.htpasswd

setup() {
    rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/requests.log"
    printf 'root:oldoldoldold.\nadmin:xyz\n' > "$APP/$LOCAL"
}

disk_htpasswd() {
    if [ -s "$APP/sim/state/hda2.loop" ]; then
        debugfs -R "cat /.htpasswd" "$APP/sim/state/hda2.img" 2>/dev/null
    else
        cat "$APP/disk/.htpasswd"
    fi
}

# True when the single line of the file is root's entry for password $2.
entry_for() {
    local line hash
    [ "$(wc -l < "$1")" -eq 1 ] || return 1
    line=$(cat "$1")
    [ "${line%%:*}" = root ] || return 1
    hash=${line#root:}
    [ ${#hash} -eq 13 ] || return 1
    [ "$(perl -e 'print crypt($ARGV[0], $ARGV[1])' -- "$2" "$hash")" = "$hash" ]
}

@test "both files get the same single entry; only the first argument counts" {
    run inapp pwreset
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    entry_for "$APP/$LOCAL" ""
    [ "$(disk_htpasswd)" = "$(cat "$APP/$LOCAL")" ]
    [ "$(cat "$APP/sim/fk/requests.log")" = 'mount /dev/hda2 /disk ext2 0 ""
umount /disk
sync
sync' ]

    run inapp pwreset 's3cret pass' other words
    [ "$status" -eq 0 ]
    entry_for "$APP/$LOCAL" 's3cret pass'
    [ "$(disk_htpasswd)" = "$(cat "$APP/$LOCAL")" ]
    refute inapp grep -q ' /disk ' /proc/mounts
    [ "$(ls -A "$APP/var/lib/httpd/cgi-bin/setup")" = "$(printf '.htpasswd\nindex.cgi')" ]
}

@test "a password longer than 255 characters is refused and nothing written" {
    before=$(cat "$APP/$LOCAL")
    testing "256" "pwreset $(printf 'p%.0s' $(seq 256))" "pwreset: password longer than 255 characters" 1
    [ "$(cat "$APP/$LOCAL")" = "$before" ]
    [ ! -e "$APP/sim/fk/requests.log" ]
    run inapp pwreset "$(printf 'p%.0s' $(seq 255))"
    [ "$status" -eq 0 ]
    entry_for "$APP/$LOCAL" "$(printf 'p%.0s' $(seq 255))"
}

@test "failures: local file, mount, disk file, umount" {
    mv "$APP/var/lib/httpd/cgi-bin/setup" "$APP/var/lib/httpd/cgi-bin/away"
    run inapp pwreset x
    mv "$APP/var/lib/httpd/cgi-bin/away" "$APP/var/lib/httpd/cgi-bin/setup"
    echo "status $status: $output"
    [ "$status" -eq 1 ]
    [ "$output" = "" ]
    [ ! -e "$APP/sim/fk/requests.log" ]

    echo 19 > "$APP/sim/fk/refuse/mount"
    run inapp pwreset mountfails
    rm "$APP/sim/fk/refuse/mount"
    [ "$status" -eq 255 ]
    [ "$output" = "mount:: No such device" ]
    entry_for "$APP/$LOCAL" mountfails   # the local file is already new

    inapp sh -c 'mount -t ext2 /dev/hda2 /disk && rm -f /disk/.htpasswd && mkdir /disk/.htpasswd && umount /disk'
    rm -f "$APP/sim/fk/requests.log"
    run inapp pwreset openfails
    [ "$status" -eq 1 ]
    [ "$output" = "" ]
    [ "$(cat "$APP/sim/fk/requests.log")" = 'mount /dev/hda2 /disk ext2 0 ""
umount /disk' ]
    refute inapp grep -q ' /disk ' /proc/mounts
    inapp sh -c 'mount -t ext2 /dev/hda2 /disk && rmdir /disk/.htpasswd && umount /disk'

    echo 16 > "$APP/sim/fk/refuse/umount"
    run inapp pwreset umountfails
    rm "$APP/sim/fk/refuse/umount"
    [ "$status" -eq 255 ]
    [ "$output" = "umount:: Device or resource busy" ]
    inapp umount /disk
}
