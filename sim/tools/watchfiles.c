/* watchfiles FILE...: prints a FILE's path, one line each time, when it has
 * been written or replaced (created, or renamed onto), until it is killed.
 * What the appliance's services wait on. It watches the files' directories,
 * so a file replaced by a rename is followed as well as one written in
 * place. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: watchfiles FILE...\n");
        return 2;
    }
    int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0) {
        perror("watchfiles: inotify");
        return 1;
    }
    int watch[argc];
    const char *name[argc];
    for (int i = 1; i < argc; ++i) {
        const char *slash = strrchr(argv[i], '/');
        char *dir = slash ? strndup(argv[i], (size_t)(slash - argv[i])) : strdup(".");
        name[i] = slash ? slash + 1 : argv[i];
        watch[i] = inotify_add_watch(fd, *dir ? dir : "/", IN_CLOSE_WRITE | IN_MOVED_TO);
        if (watch[i] < 0) {
            fprintf(stderr, "watchfiles: can't watch %s: ", dir);
            perror(NULL);
            return 1;
        }
        free(dir);
    }
    char buf[8192] __attribute__((aligned(__alignof__(struct inotify_event))));
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return 1;
        for (char *p = buf; p < buf + n;) {
            const struct inotify_event *ev = (const struct inotify_event *)p;
            for (int i = 1; i < argc; ++i)
                if (ev->wd == watch[i] && ev->len && strcmp(ev->name, name[i]) == 0) printf("%s\n", argv[i]);
            p += sizeof *ev + ev->len;
        }
        fflush(stdout);
    }
}
