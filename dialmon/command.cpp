#include "command.h"

#include <cstring>

#include "dialfiles.h"
#include "flow.h"
#include "number.h"
#include "process.h"

DaemonState parse_command(const char* line, int& test_entry) {
    if (std::strstr(line, kWordRestart)) return STATE_RESTART;
    if (std::strstr(line, kWordStart)) return STATE_START;
    if (std::strstr(line, kWordStop)) return STATE_STOP;
    if (std::strstr(line, kWordTest)) {
        if (std::strncmp(line, kWordTest, 4) == 0) scan_int(line + 4, &test_entry);
        return valid_entry(test_entry) ? STATE_TEST : STATE_IDLE;
    }
    if (std::strstr(line, kWordExit)) return STATE_EXIT;
    return STATE_IDLE;
}

void take_command(Daemon& d) {
    {
        CommandFile file(CommandFile::wait);
        char line[256];
        if (file.read(line) == 0) d.state = parse_command(line, d.test_entry);
    }
    stop_relay_and_timer(d);
    if (d.dialing || inherited_running(d)) {
        halt(d);
        return;
    }
    end_attempt(d);
}

bool turn_to_start(Daemon& d) {
    CommandFile file(CommandFile::try_once);
    if (file.busy()) return false;
    // A dialctl that held the file has signalled before letting it go.
    if (command_waiting()) return true;
    d.state = STATE_START;
    file.write(kWordStart);
    return true;
}
