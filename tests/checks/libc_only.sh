#!/bin/sh
# Fails when a program needs a library other than libc (pwreset: and libcrypt).
status=0
for f in "$@"; do
    name=$(basename "$f")
    allowed='libc\.so\.6'
    [ "$name" = pwreset ] && allowed='libc\.so\.6|libcrypt\.so\.[0-9]+'
    libs=$(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    [ -n "$libs" ] || { echo "$name: no dynamic section read"; status=1; continue; }
    for lib in $libs; do
        if ! echo "$lib" | grep -Eqx "$allowed"; then
            echo "$name needs $lib"
            status=1
        fi
    done
    echo "$name: $(echo $libs)"
done
exit $status
