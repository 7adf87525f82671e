#!/usr/bin/env bats
# msghint in the appliance: the keyword file and system log at their
# default places or named on the command line, exact output and statuses.

load helpers

setup_file() {
    appliance_up
    cat > "$APP/etc/logmsgs.conf" <<'CONF'
# explanations of the system log
"" 'Unexplained: $0'
"kernel: $: link $"  "Interface $0 is $1"
'pppd[$]: $'
   'PPP daemon $0 says: $1'
'pppd[$]: Exit.' "PPP daemon $0 ended$"   # the later pair wins
"dhcpd: $ from $ via $" 'ignored' # comment drops nothing complete
'dropped' # the comment discards this waiting keyword
'answer'
CONF
    printf '%s\n' \
        'Dec  7 11:35:49 ap kernel: eth0: link up' \
        'Dec  7 11:35:50 ap pppd[212]: Connect time 3.1 minutes.' \
        'Dec  7 11:35:51 ap pppd[212]: Exit.' \
        'Dec  7 11:35:52 ap  kernel: wlan0: link down' \
        'Dec  7 11:35:53 ap' \
        > "$APP/var/log/messages"
    printf 'Dec  7 11:35:54 ap kernel: eth1: link up' >> "$APP/var/log/messages"
}

teardown_file() { appliance_down; }

@test "explains the default log with the default keyword file" {
    testing "defaults" "msghint" "Dec  7 11:35:49 : Interface eth0 is up
Dec  7 11:35:50 : PPP daemon 212 says: Connect time 3.1 minutes.
Dec  7 11:35:51 : PPP daemon 212 ended
Dec  7 11:35:52 : Unexplained: 0
Dec  7 11:35:53 : Unexplained: 0" 1
}

@test "options: -c and -t name the files, -d and a trailing flag change nothing" {
    printf "'link' 'a link'\n" > "$APP/tmp/other.conf"
    printf 'Jan 1 00:00:01 h link\nJan 1 00:00:02 h linked\n' > "$APP/tmp/other.log"
    testing "named files"   "msghint -d -t /tmp/other.log -c /etc/logmsgs.conf -c /tmp/other.conf -d" \
        "Jan 1 00:00:01 : a link
Jan 1 00:00:02 : a link" 1
    testing "trailing -c"   "msghint -t /tmp/other.log -c" "Jan 1 00:00:01 : Unexplained: 0
Jan 1 00:00:02 : Unexplained: 0" 1
}

@test "wrong options, missing files and output that cannot be written: messages and statuses" {
    testing "wrong option"  "msghint -c /tmp/none.conf -x"           "Option false." 1
    testing "joined flags"  "msghint -dc"                            "Option false." 1
    testing "no keywords"   "msghint -c /tmp/none.conf"              "Read Config File Error" 1
    testing "no log"        "msghint -t /tmp/none.log"               "Read Msg File Error" 20
    # Directories open but cannot be read: the same reports.
    testing "directories"   "msghint -c /etc -t /var/log"            "Read Config File Error
Read Msg File Error" 20
    testing "full output"   "msghint > /dev/full"                    "can't write output: No space left on device" 255
    testing "full, no log"  "msghint -t /tmp/none.log > /dev/full"   "can't write output: No space left on device" 255
}

@test "overlong keyword strings and captures are cut, not overrun" {
    long=$(head -c 3000 /dev/zero | tr '\0' 'k')
    field=$(head -c 400 /dev/zero | tr '\0' 'f')
    printf "'long' '%s'\n'x \$;\$' '[\$0][\$1]'\n" "$long" > "$APP/tmp/long.conf"
    printf 'a b c d long\na b c d x %s;tail\n' "$field" > "$APP/tmp/long.log"
    testing "cut" "msghint -c /tmp/long.conf -t /tmp/long.log" "a b c : ${long:0:1024}
a b c : [${field:0:255}][tail]" 1
}
