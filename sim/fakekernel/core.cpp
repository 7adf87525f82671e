// Interception of the calls and the shared services of the modules.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include "fk.h"

namespace fk {
namespace {
IoctlRoute* ioctl_routes;
SockoptRoute* sockopt_routes;
SocketHook* socket_hooks;
MountHook* mount_hooks;
IopermHook* ioperm_hooks;
PathRoute* path_routes;
OpenHook* open_hooks;

const char* redirect(const char* path) {
    if (!path) return path;
    for (PathRoute* r = path_routes; r; r = r->next)
        if (std::strcmp(r->path, path) == 0) {
            if (r->render) r->render(r->target);
            return r->target;
        }
    return path;
}

int hooked_open(const char* path, int flags, mode_t mode) {
    if (!path || path[0] != '/') return kPass;
    for (OpenHook* h = open_hooks; h; h = h->next) {
        int rc = h->fn(path, flags, mode);
        if (rc != kPass) return rc;
    }
    return kPass;
}

int raw_open(const char* path, int flags, mode_t mode) {
    using Fn = int (*)(const char*, int, ...);
    static Fn next = reinterpret_cast<Fn>(real("open"));
    return next(path, flags, mode);
}
}  // namespace

IoctlRoute::IoctlRoute(unsigned long r, IoctlFn f) : request(r), fn(f), next(ioctl_routes) { ioctl_routes = this; }
SockoptRoute::SockoptRoute(int l, int n, SockoptFn f) : level(l), name(n), fn(f), next(sockopt_routes) {
    sockopt_routes = this;
}
SocketHook::SocketHook(SocketFn f) : fn(f), next(socket_hooks) { socket_hooks = this; }
MountHook::MountHook(MountFn m, UmountFn u) : mount(m), umount(u), next(mount_hooks) { mount_hooks = this; }
IopermHook::IopermHook(IopermFn f) : fn(f), next(ioperm_hooks) { ioperm_hooks = this; }
OpenHook::OpenHook(OpenFn f) : fn(f), next(open_hooks) { open_hooks = this; }
PathRoute::PathRoute(const char* p, const char* t, RenderFn f) : path(p), target(t), next(path_routes), render(f) {
    path_routes = this;
}

void* real(const char* name) { return dlsym(RTLD_NEXT, name); }

void log(const char* fmt, ...) {
    char line[2048];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(line, sizeof line - 1, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    if (n > static_cast<int>(sizeof line) - 2) n = sizeof line - 2;
    line[n++] = '\n';
    int saved = errno;
    int fd = raw_open(kLogPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ssize_t w = ::write(fd, line, static_cast<size_t>(n));
        (void)w;
        ::close(fd);
    }
    errno = saved;
}

void log_hex(const char* tag, const void* data, std::size_t len) {
    static const char digits[] = "0123456789abcdef";
    char hex[1800];
    const unsigned char* p = static_cast<const unsigned char*>(data);
    std::size_t n = 0;
    for (std::size_t i = 0; i < len && n + 2 < sizeof hex; ++i) {
        hex[n++] = digits[p[i] >> 4];
        hex[n++] = digits[p[i] & 15];
    }
    hex[n] = '\0';
    log("%s %s", tag, hex);
}

bool refused(const char* what) {
    char path[256];
    std::snprintf(path, sizeof path, "%s/%s", kRefuseDir, what);
    int fd = raw_open(path, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    char buf[16] = {0};
    ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    int e = n > 0 ? std::atoi(buf) : 0;
    errno = e > 0 ? e : EPERM;
    return true;
}

bool load(const char* name, void* data, std::size_t size) {
    char path[256];
    std::snprintf(path, sizeof path, "%s/%s", kDir, name);
    int fd = raw_open(path, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    ssize_t n = ::read(fd, data, size);
    char extra;
    bool whole = n == static_cast<ssize_t>(size) && ::read(fd, &extra, 1) == 0;
    ::close(fd);
    return whole;
}

bool save(const char* name, const void* data, std::size_t size) {
    char path[256], tmp[280];
    std::snprintf(path, sizeof path, "%s/%s", kDir, name);
    std::snprintf(tmp, sizeof tmp, "%s.%d", path, static_cast<int>(getpid()));
    int fd = raw_open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, data, size) == static_cast<ssize_t>(size);
    ok = ::close(fd) == 0 && ok;
    return ok && std::rename(tmp, path) == 0;
}

const char* fd_path(int fd, char* buf, std::size_t len) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, buf, len - 1);
    buf[n > 0 ? n : 0] = '\0';
    return buf;
}

}  // namespace fk

// ---- the intercepted calls ----

using namespace fk;

extern "C" {

// ioctl and setsockopt, by each name a program may call them: on i386 the
// programs' 64-bit time makes them __ioctl_time64 and __setsockopt64.
#define FK_IOCTL(entry)                                                          \
    int entry(int fd, unsigned long request, ...) {                              \
        va_list ap;                                                              \
        va_start(ap, request);                                                   \
        void* arg = va_arg(ap, void*);                                           \
        va_end(ap);                                                              \
        for (IoctlRoute* r = ioctl_routes; r; r = r->next) {                     \
            if (r->request != request) continue;                                 \
            int rc = r->fn(fd, request, arg);                                    \
            if (rc != kPass) return rc;                                          \
        }                                                                        \
        using Fn = int (*)(int, unsigned long, void*);                           \
        static Fn next = reinterpret_cast<Fn>(real(#entry));                     \
        return next(fd, request, arg);                                           \
    }

#define FK_SETSOCKOPT(entry)                                                     \
    int entry(int fd, int level, int opt, const void* value, socklen_t len) {    \
        for (SockoptRoute* r = sockopt_routes; r; r = r->next) {                 \
            if (r->level != level || r->name != opt) continue;                   \
            int rc = r->fn(fd, level, opt, value, len);                          \
            if (rc != kPass) return rc;                                          \
        }                                                                        \
        using Fn = int (*)(int, int, int, const void*, socklen_t);               \
        static Fn next = reinterpret_cast<Fn>(real(#entry));                     \
        return next(fd, level, opt, value, len);                                 \
    }

FK_IOCTL(ioctl)
FK_SETSOCKOPT(setsockopt)
#if defined(__i386__)
FK_IOCTL(__ioctl_time64)
FK_SETSOCKOPT(__setsockopt64)
#endif

int socket(int domain, int type, int protocol) {
    for (SocketHook* h = socket_hooks; h; h = h->next) {
        int rc = h->fn(domain, type, protocol);
        if (rc != kPass) return rc;
    }
    using Fn = int (*)(int, int, int);
    static Fn next = reinterpret_cast<Fn>(real("socket"));
    return next(domain, type, protocol);
}

int mount(const char* source, const char* target, const char* fstype, unsigned long flags, const void* data) {
    for (MountHook* h = mount_hooks; h; h = h->next) {
        if (!h->mount) continue;
        int rc = h->mount(source, target, fstype, flags, data);
        if (rc != kPass) return rc;
    }
    using Fn = int (*)(const char*, const char*, const char*, unsigned long, const void*);
    static Fn next = reinterpret_cast<Fn>(real("mount"));
    return next(source, target, fstype, flags, data);
}

int umount2(const char* target, int flags) {
    for (MountHook* h = mount_hooks; h; h = h->next) {
        if (!h->umount) continue;
        int rc = h->umount(target, flags);
        if (rc != kPass) return rc;
    }
    using Fn = int (*)(const char*, int);
    static Fn next = reinterpret_cast<Fn>(real("umount2"));
    return next(target, flags);
}

int umount(const char* target) { return umount2(target, 0); }

int ioperm(unsigned long from, unsigned long num, int on) {
    for (IopermHook* h = ioperm_hooks; h; h = h->next) {
        int rc = h->fn(from, num, on);
        if (rc != kPass) return rc;
    }
    using Fn = int (*)(unsigned long, unsigned long, int);
    static Fn next = reinterpret_cast<Fn>(real("ioperm"));
    return next(from, num, on);
}

// Opens: only the path is changed, the call itself goes on as it was.
#define FK_OPEN(name)                                                   \
    int name(const char* path, int flags, ...) {                       \
        mode_t mode = 0;                                                \
        if (flags & (O_CREAT | O_TMPFILE)) {                            \
            va_list ap;                                                 \
            va_start(ap, flags);                                        \
            mode = va_arg(ap, mode_t);                                  \
            va_end(ap);                                                 \
        }                                                               \
        int hooked = hooked_open(path, flags, mode);                    \
        if (hooked != kPass) return hooked;                             \
        using Fn = int (*)(const char*, int, ...);                      \
        static Fn next = reinterpret_cast<Fn>(real(#name));             \
        return next(redirect(path), flags, mode);                       \
    }
FK_OPEN(open)
FK_OPEN(open64)

#define FK_OPENAT(name)                                                 \
    int name(int dirfd, const char* path, int flags, ...) {            \
        mode_t mode = 0;                                                \
        if (flags & (O_CREAT | O_TMPFILE)) {                            \
            va_list ap;                                                 \
            va_start(ap, flags);                                        \
            mode = va_arg(ap, mode_t);                                  \
            va_end(ap);                                                 \
        }                                                               \
        int hooked = hooked_open(path, flags, mode);                    \
        if (hooked != kPass) return hooked;                             \
        using Fn = int (*)(int, const char*, int, ...);                 \
        static Fn next = reinterpret_cast<Fn>(real(#name));             \
        return next(dirfd, redirect(path), flags, mode);                \
    }
FK_OPENAT(openat)
FK_OPENAT(openat64)

FILE* fopen(const char* path, const char* mode) {
    using Fn = FILE* (*)(const char*, const char*);
    static Fn next = reinterpret_cast<Fn>(real("fopen"));
    return next(redirect(path), mode);
}

FILE* fopen64(const char* path, const char* mode) {
    using Fn = FILE* (*)(const char*, const char*);
    static Fn next = reinterpret_cast<Fn>(real("fopen64"));
    return next(redirect(path), mode);
}

}  // extern "C"
