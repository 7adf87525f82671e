# Runs as process 1 of a new appliance, inside its own mount namespace:
# builds the appliance's view of the file system, then becomes its init.
set -eu
ROOT=$1
SIM_DIR=$2

mount -t proc proc "$ROOT/proc"
for d in null zero full random urandom tty; do
    mount --bind "/dev/$d" "$ROOT/dev/$d"
done
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$ROOT/dev/pts"
mount --bind /usr "$ROOT/usr"
mount -o remount,bind,ro "$ROOT/usr"

for hook in "$SIM_DIR"/mount.d/*.sh; do
    [ -e "$hook" ] || continue
    . "$hook"
done

touch "$ROOT/sim/ready"
exec chroot "$ROOT" /sim/bin/nsinit
