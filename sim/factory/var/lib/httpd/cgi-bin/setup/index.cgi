#!/bin/sh
# The sample setup page: the dial-up link with buttons to connect and
# disconnect, the bridge, and the packet counters. Like every setup page it
# runs the appliance's programs and shows what they print:
#   dialstat prog|com|dial    the link's progress (see ppp.stat(5))
#   infoedit -ROUTER YES      routing on: the link daemon dials only then
#   dialctl start|stop        commands the link daemon (starting it if needed)
#   lanbind                   the bridge's state
#   pktcount eth0|eth1|ppp0   packets since the counters were last cleared
# A button posts action=connect or action=disconnect. The page runs the
# commands, then sends the browser back to itself with what it did in the
# query (?done=... or ?failed=...), so that reloading repeats nothing.
PATH=/bin:/sbin:/usr/bin:/usr/sbin
export PATH

# Text as HTML.
html() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
# A key="value" setting of a file.
value() { sed -n "s/^$1=\"\(.*\)\"\$/\1/p" "$2" 2>/dev/null | tail -n 1; }
# The last line a program printed: its result (an error message may stand
# before it).
result() { "$@" 2>/dev/null | tail -n 1; }

# ---- the buttons ----
if [ "$REQUEST_METHOD" = POST ]; then
    body=
    case $CONTENT_LENGTH in
        [0-9] | [0-9][0-9]) body=$(head -c "$CONTENT_LENGTH") ;;
    esac
    case $body in
        action=connect)
            outcome=done=connect
            if [ "$(value ROUTER /etc/apinfo)" != YES ]; then
                infoedit -ROUTER YES >/dev/null 2>&1 || outcome=failed=routing
            fi
            [ "$outcome" = done=connect ] && { dialctl start >/dev/null 2>&1 || outcome=failed=connect; }
            ;;
        action=disconnect)
            outcome=done=disconnect
            dialctl stop >/dev/null 2>&1 || outcome=failed=disconnect
            ;;
        *)
            printf 'Status: 400 Bad Request\r\nContent-Type: text/plain\r\n\r\nunknown action\n'
            exit 0
            ;;
    esac
    printf 'Status: 303 See Other\r\nLocation: %s?%s\r\n\r\n' "$SCRIPT_NAME" "$outcome"
    exit 0
fi

# ---- the page ----
name=$(value NAME /etc/apinfo)
routing=$(value ROUTER /etc/apinfo)
prog=$(result dialstat prog)
com=$(result dialstat com)
dial=$(result dialstat dial)
case $prog in
    0) link=idle ;;
    1) link=dialing ;;
    2) link=up ;;
    *) link="unknown ($prog)" ;;
esac
[ "$com" = 6 ] && link="$link, dialing held (com_status 6)"
entry=
case $dial in [1-5]) entry="$dial: $(value name "/etc/ppp/dial$dial.conf")" ;; esac
daemon="not running"
pid=$(cat /var/run/dialmon.pid 2>/dev/null)
case $pid in *[!0-9]* | '') ;; *) [ -d "/proc/$pid" ] && daemon="running (pid $pid)" ;; esac

note=
case $QUERY_STRING in
    done=connect) note="Connect: routing is on and the link daemon was told to start (infoedit -ROUTER YES, dialctl start)." ;;
    done=disconnect) note="Disconnect: the link daemon was told to stop (dialctl stop)." ;;
    failed=routing) note="Connect failed: routing could not be switched on (infoedit -ROUTER YES)." ;;
    failed=*) note="${QUERY_STRING#failed=} failed: dialctl did not run." ;;
esac
# While the link is on its way, the page looks again every 2 seconds.
refresh=
if [ "$link" = dialing ] || { [ "$QUERY_STRING" = done=connect ] && [ "$link" = idle ]; }; then
    refresh="<meta http-equiv=\"refresh\" content=\"2;url=$SCRIPT_NAME\">"
fi

printf 'Content-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n\r\n'
cat <<PAGE
<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">$refresh
<title>$(printf %s "$name" | html) setup</title>
<style>
 body { font-family: sans-serif; margin: 1.5em; max-width: 50em; color: #222; }
 h1 { font-size: 1.4em; } h2 { font-size: 1.1em; margin-top: 1.5em; border-bottom: 1px solid #ccc; }
 table { border-collapse: collapse; } td, th { padding: 0.2em 1em 0.2em 0; text-align: left; }
 td.n, #counters th + th { text-align: right; } td.n { font-family: monospace; }
 .note { background: #eef6ee; border: 1px solid #9c9; padding: 0.5em; }
 .state { font-weight: bold; } pre { background: #f4f4f4; padding: 0.5em; font-size: 0.85em; overflow: auto; }
 button { font-size: 1em; margin-right: 0.5em; }
</style></head>
<body>
<h1>$(printf %s "$name" | html) setup</h1>
PAGE
[ -n "$note" ] && printf '<p class="note" id="note">%s</p>\n' "$(printf %s "$note" | html)"
cat <<PAGE
<h2>Dial-up link</h2>
<table>
<tr><th>Link</th><td class="state" id="link">$(printf %s "$link" | html)</td></tr>
<tr><th>Dial entry</th><td id="entry">$(printf %s "${entry:-none yet}" | html)</td></tr>
<tr><th>Routing</th><td id="routing">$(printf %s "$routing" | html)</td></tr>
<tr><th>Link daemon</th><td id="daemon">$daemon</td></tr>
</table>
<form method="post">
<p><button name="action" value="connect">Connect</button><button name="action" value="disconnect">Disconnect</button></p>
</form>
<h2>Packet counters</h2>
<table id="counters">
<tr><th>Interface</th><th>sent</th><th>send errors</th><th>received</th><th>receive errors</th></tr>
PAGE
for interface in eth0 eth1 ppp0; do
    # shellcheck disable=SC2046 # four numbers
    set -- $(result pktcount "$interface")
    printf '<tr><th>%s</th><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td><td class="n">%s</td></tr>\n' \
        "$interface" "$1" "$2" "$3" "$4"
done
cat <<PAGE
</table>
<h2>Bridge</h2>
<pre id="bridge">$(lanbind 2>&1 | html)</pre>
<p><small>$(printf '%s' "$SERVER_SOFTWARE at $SERVER_NAME, user $REMOTE_USER, $(date '+%Y-%m-%d %H:%M:%S')" | html)</small></p>
</body></html>
PAGE
