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
# The link shows as down, dialing or up; while a dial or a stop is under
# way the page looks again by itself every 2 seconds.
#
# A request that changes something (every POST) is taken only from this
# page itself: a browser names the page that sent it in the Origin header
# (or, if it is an old one, Referer), and a request that names another
# origin, or none, is refused with 403. Without that, a page anywhere on
# the web could make a logged-in browser press these buttons. A script
# that posts (curl ...) names the origin: -H "Origin: http://HOST:PORT".
PATH=/bin:/sbin:/usr/bin:/usr/sbin
export PATH

# Text as HTML.
html() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
# A key="value" setting of a file.
value() { sed -n "s/^$1=\"\(.*\)\"\$/\1/p" "$2" 2>/dev/null | tail -n 1; }
# The last line a program printed: its result (an error message may stand
# before it).
result() { "$@" 2>/dev/null | tail -n 1; }
# The value of field $1 in the form data $2, as browsers send a form or a
# query: name=value pairs joined by "&", "+" for a blank, other bytes as
# %XX. The first field of that name counts; an absent one gives nothing.
field() {
    printf '%s' "$2" | awk -v want="$1" '
        function digit(c) { return index("0123456789abcdef", tolower(c)) - 1 }
        function decode(s,    out, i, c) {
            gsub(/\+/, " ", s)
            out = ""
            for (i = 1; i <= length(s); i++) {
                c = substr(s, i, 1)
                if (c == "%" && substr(s, i + 1, 2) ~ /^[0-9A-Fa-f][0-9A-Fa-f]$/) {
                    c = sprintf("%c", digit(substr(s, i + 1, 1)) * 16 + digit(substr(s, i + 2, 1)))
                    i += 2
                }
                out = out c
            }
            return out
        }
        BEGIN { RS = "&" }
        {
            sub(/\n$/, "")
            eq = index($0, "=")
            if (decode(eq ? substr($0, 1, eq - 1) : $0) == want) {
                print decode(eq ? substr($0, eq + 1) : "")
                exit
            }
        }'
}
# Ends the request with an error status and a line of text.
refuse() {
    printf 'Status: %s\r\nContent-Type: text/plain\r\n\r\n%s\n' "$1" "$2"
    exit 0
}
# True when the request comes from a page of this server (see above).
same_origin() {
    own=http://$HTTP_HOST
    [ "$HTTPS" = on ] && own=https://$HTTP_HOST
    [ -n "$HTTP_HOST" ] || return 1
    if [ -n "$HTTP_ORIGIN" ]; then
        [ "$HTTP_ORIGIN" = "$own" ]
        return
    fi
    case $HTTP_REFERER in "$own"/*) return 0 ;; esac
    return 1
}

# ---- the buttons ----
if [ "$REQUEST_METHOD" = POST ]; then
    same_origin || refuse "403 Forbidden" "refused: the request does not come from this page"
    body=
    case $CONTENT_LENGTH in
        '') ;;
        [0-9] | [0-9][0-9] | [0-9][0-9][0-9]) body=$(head -c "$CONTENT_LENGTH") ;;
        *) refuse "413 Content Too Large" "the form is too large" ;;
    esac
    case $(field action "$body") in
        connect)
            outcome=done=connect
            if [ "$(value ROUTER /etc/apinfo)" != YES ]; then
                infoedit -ROUTER YES >/dev/null 2>&1 || outcome=failed=routing
            fi
            [ "$outcome" = done=connect ] && { dialctl start >/dev/null 2>&1 || outcome=failed=connect; }
            ;;
        disconnect)
            outcome=done=disconnect
            dialctl stop >/dev/null 2>&1 || outcome=failed=disconnect
            ;;
        *) refuse "400 Bad Request" "unknown action" ;;
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
    0) link=down ;;
    1) link=dialing ;;
    2) link=up ;;
    *) link="unknown ($prog)" ;;
esac
held=
[ "$com" = 6 ] && held=", dialing held (com_status 6)"
entry=
case $dial in [1-5]) entry="$dial: $(value name "/etc/ppp/dial$dial.conf")" ;; esac
daemon="not running"
pid=$(cat /var/run/dialmon.pid 2>/dev/null)
case $pid in *[!0-9]* | '') ;; *) [ -d "/proc/$pid" ] && daemon="running (pid $pid)" ;; esac

done=$(field done "$QUERY_STRING")
failed=$(field failed "$QUERY_STRING")
note=
case $done in
    connect) note="Connect: routing is on and the link daemon was told to start (infoedit -ROUTER YES, dialctl start)." ;;
    disconnect) note="Disconnect: the link daemon was told to stop (dialctl stop)." ;;
esac
case $failed in
    routing) note="Connect failed: routing could not be switched on (infoedit -ROUTER YES)." ;;
    connect | disconnect) note="$failed failed: dialctl did not run." ;;
esac
# While a dial or a stop is under way, the page looks again every 2
# seconds: while the link is dialing, and for up to 30 s after a button
# until the link has gone the way the button asked.
refresh_to=
waited=$(field waited "$QUERY_STRING")
case $waited in '' | *[!0-9]*) waited=0 ;; esac
if [ "$waited" -lt 15 ]; then
    case $done:$link in
        connect:down | disconnect:up | disconnect:dialing)
            refresh_to="$SCRIPT_NAME?done=$done&waited=$((waited + 1))" ;;
    esac
fi
[ -z "$refresh_to" ] && [ "$link" = dialing ] && refresh_to=$SCRIPT_NAME
refresh=
[ -n "$refresh_to" ] &&
    refresh="<meta http-equiv=\"refresh\" content=\"2;url=$(printf %s "$refresh_to" | html)\">"
link=$link$held

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
