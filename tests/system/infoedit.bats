#!/usr/bin/env bats
# infoedit in the simulated appliance: the settings file, the web server's
# configuration and the copy on the persistent partition.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

# The settings as the factory has them: one line per key.
FACTORY=$(cat "$APPLIANCE_SRC/factory/etc/apinfo")

setup() {
    printf '%s\n' "$FACTORY" > "$APP/etc/apinfo"
    rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/requests.log" "$APP/var/lib/httpd/conf/httpd.conf"
}

# The persistent copy as the partition holds it.
disk_apinfo() {
    if [ -s "$APP/sim/state/hda2.loop" ]; then
        debugfs -R "cat /apinfo" "$APP/sim/state/hda2.img" 2>/dev/null
    else
        cat "$APP/disk/apinfo"
    fi
}

snapshot() { (cd "$APP" && md5sum etc/apinfo var/lib/httpd/conf/httpd.conf 2>/dev/null; ls -a disk var/lib/httpd/conf); }

@test "usage exits leave every file unchanged and mount nothing" {
    before=$(snapshot)
    # Which command lines and values are refused is the unit tests'; these
    # are a few of each kind, through the whole program.
    for args in "" "-NAME a -IP 1.2.3.999" "-NAME has_blank -GROUP a.b" \
                "-NAME aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa" "-MACADDR 1:2:3:4:5" \
                "-PCCARD xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"; do
        testing "$args" "infoedit $args" "usage: infoedit [-w yes|no] [-key value]..." 1
    done
    # Values that would break a line of the files (escapes as printf %b
    # reads them), or overflow a check.
    for args in '-w|no|-IP|192.168.\n0.1' '-MACADDR|02:00:5E:00:00:01\nNAME="a b"' \
                '-PCCARD|radio_cs\nIP="1.2.3.4"' '-ROUTER|YES\r' '-IP|1.2.3.4294967296' \
                '-MACADDR|1:2:3:4:5:100000000' '-IP| 1. 2. 3.4' '-IP|+1.+2.-0.4' '-NETMASK|255.255.255.0 '; do
        IFS='|' read -r -d '' -a words < <(printf '%b' "$args") || true
        run inapp infoedit "${words[@]}"
        [ "$status" -eq 1 ] || { echo "args: $args"; false; }
        [ "$output" = "usage: infoedit [-w yes|no] [-key value]..." ]
    done
    testing "name" "/bin/infoedit" "usage: /bin/infoedit [-w yes|no] [-key value]..." 1
    [ "$(snapshot)" = "$before" ]
    [ ! -e "$APP/sim/fk/requests.log" ]
}

@test "a run rewrites the sixteen lines, the web configuration and the disk copy" {
    printf '%s\n' 'Port 80' 'User nobody' 'ServerName ${IP}:80' 'DocumentRoot /var/lib/httpd/htdocs' \
        'ScriptAlias /cgi-bin/ /var/lib/httpd/cgi-bin/' > "$APP/etc/htconf.templ"
    printf 'JUNK="gone"\n' >> "$APP/etc/apinfo"
    run inapp infoedit -ROUTER YES -MACADDR 02:00:5E:12:34:56 -GROUP lab -IP 10.0.0.2 -w yes
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    expected=$(printf '%s\n' "$FACTORY" | sed -e 's/^ROUTER=.*/ROUTER="YES"/' \
        -e 's/^MACADDR=.*/MACADDR="02:00:5E:12:34:56"/' -e 's/^GROUP=.*/GROUP="lab"/' \
        -e 's/^ESSID=.*/ESSID="123456lab"/' -e 's/^IP=.*/IP="10.0.0.2"/')
    [ "$(cat "$APP/etc/apinfo")" = "$expected" ]
    [ "$(wc -l < "$APP/etc/apinfo")" -eq "$(wc -l < "$APPLIANCE_SRC/factory/etc/apinfo")" ]
    [ "$(disk_apinfo)" = "$expected" ]
    [ "$(cat "$APP/var/lib/httpd/conf/httpd.conf")" = "Port 80
User nobody
ServerName    10.0.0.2
DocumentRoot /var/lib/httpd/htdocs
ScriptAlias /cgi-bin/ /var/lib/httpd/cgi-bin/" ]
    [ "$(cat "$APP/sim/fk/requests.log")" = 'mount /dev/hda2 /disk ext2 0 ""
umount /disk
sync' ]
    # Nothing stays mounted and no temporary file is left beside the files.
    refute inapp grep -q ' /disk ' /proc/mounts
    [ "$(ls "$APP/etc" | grep -c apinfo)" -eq 1 ]
    [ "$(ls -A "$APP/var/lib/httpd/conf")" = "httpd.conf" ]
}

@test "-w no keeps the partition unmounted; ESSID and PRODUCT change nothing" {
    run inapp infoedit -w no -ESSID foo -PRODUCT bar -NAME ""
    [ "$status" -eq 0 ]
    [ "$(cat "$APP/etc/apinfo")" = "$(printf '%s\n' "$FACTORY" | sed 's/^NAME=.*/NAME=""/')" ]
    [ -s "$APP/var/lib/httpd/conf/httpd.conf" ]
    [ ! -e "$APP/sim/fk/requests.log" ]
    run inapp infoedit -w no -w yes -DSCH 1a
    [ ! -e "$APP/sim/fk/requests.log" ]
    grep -qx 'DSCH="1a"' "$APP/etc/apinfo"
}

@test "a missing settings file or template is reported" {
    rm "$APP/etc/apinfo"
    testing "no settings" "infoedit" 'Can'\''t open "/etc/apinfo".' 1

    printf '%s\n' "$FACTORY" > "$APP/etc/apinfo"
    mv "$APP/etc/htconf.templ" "$APP/etc/htconf.templ.away"
    run inapp infoedit -ROUTER YES
    mv "$APP/etc/htconf.templ.away" "$APP/etc/htconf.templ"
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/etc/htconf.templ".' ]
    grep -qx 'ROUTER="YES"' "$APP/etc/apinfo"   # already written
    [ ! -e "$APP/sim/fk/requests.log" ]

    rmdir "$APP/var/lib/httpd/conf"
    run inapp infoedit -ROUTER NO
    mkdir "$APP/var/lib/httpd/conf"
    [ "$status" -eq 1 ]
    [ "$output" = 'Can'\''t open "/var/lib/httpd/conf/httpd.conf".' ]
}

@test "a settings line whose value cannot be read whole stops the run; a full line is read whole" {
    before=$(snapshot)
    for line in 'IP=192.168.7.7' 'IP="192.168.7.7' 'NAME="a\0b"' "NAME=\"$(printf '%0250d' 0)\""; do
        { printf '%s\n' "$FACTORY"; printf '%b\n' "$line"; } > "$APP/etc/apinfo"
        cp "$APP/etc/apinfo" "$APP/tmp/apinfo.before"
        run inapp infoedit -ROUTER YES
        [ "$status" -eq 1 ] || { echo "$line: $status $output"; false; }
        [ "$output" = 'Can'\''t open "/etc/apinfo".' ]
        cmp "$APP/etc/apinfo" "$APP/tmp/apinfo.before"
    done
    printf '%s\n' "$FACTORY" > "$APP/etc/apinfo"
    [ "$(snapshot)" = "$before" ]
    [ ! -e "$APP/sim/fk/requests.log" ]
    # 255 characters and the newline.
    long="PCCARD=\"$(printf '%0246d' 0)\""
    sed "s/^PCCARD=.*/$long/" <<< "$FACTORY" > "$APP/etc/apinfo"
    run inapp infoedit -w no -ROUTER YES
    [ "$status" -eq 0 ]
    grep -qx "$long" "$APP/etc/apinfo"
    rm "$APP/tmp/apinfo.before"
}

@test "disk copy failures: mount, the file, umount; the partition never stays mounted" {
    echo 19 > "$APP/sim/fk/refuse/mount"   # ENODEV
    testing "mount" "infoedit -ROUTER YES" "mount:: No such device
can't write data." 255
    rm "$APP/sim/fk/refuse/mount"

    # /disk/apinfo cannot be written: a directory of that name on the partition.
    inapp sh -c 'mount -t ext2 /dev/hda2 /disk && rm -f /disk/apinfo && mkdir /disk/apinfo && umount /disk'
    rm -f "$APP/sim/fk/requests.log"
    testing "file" "infoedit -ROUTER NO" "can't open /disk/apinfo.
can't write data." 255
    [ "$(cat "$APP/sim/fk/requests.log")" = 'mount /dev/hda2 /disk ext2 0 ""
umount /disk' ]
    refute inapp grep -q ' /disk ' /proc/mounts
    inapp sh -c 'mount -t ext2 /dev/hda2 /disk && rmdir /disk/apinfo && umount /disk'

    echo 16 > "$APP/sim/fk/refuse/umount"   # EBUSY
    run inapp infoedit -ROUTER YES
    rm "$APP/sim/fk/refuse/umount"
    [ "$status" -eq 255 ]
    [ "$output" = "umount:: Device or resource busy
can't write data." ]
    inapp umount /disk
    grep -qx 'ROUTER="YES"' "$APP/etc/apinfo"
}

@test "without a loop device the fake kernel answers the partition's mounts" {
    local app2
    app2=$(mktemp -d "${TMPDIR:-/tmp}/appliance.XXXXXX")
    "$SIM" create "$app2" "$APPLIANCE_BUILD" >/dev/null
    rm "$app2/sim/state/hda2.img"
    "$SIM" start "$app2"
    run "$SIM" run "$app2" infoedit -ROUTER YES
    first=$status
    # Left mounted as a killed run leaves it (its pid recorded, the run
    # gone): the next run unmounts it first.
    "$SIM" run "$app2" sh -c 'ln -sfn $$ /var/run/disk.holder; mount -t ext2 /dev/hda2 /disk'
    mounts=$("$SIM" run "$app2" grep /disk /proc/mounts)
    run "$SIM" run "$app2" infoedit -ROUTER NO
    after=$("$SIM" run "$app2" grep /disk /proc/mounts || true)
    # Mounted by anyone else: the copy fails and leaves it.
    "$SIM" run "$app2" mount -t ext2 /dev/hda2 /disk
    peer=$("$SIM" run "$app2" sh -c 'infoedit -ROUTER NO; echo "<$?>"; grep /disk /proc/mounts' 2>&1)
    "$SIM" stop "$app2"
    log=$(cat "$app2/sim/fk/requests.log")
    copy=$(cat "$app2/disk/apinfo")
    settings=$(cat "$app2/etc/apinfo")
    rm -rf "$app2"
    [ "$first" -eq 0 ]
    [ "$mounts" = "/dev/hda2 /disk ext2 rw 0 0" ]
    [ "$status" -eq 0 ]
    [ "$output" = "" ]
    [ -z "$after" ]
    [ "$peer" = "mount:: Device or resource busy
can't write data.
<255>
/dev/hda2 /disk ext2 rw 0 0" ]
    [ "$copy" = "$FACTORY" ]
    [ "$settings" = "$FACTORY" ]
    [ "$log" = 'mount /dev/hda2 /disk ext2 0 ""
umount /disk
sync
mount /dev/hda2 /disk ext2 0 "(null)"
umount /disk
mount /dev/hda2 /disk ext2 0 ""
umount /disk
sync
mount /dev/hda2 /disk ext2 0 "(null)"' ]
}
