// What dialctl and dialmon share: the command file and its words, the
// daemon's pid file, and how a pid file is read.
#pragma once

constexpr const char* kCommandPath = "/etc/ppp/ppp.cmd";
constexpr const char* kDialmonPidPath = "/var/run/dialmon.pid";

// The command words. dialctl writes one of them (a test word with its
// number, "test 1" .. "test 5"); each program has its own rule for finding
// them in the file.
constexpr const char* kWordStart = "start";
constexpr const char* kWordStop = "stop";
constexpr const char* kWordTest = "test";
constexpr const char* kWordRestart = "restart";
constexpr const char* kWordExit = "exit";

// A pid file's number: 0 when the file is missing or holds no number or a
// negative one. `opened` (when given) tells whether the file opened at all.
int read_pid_file(const char* path, bool* opened = nullptr);

// True when the process `pid` runs a program whose path names dialmon (the
// first argument of /proc/<pid>/cmdline holds "dialmon").
bool names_dialmon(int pid);

// The command file, open and locked: one writer at a time. dialctl holds it
// from its read to its signal, the daemon around its check and its write,
// so neither overwrites a word the other has not acted on. Where the file
// system has no record locks, the file is used without one.
class CommandFile {
public:
    enum Wait { wait, try_once };
    explicit CommandFile(Wait how, const char* path = kCommandPath);
    ~CommandFile();
    CommandFile(const CommandFile&) = delete;
    CommandFile& operator=(const CommandFile&) = delete;

    // False when the file cannot be opened (nothing can be read or written).
    bool open() const { return fd_ >= 0; }
    // True when, with try_once, another process holds the lock (the file is
    // then not open).
    bool busy() const { return busy_; }
    // The first line (at most 255 characters, the newline kept); an empty
    // file gives "". Returns -1 when the file is not open.
    int read(char (&line)[256]) const;
    // Replaces the content with `word` (nothing for nullptr), no newline.
    // Returns -1 when it could not.
    int write(const char* word) const;

private:
    int fd_ = -1;
    bool busy_ = false;
};
