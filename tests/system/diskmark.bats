#!/usr/bin/env bats
# diskmark in the simulated appliance: /dev/hda is an image file whose
# geometry the fake kernel answers.

load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

USAGE="Usage : diskmark <on|off> <device>"

setup() { rm -f "$APP"/sim/fk/refuse/* "$APP/sim/fk/requests.log"; }

sector() { od -An -tx1 -v -N512 "$APP/dev/hda" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
zeros() { printf '00%.0s ' $(seq "$1") | sed 's/ $//'; }

@test "usage: argument count, first word, device names" {
    # Which device names count is the unit tests'; one of them here.
    for args in "" "on" "ON hda" "of hda" "on hda extra" "on ../etc/apinfo" "off /hda"; do
        testing "$args" "diskmark $args" "$USAGE" 1
    done
    [ "$(sector)" = "$(zeros 512)" ]
}

@test "on and off on an empty sector, little-endian, with the geometry line" {
    start=$SECONDS
    run inapp diskmark on hda
    [ "$status" -eq 0 ]
    [ $((SECONDS - start)) -ge 4 ]
    [ "$output" = "Write Utitity active flag.
/dev/hda  heads=0x10 sectors=0x3F cyl=0x0002
Syncing disks." ]
    [ "$(sector)" = "78 56 34 12 $(zeros 508)" ]
    [ "$(cat "$APP/sim/fk/requests.log")" = "HDIO_GETGEO /dev/hda
sync" ]

    # Once more, on a device that does not answer the geometry request.
    touch "$APP/sim/fk/refuse/hdio_getgeo"
    run inapp diskmark on hda
    [ "$status" -eq 0 ]
    [ "$output" = "Write Utitity active flag.
Syncing disks." ]
    [ "$(sector)" = "78 56 34 12 $(zeros 508)" ]

    run inapp diskmark off hda
    [ "$status" -eq 0 ]
    [ "$output" = "Delete Utitity active flag.
Syncing disks." ]
    [ "$(sector)" = "$(zeros 512)" ]
    [ "$(stat -c %s "$APP/dev/hda")" -eq 65536 ]
}

@test "a sector holding anything from byte 4 on is refused and left alone" {
    cp "$APP/dev/hda" "$APP/dev/hdb"
    printf '\x55\xaa' | dd of="$APP/dev/hdb" bs=1 seek=510 conv=notrunc 2>/dev/null
    before=$(md5sum < "$APP/dev/hdb")
    run inapp diskmark off hdb
    [ "$status" -eq 1 ]
    [ "$output" = "Delete Utitity active flag.
/dev/hdb  heads=0x10 sectors=0x3F cyl=0x0002
Error : This sector is not empty.
        Did you chenge partition table?
        Is target device(/dev/hdb) right?" ]
    [ "$(md5sum < "$APP/dev/hdb")" = "$before" ]
}

@test "device failures: open, short read, write, read-back check" {
    run inapp diskmark on nosuch
    [ "$status" -eq 1 ]
    [ "$output" = "Write Utitity active flag.
Can't open device(/dev/nosuch)." ]

    head -c 100 /dev/zero > "$APP/dev/short"
    run inapp diskmark on short
    [ "$status" -eq 1 ]
    [ "$output" = "Write Utitity active flag.
/dev/short  heads=0x10 sectors=0x3F cyl=0x0002
Error : read sector failed." ]

    # /dev/full reads zeros and takes no write.
    run inapp diskmark on full
    [ "$status" -eq 1 ]
    [ "$output" = "Write Utitity active flag.
Error : unable to write." ]

    # /dev/zero takes the write and reads back zeros.
    run inapp diskmark on zero
    [ "$status" -eq 1 ]
    [ "$output" = "Write Utitity active flag.
Error : data check error.
0x000: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
0x010: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" ]
}
