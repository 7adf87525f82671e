#include "dialfiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "number.h"
#include "owned.h"

int read_pid_file(const char* path, bool* opened) {
    File f(path, "re");
    if (opened) *opened = static_cast<bool>(f);
    if (!f) return 0;
    char text[32] = {};
    int pid = 0;
    if (std::fread(text, 1, sizeof text - 1, f.get()) == 0 || !scan_int(text, &pid)) pid = 0;
    return pid < 0 ? 0 : pid;
}

bool names_dialmon(int pid) {
    if (pid <= 0) return false;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/cmdline", pid);
    File f(path, "re");
    if (!f) return false;
    char line[256] = {};
    if (!std::fgets(line, sizeof line, f.get())) return false;
    // The arguments are separated by zero bytes: only the program path counts.
    return std::strstr(line, "dialmon") != nullptr;
}

CommandFile::CommandFile(Wait how, const char* path) {
    fd_ = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int rc;
    do
        rc = fcntl(fd_, how == wait ? F_SETLKW : F_SETLK, &lock);
    while (rc != 0 && errno == EINTR);
    if (rc == 0 || (errno != EACCES && errno != EAGAIN)) return;  // locked, or no locks here
    busy_ = true;
    ::close(fd_);
    fd_ = -1;
}

CommandFile::~CommandFile() {
    if (fd_ >= 0) ::close(fd_);  // lets go of the lock
}

int CommandFile::read(char (&line)[256]) const {
    line[0] = '\0';
    if (fd_ < 0) return -1;
    ssize_t n = pread(fd_, line, sizeof line - 1, 0);
    if (n < 0) return -1;
    line[n] = '\0';
    if (char* nl = std::strchr(line, '\n')) nl[1] = '\0';
    return 0;
}

int CommandFile::write(const char* word) const {
    if (fd_ < 0) return -1;
    if (ftruncate(fd_, 0) != 0) return -1;
    if (!word) return 0;
    ssize_t len = static_cast<ssize_t>(std::strlen(word));
    return pwrite(fd_, word, len, 0) == len ? 0 : -1;
}
