/* Process 1 of a simulated appliance: reaps every orphan (dialmon's
 * children end up here) and ends the whole appliance when it is told to. */
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

static volatile sig_atomic_t stop_requested;

static void on_child(int sig) { (void)sig; }
static void on_stop(int sig) { (void)sig; stop_requested = 1; }

int main(void) {
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGCHLD);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigprocmask(SIG_BLOCK, &block, &old);

    struct sigaction sa = {0};
    sa.sa_handler = on_child;
    sigaction(SIGCHLD, &sa, NULL);
    sa.sa_handler = on_stop;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);

    sigset_t wait_mask;
    sigemptyset(&wait_mask);
    while (!stop_requested) {
        while (waitpid(-1, NULL, WNOHANG) > 0) {
        }
        sigsuspend(&wait_mask);
    }
    kill(-1, SIGKILL);
    return 0;
}
