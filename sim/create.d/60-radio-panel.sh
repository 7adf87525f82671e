# The wireless card driver and the front panel of the appliance.
# /dev/console is a plain file: the fake kernel records its tone requests.
: > "$ROOT/dev/console"
cat > "$ROOT/sim/proc/devices" <<'DEVICES'
Character devices:
  1 mem
  4 /dev/vc/0
  4 tty
  5 /dev/tty
  5 /dev/console
 10 misc
 60 radio_cs
128 ptm
136 pts

Block devices:
  3 ide0
  7 loop
DEVICES
# The card, as the driver finds it after power-up.
echo "PCnetMobile:v1.5 (radio_cs) 1999/03/12" > "$ROOT/sim/fk/radio_banner"
printf %s "apnet" > "$ROOT/sim/fk/radio_essid"
echo 3 > "$ROOT/sim/fk/radio_ds"
cat > "$ROOT/sim/fk/radio_stations" <<'STATIONS'
0 00:40:96:2A:01:5C 87
1 00:40:96:33:0E:F1 64
4 08:00:46:0B:77:A0 91
STATIONS
: > "$ROOT/sim/fk/radio_cs.dev"
# Both DIP switches off.
echo "0 0" > "$ROOT/sim/fk/switches"
