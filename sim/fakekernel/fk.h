// The fake kernel: a library preloaded into every program run inside the
// simulated appliance. It answers the requests that a PC's kernel lacks
// (bridge, wireless card, masquerading, console tone, chipset ports, disk
// geometry ...) from state files in the appliance, and records each request.
//
// A module is one .cpp file in this directory. It declares static route
// objects; their constructors register them with the core, which looks
// them up for every intercepted call. A handler returns kPass when the call
// is not its business, and the call then goes to the real kernel.
#pragma once
#include <climits>
#include <cstddef>
#include <sys/socket.h>
#include <sys/types.h>

namespace fk {

constexpr int kPass = INT_MIN;

// The fake kernel's files inside the appliance.
constexpr const char* kDir = "/sim/fk";                 // state files: kDir/<name>
constexpr const char* kLogPath = "/sim/fk/requests.log";  // one line per request
constexpr const char* kRefuseDir = "/sim/fk/refuse";      // kRefuseDir/<what> makes <what> fail

using IoctlFn = int (*)(int fd, unsigned long request, void* arg);
using SockoptFn = int (*)(int fd, int level, int name, const void* value, socklen_t len);
using SocketFn = int (*)(int domain, int type, int protocol);
using MountFn = int (*)(const char* source, const char* target, const char* fstype,
                        unsigned long flags, const void* data);
using UmountFn = int (*)(const char* target, int flags);
using IopermFn = int (*)(unsigned long from, unsigned long num, int on);

struct IoctlRoute {
    IoctlRoute(unsigned long request, IoctlFn fn);
    unsigned long request;
    IoctlFn fn;
    IoctlRoute* next;
};

struct SockoptRoute {
    SockoptRoute(int level, int name, SockoptFn fn);
    int level;
    int name;
    SockoptFn fn;
    SockoptRoute* next;
};

// Hooks on whole calls; each is asked in turn until one does not pass.
struct SocketHook {
    explicit SocketHook(SocketFn fn);
    SocketFn fn;
    SocketHook* next;
};
struct MountHook {
    MountHook(MountFn mount, UmountFn umount);
    MountFn mount;
    UmountFn umount;
    MountHook* next;
};
struct IopermHook {
    explicit IopermHook(IopermFn fn);
    IopermFn fn;
    IopermHook* next;
};

// Asked, in turn, for every open of an absolute path (open, open64, openat,
// openat64) before the call goes on: answers with a descriptor, or -1 with
// errno set, or kPass. How a device node of the appliance leads to a
// simulated driver instead of the machine's own.
using OpenFn = int (*)(const char* path, int flags, mode_t mode);
struct OpenHook {
    explicit OpenHook(OpenFn fn);
    OpenFn fn;
    OpenHook* next;
};

// Opening `path` (exactly that text) opens `target` instead: how chosen
// /proc files of the appliance come from the simulator's files. A route
// with a render function has it write `target` afresh before every open,
// for files whose text follows changing state (as /proc files do).
using RenderFn = void (*)(const char* target);
struct PathRoute {
    PathRoute(const char* path, const char* target, RenderFn render = nullptr);
    const char* path;
    const char* target;
    PathRoute* next;
    RenderFn render;
};

// Appends one line (a newline is added) to the request log.
void log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Appends "<tag> <hex bytes>" to the request log.
void log_hex(const char* tag, const void* data, std::size_t len);

// True when the simulator was told to make `what` fail: the file
// kRefuseDir/<what> exists. errno is then set to the number the file holds,
// or EPERM when it holds none.
bool refused(const char* what);

// State files kDir/<name>. load() fills `data` and returns true only when
// the file holds exactly `size` bytes; save() replaces the file whole.
bool load(const char* name, void* data, std::size_t size);
bool save(const char* name, const void* data, std::size_t size);

// The path an open descriptor refers to ("" when unknown).
const char* fd_path(int fd, char* buf, std::size_t len);

// True when `path` is a file standing in for a character device node that
// mknod was refused to make (see nodes.cpp); `dev` is then the node's number.
bool stand_in_node(const char* path, dev_t* dev);

// The next definition of a C library function, past the fake kernel.
void* real(const char* name);

}  // namespace fk
