#!/usr/bin/env bash
# Makes the release with cpack and checks its three archives: each holds
# exactly its part (the programs under bin/, the gzipped pages under
# usr/share/man/, the factory settings under etc/ and var/) with the modes a
# root filesystem needs, owned by root, dated the last commit; every program
# is a stripped 32-bit x86 executable needing only the C library (and
# libcrypt for pwreset); the factory settings are those of factory/.
#   release.sh SOURCE_DIR BUILD_DIR SCRATCH_DIR "ARCHIVES" "PROGRAMS" "PAGES"
src=$1 build=$2 scratch=$3
read -r programs_tgz pages_tgz factory_tgz <<<"$(echo "$4" | tr ";" " ")"
programs=$(echo "$5" | tr ";" " ") pages=$(echo "$6" | tr ";" " ")
here=$(dirname "$0")
rm -rf "$scratch" && mkdir -p "$scratch/root" || exit 1
cpack -G TGZ --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log"; exit 1; }
status=0
fail() { echo "$*"; status=1; }

# "MODE OWNER PATH" of every file of an archive, directories left out.
listing() { tar -tvzf "$scratch/$1" --numeric-owner | awk '$1 !~ /^d/ {print $1, $2, $NF}' | sort; }
same() {  # NAME EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: files differ (- expected, + in the archive):
$(diff <(echo "$2") <(echo "$3"))"
}
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
for tgz in $programs_tgz $pages_tgz $factory_tgz; do
    [ -f "$scratch/$tgz" ] || { fail "no $tgz made"; continue; }
    # Owners and times: root's, and the last commit's, for every entry.
    odd=$(tar -tvzf "$scratch/$tgz" --numeric-owner --full-time |
          awk -v t="$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" '$2 != "0/0" || $4 " " $5 != t')
    [ -z "$odd" ] || TZ=UTC fail "$tgz: entries not root's or not dated $(date -u -d "@$epoch"):
$odd"
    # No directory but those leading to its files.
    dirs=$(tar -tzf "$scratch/$tgz" | grep '/$' | sort)
    needed=$(tar -tzf "$scratch/$tgz" | grep -v '/$' | while read -r f; do
                 d=$(dirname "$f"); while [ "$d" != . ]; do echo "$d/"; d=$(dirname "$d"); done; done | sort -u)
    [ "$dirs" = "$needed" ] || fail "$tgz: directories other than those of its files: $(comm -23 <(echo "$dirs") <(echo "$needed"))"
    tar -xzf "$scratch/$tgz" -C "$scratch/root" || exit 1
done

same "$programs_tgz" "$(for p in $programs; do echo "-rwxr-xr-x 0/0 bin/$p"; done | sort)" "$(listing "$programs_tgz")"
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

same "$pages_tgz" "$(for pg in $pages; do echo "-rw-r--r-- 0/0 usr/share/man/man${pg##*.}/$pg.gz"; done | sort)" \
     "$(listing "$pages_tgz")"
for pg in $pages; do
    gz=$scratch/root/usr/share/man/man${pg##*.}/$pg.gz
    [ -f "$gz" ] || continue
    cmp -s <(gzip -dc "$gz") "$build/man/$pg" || fail "$pg.gz: not the page $pg, gzipped"
    # Debian's way (gzip -n): no name, no time in the header.
    [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' ')" = 0000000000 ] || fail "$pg.gz: a name or time in its header"
done

expected=$( { (cd "$src/factory" && find . -type f | sed 's#^\./#-rw-r--r-- 0/0 #')
              echo "-rw-r--r-- 0/0 var/lib/httpd/conf/httpd.conf"; } | sort)
same "$factory_tgz" "$expected" "$(listing "$factory_tgz")"
for f in $(cd "$src/factory" && find . -type f); do
    cmp -s "$src/factory/$f" "$scratch/root/$f" || fail "$factory_tgz: ${f#./} is not the one of factory/"
done
bad=$(tar -tvzf "$scratch/$factory_tgz" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print $NF}')
[ -z "$bad" ] || fail "$factory_tgz: directories not drwxr-xr-x: $bad"
ip=$(sed -n 's/^IP="\(.*\)"$/\1/p' "$src/factory/etc/apinfo")
cmp -s <(sed "/\${IP}/c\\ServerName    $ip" "$src/factory/etc/htconf.templ") \
       "$scratch/root/var/lib/httpd/conf/httpd.conf" \
    || fail "$factory_tgz: httpd.conf is not the template with the ServerName of $ip"

if [ $status = 0 ]; then
    for tgz in $programs_tgz $pages_tgz $factory_tgz; do
        echo "$tgz: $(tar -tzf "$scratch/$tgz" | grep -vc '/$') files, $(wc -c < "$scratch/$tgz") bytes, sha256 $(sha256sum < "$scratch/$tgz" | cut -c1-16)"
    done
fi
exit $status
