/* Preloaded into the simulated appliance's web server, and into nothing
 * else. The setup pages it runs start the appliance's programs, which need
 * root, as on the appliance; Debian's Apache gives up root in the processes
 * that run the pages. Here its changes of identity are answered as done
 * and change nothing. */
#define _GNU_SOURCE
#include <grp.h>
#include <sys/types.h>
#include <unistd.h>

int setuid(uid_t uid) { (void)uid; return 0; }
int setgid(gid_t gid) { (void)gid; return 0; }
int seteuid(uid_t uid) { (void)uid; return 0; }
int setegid(gid_t gid) { (void)gid; return 0; }
int setreuid(uid_t r, uid_t e) { (void)r; (void)e; return 0; }
int setregid(gid_t r, gid_t e) { (void)r; (void)e; return 0; }
int setresuid(uid_t r, uid_t e, uid_t s) { (void)r; (void)e; (void)s; return 0; }
int setresgid(gid_t r, gid_t e, gid_t s) { (void)r; (void)e; (void)s; return 0; }
int setgroups(size_t n, const gid_t *list) { (void)n; (void)list; return 0; }
int initgroups(const char *user, gid_t gid) { (void)user; (void)gid; return 0; }
