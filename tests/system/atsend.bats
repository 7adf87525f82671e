#!/usr/bin/env bats
# atsend in the simulated appliance, against the modem simulator behind
# /dev/modem (sim/tools/modemsim.c), which logs each command it receives
# with the line settings in force.

load helpers
bats_require_minimum_version 1.5.0

setup_file() { appliance_up; }
teardown_file() { appliance_down; }

modem_log() { cat "$APP/sim/log/modem.log" 2>/dev/null; }
last_command() { modem_log | tail -n 1; }
lines_logged() { modem_log | wc -l; }

@test "the command line: nothing, the usage text, and a command too long for the buffer" {
    testing "nothing"    "atsend"         "" 0
    testing "-s"         "atsend -s"      "usage: atsend [-s speed] at_command" 0
    testing "no command" "atsend -s 9600" "usage: atsend [-s speed] at_command" 0

    # 4095 bytes and the carriage return fill the buffer exactly; the
    # modem's echo of them fills the reply.
    before=$(lines_logged)
    long=$(head -c 4095 /dev/zero | tr '\0' A)
    run --separate-stderr inapp atsend "$long"
    [ "$status" -eq 0 ]
    [ "$output" = "$long" ]
    wait_for 2 test "$(lines_logged)" -gt "$before"
    [[ "$(last_command)" == "cmd=AAAAA"*" len=4095 "* ]]

    before=$(lines_logged)
    run --separate-stderr inapp atsend -s 9600 "${long}A"
    [ "$status" -eq 1 ]
    [ "$output" = "usage: atsend [-s speed] at_command" ]
    sleep 0.3
    [ "$(lines_logged)" -eq "$before" ]
}

@test "ATZ at each speed: the raw line set-up the modem sees, and the echoed reply" {
    # Expected cflag, then atsend's arguments.
    cases=("800008b0 ATZ" "800008bd -s 9600 ATZ" "800008be -s 19200 ATZ" "800008bf -s 38400 ATZ"
           "800018b1 -s 57600 ATZ" "800018b2 -s 115200 ATZ" "800008b0 -s 2400 ATZ"
           "800008b0 -s fast ATZ" "800008b0 ATZ -s 9600")
    script=""
    for c in "${cases[@]}"; do script+="atsend ${c#* }; echo \"<\$?>\"; "; done
    before=$(lines_logged)
    run --separate-stderr inapp sh -c "$script"
    expected=""
    for c in "${cases[@]}"; do expected+=$'ATZ\nOK\n<0>\n'; done
    [ "$output" = "${expected%$'\n'}" ]
    i=0
    while read -r line; do
        [ "$line" = "cmd=ATZ len=3 cflag=${cases[i]%% *} iflag=4 oflag=0 lflag=0 vmin=1 vtime=0" ]
        i=$((i + 1))
    done < <(modem_log | tail -n +"$((before + 1))")
    [ "$i" -eq "${#cases[@]}" ]
}

@test "the line's own settings are put back" {
    inapp stty -F /dev/modem 19200 -clocal crtscts -crtscts icrnl
    before=$(inapp stty -F /dev/modem -g)
    run --separate-stderr inapp atsend -s 115200 AT
    [ "$output" = $'AT\nOK' ]
    [ "$(inapp stty -F /dev/modem -g)" = "$before" ]
}

@test "replies in several lines and in pieces, the OK marker split across reads" {
    run --separate-stderr inapp atsend ATI
    [ "$status" -eq 0 ]
    [ "$output" = $'ATI\nSIM-56K modem\nfirmware 1.0 (simulated)\n\nOK' ]

    start=$(date +%s%N)
    run --separate-stderr inapp atsend AT+SLOW
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 0 ]
    [ "$output" = $'AT+SLOW\nSLOW REPLY\n\nOK' ]
    # Ended by the marker, not by the 3 seconds of silence.
    [ "$took" -lt 2500 ]
}

@test "without OK: the reply so far, 3 seconds after the last byte, status 0" {
    start=$(date +%s%N)
    run --separate-stderr inapp atsend ATX
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 0 ]
    [ "$output" = $'ATX\nERROR' ]
    [ "$took" -ge 3000 ]
    [ "$took" -lt 5000 ]

    # Bytes for 1.5 s, then nothing: the wait starts again with each byte.
    start=$(date +%s%N)
    run --separate-stderr inapp atsend AT+DRIP
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 0 ]
    [ "$output" = $'AT+DRIP\nDRIP...' ]
    [ "$took" -ge 4500 ]
    [ "$took" -lt 6500 ]
}

@test "a reply that fills the buffer ends the collection; what is left is not the next reply" {
    run --separate-stderr inapp atsend AT+FLOOD
    [ "$status" -eq 0 ]
    # 4096 bytes: the echo "AT+FLOOD\r", forty 100-byte lines, 87 more x;
    # 41 carriage returns left out.
    [ "${#output}" -eq 4055 ]
    [[ "$output" == "AT+FLOODxxxx"* ]]
    run --separate-stderr inapp atsend ATZ
    [ "$output" = $'ATZ\nOK' ]
}

@test "the line opens and closes many times without a hang-up" {
    run --separate-stderr inapp sh -c 'for i in 1 2 3 4 5 6 7 8 9 10 11 12; do atsend AT || exit 1; done'
    [ "$status" -eq 0 ]
    [ "$output" = "$(for i in $(seq 12); do printf 'AT\nOK\n'; done)" ]
}

@test "no modem line: the system's error text and status 255" {
    mv "$APP/dev/modem" "$APP/dev/modem.away"
    run --separate-stderr inapp atsend ATZ
    mv "$APP/dev/modem.away" "$APP/dev/modem"
    [ "$status" -eq 255 ]
    [ -z "$output" ]
    [ "$stderr" = "/dev/modem: No such file or directory" ]
}

@test "the reply never goes into the modem, and a reply that cannot be written is a failure" {
    # Standard output closed: the line must not take its place.
    before=$(lines_logged)
    run --separate-stderr inapp sh -c 'atsend ATZ >&-; echo "<$?>"; atsend AT'
    [ "$output" = $'<0>\nAT\nOK' ]
    wait_for 2 test "$(lines_logged)" -ge "$((before + 2))"
    [ "$(modem_log | tail -n +"$((before + 1))" | cut -d' ' -f1)" = $'cmd=ATZ\ncmd=AT' ]

    run --separate-stderr inapp sh -c 'atsend ATZ > /dev/full'
    [ "$status" -eq 255 ]
    [ "$stderr" = "standard output: No space left on device" ]
    run --separate-stderr inapp atsend ATZ   # the line was put back as usual
    [ "$output" = $'ATZ\nOK' ]
}
