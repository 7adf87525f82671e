# The persistent partition /dev/hda2: the ext2 image on a free loop device,
# whose node is bound over the appliance's /dev/hda2, so the programs really
# mount it on /disk. Process 1 keeps the device open and the device is
# detached at once, which the kernel defers to the last close: when the
# appliance ends, the loop device goes with it. Without loop devices the
# fake kernel answers the mounts instead.
hda2_img="$ROOT/sim/state/hda2.img"
if [ -f "$hda2_img" ] && hda2_loop=$(losetup -f --show "$hda2_img" 2>/dev/null); then
    exec {hda2_fd}<>"$hda2_loop"
    losetup -d "$hda2_loop"
    if mount --bind "$hda2_loop" "$ROOT/dev/hda2"; then
        echo "$hda2_loop" > "$ROOT/sim/state/hda2.loop"
    else
        echo "appliance: no loop device for /dev/hda2; its mounts are simulated" >&2
        exec {hda2_fd}>&-
    fi
fi
