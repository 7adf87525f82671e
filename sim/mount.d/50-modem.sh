# The modem behind /dev/modem: a pseudo-terminal of the appliance's own
# devpts whose other side is the modem simulator (sim/tools/modemsim.c).
# It returns once /dev/modem exists and keeps answering in the background.
if [ -x "$ROOT/sim/bin/modemsim" ]; then
    chroot "$ROOT" /sim/bin/modemsim || echo "appliance: the modem simulator did not start" >&2
fi
