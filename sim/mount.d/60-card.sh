# The wireless card's device node, as the appliance's start-up scripts make
# it once the card's driver is loaded: the installed mkwlandev, on a /dev
# without the node of the last run (the appliance's /dev is new at each boot).
if [ -e "$ROOT/bin/mkwlandev" ] || [ -L "$ROOT/bin/mkwlandev" ]; then
    rm -f "$ROOT/dev/radio_cs"
    chroot "$ROOT" /usr/bin/env -i PATH=/bin:/sbin:/usr/bin:/usr/sbin:/sim/bin \
        LD_PRELOAD='/sim/$LIB/libfakekernel.so' \
        ASAN_OPTIONS="${ASAN_OPTIONS:-verify_asan_link_order=0:detect_leaks=0}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
        /bin/mkwlandev </dev/null ||
        echo "appliance: mkwlandev did not make the card's node /dev/radio_cs (status $?)" >&2
fi
