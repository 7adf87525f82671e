#!/usr/bin/env bats
# The appliance's web server and the sample setup page, used as a browser
# would: basic authentication against the password file pwreset writes,
# the page's buttons, and the server following the configuration that
# infoedit writes.

load helpers

setup_file() {
    appliance_up
    [ -s "$APP/sim/state/http.port" ] || { cat "$APP/sim/log/services.log" >&2; return 1; }
    export BASE PW=s3cret
    BASE=http://127.0.0.1:$(cat "$APP/sim/state/http.port")
    inapp pwreset "$PW"
}
teardown_file() { appliance_down; }

PAGE=/cgi-bin/setup/

status_of() { curl -s -o /dev/null -w '%{http_code}' "$@"; }
page() { curl -s -u "root:$PW" "$@" "$BASE$PAGE"; }
# A button pressed on the page: the form posted as a browser posts it,
# naming the page's origin. Prints the status and where it sends the browser.
press() { curl -s -u "root:$PW" -H "Origin: $BASE" -o /dev/null -w '%{http_code} %header{location}' "$@" "$BASE$PAGE"; }
# The text of the page's element with this id.
shown() { page | sed -n "s/.* id=\"$1\">\\([^<]*\\)<.*/\\1/p"; }
shows() { [ "$(shown "$1")" = "$2" ]; }
# What the page shows as the server's name when asked without a Host.
server_name() { curl -s --http1.0 -H 'Host:' -u "root:$PW" "$BASE$PAGE" | sed -n 's/.* at \([^,]*\), user root,.*/\1/p'; }
named() { [ "$(server_name)" = "$1" ]; }

# Each "PASSWORD:STATUS" is what the setup page answers to user root with it.
answers() {
    local c
    for c in "$@"; do
        [ "$(status_of -u "root:${c%:*}" "$BASE$PAGE")" = "${c##*:}" ] || { echo "password '${c%:*}': not ${c##*:}"; return 1; }
    done
}

@test "the setup page asks for root and the password pwreset set last" {
    answers "$PW:200" ":401" "S3cret:401"
    [ "$(status_of "$BASE$PAGE")" = 401 ]
    [ "$(status_of -u "admin:$PW" "$BASE$PAGE")" = 401 ]
    inapp pwreset n3w
    answers "n3w:200" "$PW:401"
    inapp pwreset
    answers ":200" "n3w:401"
    # The password file itself is never served.
    [ "$(status_of -u root: "$BASE${PAGE}.htpasswd")" = 403 ]
    inapp pwreset "$PW"
    answers "$PW:200"
}

@test "connect brings the link up through the PPP daemon; disconnect ends it" {
    shows link down
    shows routing NO
    # The form's fields in any order, percent-encoded or not.
    [ "$(press -d 'x=1&action=connect')" = "303 ${PAGE}index.cgi?done=connect" ]
    [ "$(page -G -d done=connect | sed -n 's/.*id="note">\(.*\)<.*/\1/p')" = \
      "Connect: routing is on and the link daemon was told to start (infoedit -ROUTER YES, dialctl start)." ]
    wait_for 20 shows link up
    shows entry "1: Main ISP"
    shows routing YES
    grep -qx 'ROUTER="YES"' "$APP/etc/apinfo"
    grep -qx 'dial1: link up' "$APP/sim/log/pppd.log"

    [ "$(press -d 'action=dis%63onnect&x=%41+b')" = "303 ${PAGE}index.cgi?done=disconnect" ]
    # While the stop is under way the page looks again by itself.
    [[ "$(page -G -d done=disconnect)" == *'<meta http-equiv="refresh" content="2;url='"${PAGE}"'index.cgi?done=disconnect&amp;waited=1">'* ]]
    wait_for 20 shows link down
    [[ "$(page -G -d done=disconnect)" != *'http-equiv="refresh"'* ]]
    grep -qx 'dial1: terminated' "$APP/sim/log/pppd.log"

    [ "$(press -d action=reboot)" = "400 " ]
    [ "$(press -d action=connectx)" = "400 " ]
    [ "$(press -d xaction=connect)" = "400 " ]
}

@test "a button press from another origin, or naming none, is refused with 403 and changes nothing" {
    local origin=(-H "Origin: http://evil.example") null=(-H "Origin: null")
    local page_of_evil=(-H "Referer: http://evil.example$PAGE") ours=(-H "Referer: $BASE$PAGE")
    local other_port=(-H "Origin: http://127.0.0.1:1") none=()
    inapp infoedit -w no -ROUTER NO
    inapp dialctl exit
    wait_for 10 test ! -e "$APP/var/run/dialmon.pid"
    for headers in origin null page_of_evil other_port none; do
        local -n h=$headers
        [ "$(curl -s -u "root:$PW" "${h[@]}" -d action=connect -o /dev/null -w '%{http_code}' "$BASE$PAGE")" = 403 ] ||
            { echo "$headers: not refused"; return 1; }
    done
    grep -qx 'ROUTER="NO"' "$APP/etc/apinfo"
    [ ! -e "$APP/var/run/dialmon.pid" ]
    # The page's own address as Referer (a browser that sends no Origin).
    [ "$(curl -s -u "root:$PW" "${ours[@]}" -d action=disconnect -o /dev/null -w '%{http_code}' "$BASE$PAGE")" = 303 ]
}

@test "the page shows the counters and the bridge as the programs print them" {
    inapp /sim/bin/netsim set eth0 tx 1000 tx_err 3 rx 2000 rx_err 5
    inapp lanbind start >/dev/null
    local text
    text=$(page)
    [[ "$text" == *'<tr><th>eth0</th><td class="n">1000</td><td class="n">3</td><td class="n">2000</td><td class="n">5</td></tr>'* ]]
    [ "$(sed -n '/<pre id="bridge">/,/<\/pre>/p' <<<"$text" | sed -e 's/^<pre id="bridge">//' -e 's/<\/pre>$//')" = "$(inapp lanbind)" ]
    [[ "$(inapp lanbind)" == "bridging is ENABLED"* ]]
}

@test "a changed web configuration restarts the server; one with errors is kept out" {
    named 192.168.0.1
    inapp infoedit -w no -IP 10.1.2.3
    wait_for 10 named 10.1.2.3
    grep -q 'web server: restarted with the new configuration' "$APP/sim/log/services.log"

    cp "$APP/etc/htconf.templ" "$BATS_TEST_TMPDIR/templ"
    echo 'NoSuchDirective on' >> "$APP/etc/htconf.templ"
    inapp infoedit -w no -IP 10.9.9.9
    cp "$BATS_TEST_TMPDIR/templ" "$APP/etc/htconf.templ"
    wait_for 10 grep -q 'has errors, the server keeps the old one' "$APP/sim/log/services.log"
    named 10.1.2.3
    [[ "$("$SIM" status "$APP")" == *"last service error: web server: the new "*" has errors, the server keeps the old one: "* ]]
    # Mended: the configuration is the one the server runs with again.
    inapp infoedit -w no -IP 10.1.2.3
    wait_for 10 grep -q 'the configuration is again the one it runs with' "$APP/sim/log/services.log"
    [ "$("$SIM" status "$APP" | tail -n 1)" = "last service error: none" ]

    inapp infoedit -w no -IP 192.168.0.1
    wait_for 10 named 192.168.0.1
}

@test "a template typo undone: the server that could not start with it answers again" {
    cp "$APP/etc/htconf.templ" "$BATS_TEST_TMPDIR/templ"
    sed -i 's/^DirectoryIndex /DirectroyIndex /' "$APP/etc/htconf.templ"
    inapp infoedit -w no -DOMAIN typo
    wait_for 10 grep -qs 'has errors, the server keeps the old one' "$APP/sim/state/services.error"
    "$SIM" stop "$APP"
    run "$SIM" start "$APP"
    local conf=$APP/var/lib/httpd/conf/httpd.conf line
    line=$(grep -n '^DirectroyIndex' "$conf" | cut -d: -f1)
    [ "${lines[1]}" = "no web server: $conf has errors: AH00526: Syntax error on line $line of $conf: Invalid command 'DirectroyIndex', perhaps misspelled or defined by a module not included in the server configuration" ]
    [ ! -e "$APP/sim/state/http.port" ]

    # The template mended, the next configuration infoedit writes (the
    # same as the last one the server ran with) starts it.
    cp "$BATS_TEST_TMPDIR/templ" "$APP/etc/htconf.templ"
    inapp infoedit -w no -DOMAIN mended
    wait_for 50 test -s "$APP/sim/state/http.port" || { cat "$APP/sim/log/services.log"; false; }
    BASE=http://127.0.0.1:$(cat "$APP/sim/state/http.port")
    answers "$PW:200"
    run "$SIM" status "$APP"
    [ "${lines[4]}" = "last service error: none" ]
}
