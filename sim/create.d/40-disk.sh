# The settings store: the persistent partition and a disk for the utility
# flag. (The settings themselves are the factory ones, sim/factory.)
mkdir -p "$ROOT/disk"
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
