# Shared by the fault tests: the writers that replace files others read,
# how each one's files are set to an old state, what it is run with, and
# how its files are checked to be old or new, whole.
#
# Loaded after helpers, it gives a file its hooks: one appliance for the
# file, and each case begins from the old state of every writer's files.
setup_file() { appliance_up; }
teardown_file() { appliance_down; }
setup() { faults_setup; }

fault() { "$APPLIANCE_SRC/sim/fault" "$@"; }

FACTORY=$(cat "$APPLIANCE_SRC/factory/etc/apinfo")
NEW_APINFO=$(printf '%s\n' "$FACTORY" | sed -e 's/^IP=.*/IP="10.0.0.9"/' -e 's/^ROUTER=.*/ROUTER="YES"/')
HTTPD_OLD=$(sed 's/^.*\${IP}.*$/ServerName    192.168.0.1/' "$APPLIANCE_SRC/factory/etc/htconf.templ")
HTTPD_NEW=${HTTPD_OLD/192.168.0.1/10.0.0.9}
HTPASSWD=var/lib/httpd/cgi-bin/setup/.htpasswd

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

# Each test begins from the old state of every writer's files.
faults_setup() {
    [ -s "$APP/sim/state/hda2.loop" ] || skip "the partition needs a loop device"
    rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/requests.log"
    # What killed runs of another test left.
    for writer in infoedit pwreset pktcount filemix dialstat; do "${writer}_reset"; done
}
