#!/usr/bin/env bats
# What the word size of the build must not change (this file runs against
# the host build and the i386 build alike): files whose inode numbers need
# 64 bits, and numbers at and beyond the ends of the int range, which read
# as the nearest end, as atoi reads them on the appliance.

load helpers
bats_require_minimum_version 1.5.0

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

# The 32-bit little-endian bytes of a number, as the fake kernel logs them.
le32() {
    local h
    h=$(printf '%08x' $(($1 & 0xffffffff)))
    echo "${h:6:2}${h:4:2}${h:2:2}${h:0:2}"
}

@test "filemix on files whose inode numbers need 64 bits" {
    # An overlay with xino=on over two tmpfs numbers the files of its lower
    # layer beyond 2^32, as large file systems do. The mounts live in the
    # appliance's own namespace; the fake kernel keeps out of them.
    printf 'ROUTER="YES"\n' > "$APP/tmp/apinfo"
    inapp filemix e /tmp/apinfo /tmp/apinfo.mix
    inapp env -u LD_PRELOAD sh -ec '
        mkdir -p /tmp/ov/lower /tmp/ov/upper /tmp/ov/merged
        mount -t tmpfs -o inode32 tmpfs /tmp/ov/lower
        mount -t tmpfs -o inode32 tmpfs /tmp/ov/upper
        mkdir /tmp/ov/upper/data /tmp/ov/upper/work
        cp /tmp/apinfo /tmp/apinfo.mix /tmp/ov/lower/
        mount -t overlay overlay -o xino=on,lowerdir=/tmp/ov/lower,upperdir=/tmp/ov/upper/data,workdir=/tmp/ov/upper/work /tmp/ov/merged'
    local m=/tmp/ov/merged
    # At least 11 digits: beyond 2^32 (and beyond what shell arithmetic takes).
    for f in apinfo apinfo.mix; do
        ino=$(inapp stat -c %i "$m/$f")
        [ "${#ino}" -ge 11 ] || { echo "$f has inode $ino"; false; }
    done

    run --separate-stderr inapp filemix e "$m/apinfo" "$m/again.mix"
    [ "$status" -eq 0 ]
    [ -z "$stderr" ]
    inapp cmp /tmp/apinfo.mix "$m/again.mix"
    run --separate-stderr inapp filemix d "$m/apinfo.mix" "$m/apinfo.back"
    [ "$status" -eq 0 ]
    [ -z "$stderr" ]
    inapp cmp /tmp/apinfo "$m/apinfo.back"
    # The same file as source and destination is still told by its inode.
    run --separate-stderr inapp filemix e "$m/apinfo" "$m/apinfo"
    [ "$status" -eq 1 ]
    [ "$stderr" = "can't open $m/apinfo" ]
    inapp cmp /tmp/apinfo "$m/apinfo"
}

@test "filemix positions files of 2 GiB and more" {
    # A sparse file just beyond 2^31 bytes, all zeros: its stored length is
    # 0 and its data is odd, so it is damaged, on either word size; nothing
    # of it is read but the key and the trailer.
    inapp truncate -s 2147483664 /tmp/big.mix
    echo old > "$APP/tmp/big.out"
    run --separate-stderr inapp filemix d /tmp/big.mix /tmp/big.out
    [ "$status" -eq 1 ]
    [ "$stderr" = "/tmp/big.mix: damaged file" ]
    [ "$(cat "$APP/tmp/big.out")" = old ]
    inapp rm -f /tmp/big.mix
}

@test "numbers beyond the int range read as its nearest end" {
    inapp lanbind start >/dev/null
    printf 'com_status="0"\nprog_status="0"\ndial_status="0"\n' > "$APP/etc/ppp/ppp.stat"
    local row given value
    for row in "2147483647 2147483647" "2147483648 2147483647" "4294967297 2147483647" \
               "-2147483648 -2147483648" "-2147483649 -2147483648" "-4294967295 -2147483648"; do
        read -r given value <<< "$row"
        # lanbind: the request carries the number as a 32-bit word (the
        # simulated bridge refuses a cost below 1, as a kernel may).
        rm -f "$APP/sim/fk/requests.log"
        run --separate-stderr inapp lanbind pathcost 1 "$given"
        [ "$(cat "$APP/sim/fk/requests.log")" = "SIOCSIFBR 0700000001000000$(le32 "$value")" ]
        if [ "$value" -gt 0 ]; then
            [ "$output" = "Pathcost for port 1 set to $value" ] || { echo "$given: $output"; false; }
        fi
        # dialstat: a number given to it, and one read from the status file.
        inapp dialstat -s com "$given"
        grep -qx "com_status=\"$value\"" "$APP/etc/ppp/ppp.stat"
        sed -i "s/^prog_status=.*/prog_status=\"$given\"/" "$APP/etc/ppp/ppp.stat"
        [ "$(inapp dialstat prog)" = "$value" ] || { echo "$given read as $(inapp dialstat prog)"; false; }
    done
}

@test "beep 4294967297 beeps on: a cycle of 2147483647 beeps, not of one" {
    rm -f "$APP/sim/fk/tones.log"
    # Stopped once the second tone has started (within 10 s): one beep per
    # cycle would have waited a whole second after the first.
    inapp bash -c 'beep 4294967297 & p=$!
        for i in $(seq 1000); do [ "$(grep -cs " 1000$" /sim/fk/tones.log)" -ge 2 ] && break; sleep 0.01; done
        kill $p; wait $p' || true
    [ "$(awk '{print $2}' "$APP/sim/fk/tones.log" | head -3 | paste -sd' ')" = "1000 0 1000" ]
    local gap
    gap=$(awk 'NR == 2 {off = $1} NR == 3 {print $1 - off}' "$APP/sim/fk/tones.log")
    [ "$gap" -lt 600 ] || { echo "$gap ms between the beeps"; false; }
}
