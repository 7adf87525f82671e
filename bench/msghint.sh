#!/usr/bin/env bash
# Times msghint on a system log of about 100 MB and 500 keyword pairs,
# against grep -c with the literal text of one often matching keyword, and
# checks that its output equals the plain reader's byte for byte.
#
#   bench/msghint.sh BUILD_DIR [WORK_DIR] [MEGABYTES]
#
# BUILD_DIR holds msghint/msghint (an optimised build gives the figures
# that matter); WORK_DIR (default: a new directory under /tmp) receives the
# generated files, which are removed at the end.
set -euo pipefail

build=${1:?usage: bench/msghint.sh BUILD_DIR [WORK_DIR] [MEGABYTES]}
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
msghint=$(cd "$build" && pwd)/msghint/msghint
[ -x "$msghint" ] || { echo "no $msghint: build the msghint target first" >&2; exit 2; }
[ "$("$msghint" -x 2>/dev/null)" = "Option false." ] ||
    { echo "$msghint does not run on this machine (a host build is needed)" >&2; exit 2; }
megabytes=${3:-100}
if [ -n "${2:-}" ]; then
    mkdir -p "$2"
    work=$(mktemp -d "$2/msghint-bench.XXXXXX")
else
    work=$(mktemp -d /tmp/msghint-bench.XXXXXX)
fi
trap 'rm -rf "$work"' EXIT

cxx=${CXX:-c++}
"$cxx" -O2 -std=c++20 -o "$work/gen" "$src/bench/msghint_gen.cpp"
"$cxx" -O2 -std=c++20 -fno-exceptions -I"$src/msghint" -I"$src/common" -o "$work/plain" \
    "$src/bench/msghint_plain.cpp" "$src/msghint/"{keyword,config,keytree,logscan,plain}.cpp

"$work/gen" "$work/messages" "$work/logmsgs.conf" "$megabytes"
needle='Failed password for'   # literal text of the keyword 'sshd[$]: Failed password for $ from $ port $'
echo "log: $(stat -c %s "$work/messages") bytes, $(wc -l < "$work/messages") lines;" \
     "keywords: $(grep -c "^['\"]" "$work/logmsgs.conf") pairs"

# Best of five runs of each, the file already in the page cache: the
# elapsed time, and the processor time (user + system), which a busy
# machine disturbs less. Prints "ELAPSED_MS CPU_MS".
best() {
    local bw="" bc="" r u s w c
    for _ in 1 2 3 4 5; do
        read -r r u s < <( { TIMEFORMAT='%3R %3U %3S'; time "$@" > "$work/out" 2> "$work/err" || [ $? -eq 1 ]; } 2>&1 )
        w=$(awk -v r="$r" 'BEGIN { printf "%d", r * 1000 }')
        c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%d", (u + s) * 1000 }')
        if [ -z "$bw" ] || [ "$w" -lt "$bw" ]; then bw=$w; fi
        if [ -z "$bc" ] || [ "$c" -lt "$bc" ]; then bc=$c; fi
    done
    echo "$bw $bc"
}
cat "$work/messages" > /dev/null
read -r grep_ms grep_cpu < <(best grep -c "$needle" "$work/messages")
echo "grep -c '$needle': $(cat "$work/out") lines in ${grep_ms} ms (processor ${grep_cpu} ms)"
read -r msghint_ms msghint_cpu < <(best "$msghint" -c "$work/logmsgs.conf" -t "$work/messages")
mv "$work/out" "$work/out.msghint"
echo "msghint: $(wc -l < "$work/out.msghint") lines explained in ${msghint_ms} ms (processor ${msghint_cpu} ms)"

s=$(date +%s%N)
"$work/plain" "$work/logmsgs.conf" "$work/messages" > "$work/out.plain"
plain_ms=$(( ($(date +%s%N) - s) / 1000000 ))
echo "plain reader (every keyword on every line): ${plain_ms} ms"
if cmp -s "$work/out.msghint" "$work/out.plain"; then
    echo "outputs: identical ($(stat -c %s "$work/out.plain") bytes)"
else
    echo "outputs: DIFFERENT" >&2
    cmp "$work/out.msghint" "$work/out.plain" >&2 || true
    exit 1
fi
awk -v m="$msghint_ms" -v g="$grep_ms" -v mc="$msghint_cpu" -v gc="$grep_cpu" -v p="$plain_ms" \
    'BEGIN { printf "ratio msghint / grep -c: %.2f elapsed, %.2f processor   (plain reader / grep -c: %.2f elapsed)\n",
             m / (g ? g : 1), mc / (gc ? gc : 1), p / (g ? g : 1) }'
