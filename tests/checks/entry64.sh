#!/bin/sh
# Fails when a program imports a C library entry point with 32-bit file
# offsets or 32-bit time: one that the build's _FILE_OFFSET_BITS=64 and
# _TIME_BITS=64 replace (open by open64, stat by __stat64_time64 ...). Such
# an import means a source or header escaped the two macros.
#
#   entry64.sh COMPILER [FLAGS ...] -- PROGRAM ...
#
# The names come from the C library's own headers, as COMPILER with FLAGS
# sees them: every function that the two macros redirect to another symbol.
set -eu
cc=""
while [ $# -gt 0 ] && [ "$1" != -- ]; do cc="$cc $1"; shift; done
[ $# -gt 0 ] && shift

headers="aio.h dirent.h fcntl.h ftw.h glob.h mqueue.h poll.h pthread.h sched.h semaphore.h
signal.h stdio.h stdlib.h sys/epoll.h sys/file.h sys/ioctl.h sys/mman.h sys/msg.h sys/prctl.h
sys/resource.h sys/select.h sys/sem.h sys/sendfile.h sys/shm.h sys/socket.h sys/stat.h
sys/statfs.h sys/statvfs.h sys/time.h sys/timerfd.h sys/timex.h sys/wait.h threads.h time.h
unistd.h utime.h"
probe=$(for h in $headers; do echo "#include <$h>"; done)

# "name target" for every declaration the headers redirect with an asm label.
redirects() {
    echo "$probe" | $cc -D_GNU_SOURCE "$@" -E -P -x c - |
        perl -0777 -ne 'while (/\b(\w+)\s*\((?:[^()]|\((?:[^()]|\([^()]*\))*\))*\)\s*__asm__\s*\(\s*""\s*"(\w+)"\s*\)/g) {
                            print "$1 $2\n" if $1 ne $2 }' | sort -u
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
redirects > "$tmp/plain"
redirects -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64 > "$tmp/wide"
comm -13 "$tmp/plain" "$tmp/wide" | awk '{print $1}' | sort -u > "$tmp/narrow"

# The list must hold what every C library of this kind renames; an empty or
# short list means the probe failed, not that all is well.
for name in open fopen stat fstat lseek time clock_gettime nanosleep select ppoll ioctl; do
    grep -qx "$name" "$tmp/narrow" || { echo "entry64: the headers do not rename $name; probe failed"; exit 2; }
done

status=0
for f in "$@"; do
    name=$(basename "$f")
    found=$(nm -D --undefined-only "$f" | awk '{print $2}' | sed 's/@.*//' | grep -Fxf "$tmp/narrow" | tr '\n' ' ' || true)
    if [ -n "$found" ]; then
        echo "$name imports 32-bit entry points: $found"
        status=1
    else
        echo "$name: none of the $(wc -l < "$tmp/narrow") 32-bit entry points"
    fi
done
exit $status
