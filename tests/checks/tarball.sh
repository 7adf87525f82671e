#!/usr/bin/env bash
# Makes the release tarball with cpack and checks it holds exactly the
# programs under bin/ and the pages under share/man/, that every program is
# a 32-bit x86 executable, stripped, needing only the C library (and
# libcrypt for pwreset), and that the modes suit a root filesystem.
#   tarball.sh BUILD_DIR SCRATCH_DIR TARBALL_NAME "PROGRAMS" "PAGES"
build=$1 scratch=$2 name=$3
programs=$(echo "$4" | tr ";" " ") pages=$(echo "$5" | tr ";" " ")
here=$(dirname "$0")
rm -rf "$scratch" && mkdir -p "$scratch/root" || exit 1
cpack -G TGZ --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log"; exit 1; }
tarball=$scratch/$name.tar.gz
[ -f "$tarball" ] || { echo "no $name.tar.gz made"; ls "$scratch"; exit 1; }
status=0
fail() { echo "$*"; status=1; }

# The list of files, their modes, and nothing else.
expected=$( { for p in $programs; do echo "-rwxr-xr-x bin/$p"; done
              for pg in $pages; do echo "-rw-r--r-- share/man/man${pg##*.}/$pg"; done; } | sort)
actual=$(tar -tvzf "$tarball" | awk '$1 !~ /^d/ {print $1, $NF}' | sort)
[ "$expected" = "$actual" ] || fail "files differ (- expected, + in the tarball):
$(diff <(echo "$expected") <(echo "$actual"))"
stray=$(tar -tzf "$tarball" | grep '/$' | grep -Evx 'bin/|share/|share/man/|share/man/man[58]/')
[ -z "$stray" ] || fail "directories other than bin/ and share/man/: $stray"

tar -xzf "$tarball" -C "$scratch/root" || exit 1
for p in $programs; do
    f=$scratch/root/bin/$p
    [ -f "$f" ] || continue
    header=$(readelf -h "$f" 2>&1)
    echo "$header" | grep -q 'Class: *ELF32' || fail "$p: not a 32-bit ELF file"
    echo "$header" | grep -q 'Machine: *Intel 80386' || fail "$p: not an x86 (80386) program"
    echo "$header" | grep -Eq 'Type: *(EXEC|DYN)' || fail "$p: not an executable"
    if readelf -S "$f" | grep -Eq '\.symtab|\.debug_'; then fail "$p: not stripped"; fi
done
"$here/libc_only.sh" $(for p in $programs; do echo "$scratch/root/bin/$p"; done) >"$scratch/libs.log" \
    || { cat "$scratch/libs.log"; status=1; }
[ $status = 0 ] && echo "$name.tar.gz: $(tar -tzf "$tarball" | grep -vc '/$') files, $(wc -c < "$tarball") bytes"
exit $status
