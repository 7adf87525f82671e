#!/bin/sh
# Fails when the programs need more of the appliance than its documents
# state, or less: the highest C library and libcrypt symbol versions they
# import, the loader they name and the kernel version their C library was
# built for must be the ones the README and appliance-programs(7) state.
#   requirements.sh DOCUMENT ... -- PROGRAM ...
docs=""
while [ $# -gt 0 ] && [ "$1" != -- ]; do docs="$docs $1"; shift; done
[ $# -gt 0 ] && shift
highest() { sort -uV | tail -n 1; }

# What the programs need: symbol versions, loader, kernel (the ABI tag).
imports=$(for f in "$@"; do nm -D --undefined-only "$f"; done | grep -o '@[A-Z]*_[0-9.]*' | tr -d @)
glibc=$(echo "$imports" | grep '^GLIBC_' | highest)
xcrypt=$(echo "$imports" | grep '^XCRYPT_' | highest)
loader=$(for f in "$@"; do readelf -lW "$f" | sed -n 's/.*program interpreter: \(.*\)]/\1/p'; done | sort -u)
kernel=$(for f in "$@"; do readelf -nW "$f" | sed -n 's/.*OS: Linux, ABI: \([0-9.]*\).*/Linux \1/p'; done | sort -u)
[ -n "$glibc" ] && [ -n "$loader" ] && [ -n "$kernel" ] || { echo "requirements: could not read the programs"; exit 2; }
echo "the programs need $glibc, ${xcrypt:-no libcrypt}, the loader $loader, $kernel"
[ "$(echo "$loader" | wc -l)" = 1 ] || { echo "the programs name different loaders: $loader"; exit 1; }
[ "$(echo "$kernel" | wc -l)" = 1 ] || { echo "the programs were built for different kernels: $kernel"; exit 1; }

status=0
for doc in $docs; do
    name=$(basename "$doc")
    stated_glibc=$(grep -o 'GLIBC_[0-9.]*[0-9]' "$doc" | highest)
    stated_xcrypt=$(grep -o 'XCRYPT_[0-9.]*[0-9]' "$doc" | highest)
    [ "$stated_glibc" = "$glibc" ] || { echo "$name states ${stated_glibc:-no C library version}, the programs need $glibc"; status=1; }
    [ "$stated_xcrypt" = "$xcrypt" ] || { echo "$name states ${stated_xcrypt:-no libcrypt version}, the programs need ${xcrypt:-none}"; status=1; }
    grep -qF "$loader" "$doc" || { echo "$name does not name the loader $loader"; status=1; }
    grep -qF "$kernel" "$doc" || { echo "$name does not state $kernel"; status=1; }
done
[ $status = 0 ] && echo "stated in:$docs"
exit $status
