// Calls held on purpose, so that a test can open a race window at will
// instead of hoping to hit it:
//
//   /sim/fk/hold/fork   "PROGRAM MILLISECONDS": every child that PROGRAM
//                       forks sleeps that long before fork returns in it,
//                       that is before the child has done anything itself.
//
// Each hold is logged in the request log ("hold fork PROGRAM MS").
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "fk.h"

namespace {

// The hold for `call` in this program, in milliseconds; 0 for none.
long hold_of(const char* call) {
    char path[128];
    std::snprintf(path, sizeof path, "%s/hold/%s", fk::kDir, call);
    using OpenFn = int (*)(const char*, int, ...);
    static OpenFn real_open = reinterpret_cast<OpenFn>(fk::real("open"));
    int saved = errno;
    int fd = real_open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errno = saved;
        return 0;
    }
    char text[160] = {};
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    errno = saved;
    char program[128];
    long ms = 0;
    if (n <= 0 || std::sscanf(text, "%127s %ld", program, &ms) != 2) return 0;
    return std::strcmp(program, program_invocation_short_name) == 0 && ms > 0 ? ms : 0;
}

void hold(long ms) {
    timespec left{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace

extern "C" pid_t fork(void) {
    using Fn = pid_t (*)();
    static Fn next = reinterpret_cast<Fn>(fk::real("fork"));
    long ms = hold_of("fork");
    pid_t pid = next();
    if (pid == 0 && ms > 0) {
        int saved = errno;
        fk::log("hold fork %s %ld", program_invocation_short_name, ms);
        hold(ms);
        errno = saved;
    }
    return pid;
}
