#!/bin/sh
# Every program has its page in section 8, every shared file format its
# page in section 5, and each overview its page in section 7; every page renders without a warning, names itself,
# and refers only to pages that exist; the README's program table links
# each program to its page source; no page is left over.
#   man_pages.sh SOURCE_DIR PAGE_DIR "PROGRAMS" "FILES" "OVERVIEWS"
src=$1 pages=$2
programs=$(echo "$3" | tr ";" " ") files=$(echo "$4" | tr ";" " ") overviews=$(echo "$5" | tr ";" " ")
status=0
fail() { echo "$*"; status=1; }

expected=""
for p in $programs; do expected="$expected $p.8"; done
for f in $files; do expected="$expected $f.5"; done
for o in $overviews; do expected="$expected $o.7"; done

for page in $expected; do
    [ -f "$src/man/$page.scd" ] || { fail "$page: no source man/$page.scd"; continue; }
    [ -s "$pages/$page" ] || { fail "$page: no page built"; continue; }
    name=${page%.*} section=${page##*.}
    warnings=$(groff -man -Tutf8 -ww -z "$pages/$page" 2>&1)
    [ -z "$warnings" ] || fail "$page: $warnings"
    text=$(groff -man -Tutf8 -P-cbou "$pages/$page" 2>/dev/null)
    echo "$text" | grep -A1 -x NAME | tail -n 1 | grep -Eq "^ +$name(,.*)? - " \
        || fail "$page: its NAME section does not name $name"
    # Cross-references to sections 5, 7 and 8 must name pages of this set.
    for ref in $(echo "$text" | grep -oE '[A-Za-z0-9_.-]+\([578]\)' | sort -u); do
        target=$(echo "$ref" | sed 's/(\(.\))$/.\1/')
        case " $expected " in *" $target "*) ;; *) fail "$page: refers to $ref, which has no page";; esac
    done
    if [ "$section" = 8 ]; then
        for part in SYNOPSIS DESCRIPTION "EXIT STATUS" "SEE ALSO"; do
            echo "$text" | grep -qx "$part" || fail "$page: no $part section"
        done
        grep -q "](man/$name.8.scd)" "$src/README.md" \
            || fail "README.md: the program table does not link $name to man/$name.8.scd"
    fi
done

for source in "$src"/man/*.scd; do
    page=$(basename "$source" .scd)
    case " $expected " in *" $page "*) ;; *) fail "$page: a page for no program or listed file";; esac
done
[ $status = 0 ] && echo "$(echo $expected | wc -w) pages checked"
exit $status
