#!/usr/bin/env bats
# lanbind in the simulated appliance: the records sent to the kernel bridge,
# the messages, the displays and the exit statuses.

bats_require_minimum_version 1.5.0
load helpers

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

# Every test starts with a fresh bridge: stopped, ports 0 and 1 forwarding.
setup() { rm -f "$APP/sim/fk/bridge" "$APP/sim/fk/requests.log" "$APP"/sim/fk/refuse/*; }

requests() { cat "$APP/sim/fk/requests.log" 2>/dev/null || true; }
clear_requests() { rm -f "$APP/sim/fk/requests.log"; }
# The request record "command value1 value2" as the log shows it.
rec() { printf 'SIOCSIFBR %08x%08x%08x' "$(le "$1")" "$(le "$2")" "$(le "$3")"; }
le() { local v=$(($1 & 0xffffffff)); printf '%d' $(( (v & 0xff) << 24 | (v >> 8 & 0xff) << 16 | (v >> 16 & 0xff) << 8 | v >> 24 )); }
refuse() { echo "${2:-}" > "$APP/sim/fk/refuse/$1"; }

FRESH_STATUS="bridging is DISABLED 	debugging is DISABLED	prot-stats are DISABLED
bridge id		0x8000 02:50:c2:00:00:01
designated root		0x8000 02:50:c2:00:00:01
bridge max age		20	max age			20
bridge hello time	2	hello time		2
bridge forward delay	15	forward delay		15
root path cost		0	root port		0
flags			NONE
--- Zelmo orignal
STP is ENABLED 
--- port stats ---
port 0	port id 0x8001	port state	FORWARDING (0x3)
designated root		0x8000 02:50:c2:00:00:01
designated bridge	0x8000 02:50:c2:00:00:01
path cost		100	designated cost		0
designated port		32769	flags			NONE
port 1	port id 0x8002	port state	FORWARDING (0x3)
designated root		0x8000 02:50:c2:00:00:01
designated bridge	0x8000 02:50:c2:00:00:01
path cost		100	designated cost		0
designated port		32770	flags			NONE
Policy                  Accept all protocols
exempt protocols        0 "

@test "status display without words and for s, st, sta; start shows bridging enabled" {
    for w in "" s st -sta; do
        testing "'$w'" "lanbind $w" "$FRESH_STATUS" 0
    done
    [ "$(requests)" = "$(printf 'SIOCGIFBR\n%.0s' 1 2 3 4)" ]

    testing "start"   "lanbind --start"           "Bridge started." 0
    testing "started" "lanbind | head -1"         "bridging is ENABLED 	debugging is DISABLED	prot-stats are DISABLED" 0
    testing "stop"    "lanbind stop"              "Bridge stopped." 0
    testing "stopped" "lanbind | head -1"         "bridging is DISABLED 	debugging is DISABLED	prot-stats are DISABLED" 0
}

@test "several commands on one line: start exempt atalk aarp" {
    testing "line"    "lanbind start exempt atalk aarp" "$(printf 'Bridge started.\nExempt protocol ATALK.\nExempt protocol AARP.')" 0
    [ "$(requests)" = "$(rec 1 0 0; echo; rec 12 0x809B 0; echo; rec 12 0x80F3 0)" ]
    testing "shown"   "lanbind | tail -1"         "exempt protocols        2 (ATALK AARP )" 0
    testing "no name" "lanbind exempt"            "" 0
    # A new policy empties the exempt list in the kernel.
    testing "policy"  "lanbind policy reject"     "Policy reject all protocols." 0
    testing "emptied" "lanbind | tail -2"         "$(printf 'Policy                  Reject all protocols\nexempt protocols        0 ')" 0
}

@test "exempt stops at an unknown name; the ones before stay exempted" {
    testing "xyz"     "lanbind exempt ip xyz arp" \
        "$(printf 'Exempt protocol IP.\nProtocol to be exempted xyz not in protocol list\n(See /usr/include/net/if_ether.h)')" 1
    [ "$(requests)" = "$(rec 12 0x0800 0)" ]
    testing "shown"   "lanbind | tail -1"         "exempt protocols        1 (IP )" 0
}

@test "help, list and unknown words" {
    expected=$(printf '%s\n' \
        "lanbind - Bridge Configuration tool v0.2" \
        "--------------------------------------" \
        "lanbind sta[rt]				Start Bridge" \
        "lanbind sto[p]				Stop Bridge" \
        "lanbind p[ort] x e[nable]			Enable a port" \
        "lanbind p[ort] x d[isable]		Disable a port" \
        "lanbind p[ort] x p[riority] y		Set the priority of a port" \
        "lanbind pr[iority] y			Set bridge priority" \
        "lanbind pa[thcost] y			Set the pathcosts" \
        "lanbind d[ebug] on/off			Switch debugging on/off" \
        "lanbind d[ebug] stpon/stpoff		Switch STP on/off" \
        "lanbind pol[icy] r[eject]/a[ccept]	Switch the policy/flush protocol list" \
        "lanbind e[xempt] <protocol> ..		Set list of exempt protocols" \
        "lanbind l[ist]				List available protocols" \
        "lanbind stat[s] z[ero]			Reset Statistics counters" \
        "lanbind stat[s] d[isable]		Switch protocol statistics off" \
        "lanbind stat[s] e[nable]			Switch keeping protocol statistics on" \
        "lanbind stat[s] s[how]			Show protocol statistics" \
        "lanbind statu[s]				Show bridge status" \
        "Examples:" \
        "---------" \
        "lanbind start exempt atalk aarp		Bridge start dont do LocalTalk bridging" \
        "lanbind stop				Bridge stop")
    testing "help"    "lanbind /help"             "$expected" 0
    cmp <(inapp lanbind -h) <(printf '%s\n' "$expected")  # every line ends

    run inapp lanbind l
    [ "$status" -eq 0 ]
    [ "${#lines[@]}" -eq 28 ]
    [ "${lines[0]}" = "Protocol Listing:" ]
    [ "${lines[1]}" = "------------------" ]
    [ "${lines[2]}" = "0x0060 LOOP" ]
    [ "${lines[3]}" = "0x0200 ECHO" ]
    [ "${lines[18]}" = "0x809B ATALK" ]
    [ "${lines[27]}" = "0x0011 TR_802_2" ]

    testing "H"       "lanbind H start"           "Unknown option H" 1
    testing "---"     "lanbind start --- stop"    "$(printf 'Bridge started.\nUnknown option ')" 1
    [ "$(requests)" = "$(rec 1 0 0)" ]
}

@test "port enable, disable and priority; a wrong option word goes on" {
    testing "disable" "lanbind port 1 disable"    "Disable Port 1" 0
    testing "line"    "lanbind p 1 e port 0 d port 1 priority 16 p 1 p 32x" \
        "$(printf 'Enable Port 1\nDisable Port 0\nPort Priority for port 1 set to 16\nPort Priority for port 1 set to 32')" 0
    [ "$(requests)" = "$(rec 4 1 0; echo; rec 3 1 0; echo; rec 4 0 0; echo; rec 6 1 16; echo; rec 6 1 32)" ]
    run inapp lanbind
    [ "${lines[10]}" = "--- port stats ---" ]
    [ "${lines[11]}" = "port 1	port id 0x2002	port state	FORWARDING (0x3)" ]
    [ "${lines[12]}" = "designated root		0x8000 02:50:c2:00:00:01" ]

    clear_requests
    testing "off"     "lanbind port 2 off start"  "Port option can only be enable or disableBridge started." 0
    [ "$(requests)" = "$(rec 1 0 0)" ]
}

@test "bridge priority, path cost and policy" {
    testing "line"    "lanbind priority 4096 pa 1 19 path 0 250 pathcost 1 7" "Bridge priority set to 4096
Pathcost for port 1 set to 19Pathcost for port 0 set to 250Pathcost for port 1 set to 7" 0
    [ "$(requests)" = "$(rec 5 4096 0; echo; rec 7 1 19; echo; rec 7 0 250; echo; rec 7 1 7)" ]
    run inapp lanbind
    [ "${lines[1]}" = "bridge id		0x1000 02:50:c2:00:00:01" ]
    [ "${lines[13]}" = "designated bridge	0x1000 02:50:c2:00:00:01" ]
    [ "${lines[14]}" = "path cost		250	designated cost		0" ]
    [ "${lines[19]}" = "path cost		7	designated cost		0" ]

    clear_requests
    testing "policy"  "lanbind pol a poll r policy deny start" \
        "$(printf 'Policy accept all protocols.\nPolicy reject all protocols.\nPolicy must be either accept or deny.')" 1
    [ "$(requests)" = "$(rec 11 1 0; echo; rec 11 0 0)" ]
}

@test "debug on/off and the spanning tree switched only when it must change" {
    testing "on"      "lanbind debug on"          "Debug on." 0
    testing "shown"   "lanbind | head -1"         "bridging is DISABLED 	debugging is ENABLED	prot-stats are DISABLED" 0
    clear_requests
    testing "stp"     "lanbind d STPON debug stpoff d stpoff debug Off" \
        "$(printf 'Already Spanning tree protocol on.\nSpanning tree protocol off.\nAlready Spanning tree protocol off.\nDebug off.')" 0
    [ "$(requests)" = "$(printf 'SIOCGIFBR\nSIOCGIFBR\n'; rec 16 0 0; printf '\nSIOCGIFBR\nSIOCGIFBR\n'; rec 10 0 0)" ]
    testing "off"     "lanbind | sed -n 10p"      "STP is DISABLED " 0
    testing "stpon"   "lanbind debug stpon"       "Spanning tree protocol on." 0
    testing "on"      "lanbind | sed -n 10p"      "STP is ENABLED " 0
    testing "maybe"   "lanbind debug maybe start" "Debug mode can only be on or off!" 1
    refuse SIOCGIFBR
    clear_requests
    testing "missing" "lanbind debug on"          "Kernel Bridge Module missing." 1
    [ "$(requests)" = SIOCGIFBR ]
}

@test "protocol statistics: show, enable, zero, disable" {
    shown="Protocol statistics are DISABLED
Protocol Number of Packets encountered
--------------------------------------
IP 1520
ARP 48
0x88CC 3"
    for w in stats status -stat "stats show" "stats start"; do
        testing "$w" "lanbind $w" "$shown" 0
    done
    [ "$(requests)" = "$(printf 'SIOCGIFBR\n%.0s' 1 2 3 4 5)" ]  # start was taken, not run

    clear_requests
    testing "line" "lanbind stats enable stats zero stats s" "Protocol Statistics enabled
Protocol Statistics counters reset.
Protocol statistics are ENABLED
Protocol Number of Packets encountered
--------------------------------------
IP 0
ARP 0
0x88CC 0" 0
    [ "$(requests)" = "$(rec 13 0 0; echo; rec 15 0 0; printf '\nSIOCGIFBR')" ]
    testing "shown" "lanbind | head -1" "bridging is DISABLED 	debugging is DISABLED	prot-stats are ENABLED" 0
    testing "Zero"  "lanbind stats disable stats Zero start" \
        "$(printf 'Protocol Statistics disabled\nstat argument must be enable,disable,zero or show')" 1
}

@test "a command missing its arguments names itself and ends the line with 1" {
    for case in "debug|debug" "policy|policy" "priority|priority" "pa 1|pathcost" "port 1|port" \
                "port 1 priority|port"; do
        clear_requests
        testing "${case%|*}" "lanbind start ${case%|*}" "$(printf 'Bridge started.\nMissing argument for %s' "${case#*|}")" 1
        [ "$(requests)" = "$(rec 1 0 0)" ]
    done
}

@test "kernel failures: refused requests, values the bridge rejects, no bridge, no socket" {
    refuse SIOCSIFBR-2
    run --separate-stderr inapp lanbind start stop start
    [ "$status" -eq 1 ]
    [ "$output" = "Bridge started." ]
    [ "$stderr" = "ioctl(SIOCSIFBR) failed: Operation not permitted" ]
    [ "$(requests)" = "$(rec 1 0 0; echo; rec 2 0 0)" ]
    [ "$(inapp lanbind | head -1 | cut -c1-19)" = "bridging is ENABLED" ]

    run --separate-stderr inapp lanbind port 9 enable
    [ "$status" -eq 1 ]
    [ -z "$output" ]
    [ "$stderr" = "ioctl(SIOCSIFBR) failed: Invalid argument" ]
    run --separate-stderr inapp lanbind exempt ip
    [ "$status" -eq 0 ]
    refuse SIOCSIFBR 1
    run --separate-stderr inapp lanbind exempt arp
    [ "$status" -eq 1 ]
    [ -z "$output" ]
    [ "$stderr" = "ioctl(SIOCSIFBR) failed: Operation not permitted" ]

    refuse SIOCGIFBR
    for w in "" status stats; do
        testing "$w" "lanbind $w" "Kernel Bridge Module missing." 1
    done

    # Descriptor 0 is a socket like any other.
    rm -f "$APP"/sim/fk/refuse/*
    run --separate-stderr inapp sh -c 'exec lanbind stop <&-'
    [ "$status" -eq 0 ]
    [ "$output" = "Bridge stopped." ]

    refuse socket-inet-stream 97
    run --separate-stderr inapp lanbind start
    [ "$status" -eq 255 ]
    [ -z "$output" ]
    [ "$stderr" = "socket failed: Probably bridge not compiled into kernel: Address family not supported by protocol" ]
}
