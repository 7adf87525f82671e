#!/bin/sh
# Fails when a program lacks a hardening feature of the build: a
# position-independent executable, read-only relocations bound at start
# (GNU_RELRO and BIND_NOW), and the stack protector or fortified calls
# (an import of __stack_chk_fail or of a *_chk function).
status=0
for f in "$@"; do
    name=$(basename "$f")
    missing=""
    dynamic=$(readelf -d "$f")
    echo "$dynamic" | grep -q 'FLAGS_1.*PIE' || missing="$missing PIE"
    echo "$dynamic" | grep -Eq '\(FLAGS\).*BIND_NOW|FLAGS_1.*NOW' || missing="$missing BIND_NOW"
    readelf -lW "$f" | grep -q 'GNU_RELRO' || missing="$missing GNU_RELRO"
    checked=$(nm -D --undefined-only "$f" | awk '{print $2}' | sed 's/@.*//' | grep -E '^(__stack_chk_fail|__.*_chk)$' | tr '\n' ' ')
    [ -n "$checked" ] || missing="$missing stack-protector/fortify"
    if [ -n "$missing" ]; then
        echo "$name lacks:$missing"
        status=1
    else
        echo "$name: PIE BIND_NOW GNU_RELRO $checked"
    fi
done
exit $status
