/* /bin/<program> of an appliance whose programs are the 32-bit ones: runs
 * /sim/i386/<program> through qemu-user, since the PC need not run 32-bit
 * code itself. The emulator is started through /sim/qemu/<program>, a link
 * to it named after the program, and with the program's own argv[0], so
 * that ps, /proc/<pid>/cmdline (its first word) and the program itself see
 * the same name as with a native build: "dialctl" finds "dialmon", and
 * usage lines read the same. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/auxv.h>
#include <unistd.h>

int main(int argc, char **argv) {
    /* The path it was started by, with the link to this runner unresolved. */
    const char *path = (const char *)getauxval(AT_EXECFN);
    if (!path || !*path) path = argc > 0 && argv[0] ? argv[0] : "";
    const char *name = strrchr(path, '/');
    name = name ? name + 1 : path;

    char emulator[300], program[300];
    if ((size_t)snprintf(emulator, sizeof emulator, "/sim/qemu/%s", name) >= sizeof emulator ||
        (size_t)snprintf(program, sizeof program, "/sim/i386/%s", name) >= sizeof program) {
        fprintf(stderr, "i386run: name too long: %s\n", name);
        return 127;
    }
    char *argv0 = argc > 0 && argv[0] ? argv[0] : (char *)name;
    char *args[argc + 5];
    int n = 0;
    args[n++] = argv0;
    args[n++] = (char *)"-0";
    args[n++] = argv0;
    args[n++] = program;
    for (int i = 1; i < argc; ++i) args[n++] = argv[i];
    args[n] = NULL;
    execv(emulator, args);
    fprintf(stderr, "i386run: %s: %s\n", emulator, strerror(errno));
    return 127;
}
