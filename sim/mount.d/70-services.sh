# The appliance's own services (sim/services): its host name and its web
# server, which follow its settings. The appliance counts as started once
# the web server answers, or has said why there is none.
if [ -x "$ROOT/sim/bin/services" ]; then
    chroot "$ROOT" /usr/bin/env -i PATH=/bin:/sbin:/usr/bin:/usr/sbin:/sim/bin \
        ASAN_OPTIONS="${ASAN_OPTIONS:-verify_asan_link_order=0:detect_leaks=0}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
        /sim/bin/services </dev/null >>"$ROOT/sim/log/services.log" 2>&1 &
    for _ in $(seq 1000); do
        [ -e "$ROOT/sim/state/services.ready" ] && break
        sleep 0.05
    done
    [ -e "$ROOT/sim/state/services.ready" ] || echo "appliance: its services did not say they were ready in 50 s" >&2
fi
