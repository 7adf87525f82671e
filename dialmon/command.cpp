#include "command.h"

#include <cstdio>
#include <cstring>

#include "number.h"
#include "owned.h"
#include "process.h"

DaemonState parse_command(const char* line, int& test_entry) {
    if (std::strstr(line, "restart")) return STATE_RESTART;
    if (std::strstr(line, "start")) return STATE_START;
    if (std::strstr(line, "stop")) return STATE_STOP;
    if (std::strstr(line, "test")) {
        if (std::strncmp(line, "test", 4) == 0) scan_int(line + 4, &test_entry);
        return valid_entry(test_entry) ? STATE_TEST : STATE_IDLE;
    }
    if (std::strstr(line, "exit")) return STATE_EXIT;
    return STATE_IDLE;
}

void write_command_file(const char* word) {
    File f(kCommandPath, "we");
    if (f) std::fputs(word, f.get());
}

bool take_commands(Daemon& d) {
    bool took = false;
    while (command_signalled()) {
        took = true;
        ++d.commands;
        {
            File f(kCommandPath, "re");
            if (f) {
                char line[256];
                if (!std::fgets(line, sizeof line, f.get())) line[0] = '\0';
                d.state = parse_command(line, d.test_entry);
            }
        }
        stop_relay_and_timer(d.relay_child);
        if (d.dial_busy != kBusy) continue;
        if (!stop_ppp_daemons(false)) continue;  // a newer command: it does all this anew
        read_status(d.link);
        if (d.link.prog_status != 0) {
            d.link.prog_status = 0;
            write_status(d.link);
        }
    }
    return took;
}

bool nap(Daemon& d, std::int64_t ms) {
    return wait_for(ms) && take_commands(d);
}

bool still(Daemon& d, DaemonState s) {
    take_commands(d);
    return d.state == s;
}

bool turn_to_start(Daemon& d, unsigned since) {
    take_commands(d);
    if (d.commands != since) return false;
    d.state = STATE_START;
    write_command_file("start");
    return true;
}
