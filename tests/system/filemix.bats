#!/usr/bin/env bats
# filemix in the simulated appliance: the scrambled file format, round
# trips, and what becomes of the files when something is wrong.

load helpers
bats_require_minimum_version 1.5.0

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }

@test "the usage text, without a newline, for a short or unknown command line" {
    for args in "" "e /tmp/a" "E /tmp/a /tmp/b" "x /tmp/a /tmp/b"; do
        testing "$args" "filemix $args" "Usage:filemix [e|d] srcfile dstfile" 1
    done
    testing "no newline" "filemix; echo '<end'" "Usage:filemix [e|d] srcfile dstfile<end" 0
}

@test "the key in front, the pairs, the length behind; the same key every run" {
    printf AB > "$APP/tmp/ab"
    run --separate-stderr inapp filemix e /tmp/ab /tmp/ab.mix
    [ "$status" -eq 0 ]
    [ -z "$output" ]
    [ -z "$stderr" ]
    # random() unseeded gives the key 67 C6 69; A,B exchange the bits of
    # C6 and gain 6769.
    [ "$(hex "$APP/tmp/ab.mix")" = 67c669aaa902000000 ]
    inapp filemix encode /tmp/ab /tmp/ab.again
    cmp "$APP/tmp/ab.mix" "$APP/tmp/ab.again"
    run --separate-stderr inapp filemix decode-it /tmp/ab.mix /tmp/ab.out
    [ "$status" -eq 0 ]
    [ -z "$output" ]
    [ -z "$stderr" ]
    [ "$(cat "$APP/tmp/ab.out")" = AB ]
}

@test "files around the block size keep their bytes through a round trip" {
    sizes="0 1 1024 1025 2048 70001"
    for n in $sizes; do head -c "$n" /dev/urandom > "$APP/tmp/src$n"; done
    inapp sh -ec "for n in $sizes; do filemix e /tmp/src\$n /tmp/mix\$n; filemix d /tmp/mix\$n /tmp/back\$n; done"
    for n in $sizes; do
        expect=$(( n % 2 ? n + 8 : n + 7 ))
        [ "$(stat -c %s "$APP/tmp/mix$n")" -eq "$expect" ]
        cmp "$APP/tmp/src$n" "$APP/tmp/back$n"
    done
    [ "$(hex "$APP/tmp/mix0")" = 67c66900000000 ]
}

@test "a source that cannot be opened leaves the destination alone" {
    echo keep > "$APP/tmp/dst"
    for op in e d; do
        testing "$op missing"   "filemix $op /tmp/missing /tmp/dst" "can't open /tmp/missing" 1
        testing "$op directory" "filemix $op /tmp /tmp/dst"         "can't open /tmp" 1
    done
    [ "$(cat "$APP/tmp/dst")" = keep ]
    testing "nowhere"     "filemix e /tmp/dst /tmp/no/such/dir" "can't open /tmp/no/such/dir" 1
}

@test "the source as destination, under any name, is refused untouched" {
    echo precious > "$APP/tmp/self"
    ln -sf self "$APP/tmp/self.link"
    ln -f "$APP/tmp/self" "$APP/tmp/self.hard"
    for dst in /tmp/self /tmp/self.link /tmp/self.hard /tmp/../tmp/self; do
        testing "$dst" "filemix e /tmp/self $dst" "can't open $dst" 1
    done
    inapp filemix e /tmp/self /tmp/self.mix
    cp "$APP/tmp/self.mix" "$APP/tmp/self.mix.orig"
    testing "decode" "filemix d /tmp/self.mix /tmp/self.mix" "can't open /tmp/self.mix" 1
    [ "$(cat "$APP/tmp/self")" = precious ]
    cmp "$APP/tmp/self.mix" "$APP/tmp/self.mix.orig"
}

@test "damaged scrambled files are reported and leave the destination as it was" {
    echo keep > "$APP/tmp/dst"
    printf 'abcdef' > "$APP/tmp/short"
    testing "short" "filemix d /tmp/short /tmp/dst" "/tmp/short: not a scrambled file" 1
    [ "$(cat "$APP/tmp/dst")" = keep ]

    # Six bytes of data, but a stored length of 9; an odd data length.
    printf 'abcdef' > "$APP/tmp/six"
    inapp filemix e /tmp/six /tmp/six.mix
    cp "$APP/tmp/six.mix" "$APP/tmp/odd.mix"
    printf '\x09' | dd of="$APP/tmp/six.mix" bs=1 seek=9 conv=notrunc status=none
    printf 'x' | dd of="$APP/tmp/odd.mix" bs=1 seek=13 status=none
    for damaged in six odd; do
        testing "$damaged" "filemix d /tmp/$damaged.mix /tmp/dst" "/tmp/$damaged.mix: damaged file" 1
        [ "$(cat "$APP/tmp/dst")" = keep ]
        run --separate-stderr inapp filemix d "/tmp/$damaged.mix" /tmp/new
        [ ! -e "$APP/tmp/new" ]
    done
    [ -z "$(ls "$APP/tmp" | grep -e '^dst\.' -e '^new')" ]
}

@test "a destination that cannot take the data ends with status 255" {
    printf 'some data' > "$APP/tmp/data"
    testing "full" "filemix e /tmp/data /dev/full" "can't write /dev/full" 255
}
