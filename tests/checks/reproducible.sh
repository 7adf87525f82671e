#!/usr/bin/env bash
# Builds the release of the last commit twice, from two fresh clones in two
# directories, one after the other, and fails unless the archives of the
# two are the same byte for byte. (What is not committed is not built.)
#   reproducible.sh SOURCE_DIR SCRATCH_DIR PRESET "ARCHIVES"
src=$1 scratch=$2 preset=$3 archives=$(echo "$4" | tr ";" " ")
# Each clone compiles for itself: nothing from a compiler cache.
export CCACHE_DISABLE=1
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
for n in 1 2; do
    dir=$scratch/clone$n/of-a-different-length-$n$n$n
    git clone -q "$src" "$dir" || exit 1
    # The first clone's files are two days older, as an earlier checkout's.
    [ $n = 2 ] || find "$dir" -exec touch -h -d '-2 days' {} +
    ( cd "$dir" && cmake --preset "$preset" -DAPPLIANCE_TESTS=OFF &&
      cmake --build --preset "$preset" -j "$(nproc)" &&
      cpack --preset "$preset" -B "$scratch/release$n" ) >"$scratch/build$n.log" 2>&1 \
        || { tail -n 30 "$scratch/build$n.log"; echo "release $n could not be built"; exit 1; }
done
status=0
for a in $archives; do
    one=$(sha256sum < "$scratch/release1/$a" | cut -d' ' -f1)
    two=$(sha256sum < "$scratch/release2/$a" | cut -d' ' -f1)
    if [ "$one" = "$two" ]; then
        echo "$a: the same twice, sha256 $one"
    else
        echo "$a differs: $one, then $two"
        status=1
    fi
done
exit $status
