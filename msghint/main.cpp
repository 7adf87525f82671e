// msghint: explains system log lines. Every log line whose message text
// matches a keyword of the configuration file prints its time stamp and
// the keyword's answer.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config.h"
#include "logscan.h"
#include "program.h"

namespace {

const char* default_conf_file = "/etc/logmsgs.conf";
const char* default_mesg_file = "/var/log/messages";

struct PathOption {
    const char* flag;
    const char** target;
};

constexpr PathOption kPathOptions[] = {
    {"-c", &default_conf_file},
    {"-t", &default_mesg_file},
};

// Returns false on an argument that is no option of msghint.
bool parseoptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-d") == 0) continue;
        const PathOption* opt = nullptr;
        for (const PathOption& o : kPathOptions)
            if (std::strcmp(argv[i], o.flag) == 0) opt = &o;
        if (!opt) return false;
        // The next argument is the path, whatever it looks like; a flag
        // at the very end is ignored.
        if (i + 1 < argc) *opt->target = argv[++i];
    }
    return true;
}

// Output that did not reach standard output is an error whatever else
// happened: the caller would take a lost explanation for none.
int finish(int rc) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return rc;
    std::fprintf(stderr, "can't write output: %s\n", std::strerror(errno ? errno : EIO));
    return kFailureStatus;
}

}  // namespace

int main(int argc, char** argv) {
    if (!parseoptions(argc, argv)) {
        std::printf("Option false.\n");  // sic
        return finish(1);
    }
    if (readconf(default_conf_file) == 0) std::printf("Read Config File Error\n");
    // The status is what the last call gave: 1 from a completed scan, or
    // the character count of the failure message.
    int rc = readlogs(default_mesg_file);
    if (rc == 0) rc = std::printf("Read Msg File Error\n");
    return finish(rc);
}
