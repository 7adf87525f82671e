# The settings store: factory settings, the web server's configuration
# template, the persistent partition and a disk for the utility flag.
mkdir -p "$ROOT/var/lib/httpd/conf" "$ROOT/var/lib/httpd/cgi-bin/setup" "$ROOT/disk"
[ -e "$ROOT/etc/apinfo" ] || cat > "$ROOT/etc/apinfo" <<'APINFO'
NAME="ap_01"
GROUP="apnet"
ESSID="000001apnet"
PRODUCT="AP100"
PCCARD="radio_cs"
IP="192.168.0.1"
NETMASK="255.255.255.0"
MACADDR="02:00:5E:00:00:01"
IPSET="MANUAL"
DHCPSET="NO"
DHCPS="NO"
CLIENT_SET="NO"
DSCH="3"
CUSTOM="NO"
DOMAIN="local"
ROUTER="NO"
APINFO
[ -e "$ROOT/etc/htconf.templ" ] || cat > "$ROOT/etc/htconf.templ" <<'TEMPL'
Port 80
User nobody
ServerName ${IP}:80
DocumentRoot /var/lib/httpd/htdocs
ScriptAlias /cgi-bin/ /var/lib/httpd/cgi-bin/
TEMPL
# /dev/hda2: the mount point of the partition's device node. When the
# appliance starts as root, sim/mount.d/40-disk.sh puts a loop device over
# the image below there; otherwise the fake kernel answers the mounts.
: > "$ROOT/dev/hda2"
if [ ! -e "$ROOT/sim/state/hda2.img" ] && PATH=$PATH:/sbin:/usr/sbin command -v mkfs.ext2 >/dev/null; then
    truncate -s 2M "$ROOT/sim/state/hda2.img"
    PATH=$PATH:/sbin:/usr/sbin mkfs.ext2 -q -F "$ROOT/sim/state/hda2.img" >/dev/null
fi
# /dev/hda: a plain image file, its first sector empty. The fake kernel
# answers the geometry request for it.
[ -e "$ROOT/dev/hda" ] || truncate -s 64K "$ROOT/dev/hda"
