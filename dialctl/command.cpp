#include "command.h"

#include <cstring>

#include "number.h"

namespace {

constexpr const char* kTestWords[] = {"test 1", "test 2", "test 3", "test 4", "test 5"};

bool begins(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

}  // namespace

const char* command_word(int code) {
    if (code >= CMD_TEST1 && code <= CMD_TEST5) return kTestWords[code - CMD_TEST1];
    switch (code) {
    case CMD_START:
        return kWordStart;
    case CMD_STOP:
        return kWordStop;
    case CMD_RESTART:
        return kWordRestart;
    case CMD_EXIT:
        return kWordExit;
    default:
        return nullptr;
    }
}

int command_code(const char* line) {
    if (begins(line, kWordStart)) return CMD_START;
    if (begins(line, kWordStop)) return CMD_STOP;
    if (begins(line, kWordTest)) {
        int n = 0;
        if (scan_int(line + 4, &n) && n >= 1 && n <= 5) return CMD_TEST1 + n - 1;
        return CMD_NONE;
    }
    if (begins(line, kWordRestart)) return CMD_RESTART;
    return CMD_NONE;
}

int find_daemon(const char* pid_path) {
    bool opened = false;
    int pid = read_pid_file(pid_path, &opened);
    if (!opened) return -1;
    return names_dialmon(pid) ? pid : 0;
}
