#include "command.h"

#include <cstdio>
#include <cstring>

#include "number.h"
#include "owned.h"

namespace {

constexpr const char* kWords[] = {
    nullptr, "start", "stop", "test 1", "test 2", "test 3", "test 4", "test 5", "restart", "exit",
};

bool begins(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

}  // namespace

const char* command_word(int code) {
    return code >= CMD_START && code <= CMD_EXIT ? kWords[code] : nullptr;
}

int command_code(const char* line) {
    if (begins(line, "start")) return CMD_START;
    if (begins(line, "stop")) return CMD_STOP;
    if (begins(line, "test")) {
        int n = 0;
        if (scan_int(line + 4, &n) && n >= 1 && n <= 5) return n + 2;
        return CMD_NONE;
    }
    if (begins(line, "restart")) return CMD_RESTART;
    return CMD_NONE;
}

int read_command(const char* path) {
    File f(path, "re");
    if (!f) return -1;
    char line[256];
    if (!std::fgets(line, sizeof line, f.get())) return CMD_NONE;  // empty file
    return command_code(line);
}

int write_command(int code, const char* path) {
    File f(path, "we");
    if (!f) return -1;
    if (const char* word = command_word(code)) std::fputs(word, f.get());
    return 0;
}

int find_daemon(const char* pid_path) {
    int pid = -1;
    {
        File f(pid_path, "re");
        if (!f) return -1;
        char text[32] = {};
        if (std::fread(text, 1, sizeof text - 1, f.get()) == 0 || !scan_int(text, &pid)) pid = -1;
    }
    if (pid <= 0) return 0;

    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/cmdline", pid);
    File f(path, "re");
    if (!f) return 0;
    char line[256] = {};
    if (!std::fgets(line, sizeof line, f.get())) return 0;
    // The arguments are separated by zero bytes: only the program path counts.
    return std::strstr(line, "dialmon") ? pid : 0;
}
