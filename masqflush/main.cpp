// masqflush: deletes every IP masquerading entry the kernel lists.
// Arguments are ignored; it prints only when something goes wrong.
#include <cstdio>

#include "listing.h"
#include "owned.h"
#include "program.h"

int main() {
    Fd sock(open_masq_socket());
    if (!sock) {
        std::perror("socket(RAW)");
        return kFailureStatus;
    }
    for (const char* path : kMasqListings) {
        FlushResult rc = flush_masq_file(sock.get(), path);
        if (rc == kDeleteFailed) break;
        if (rc == kCannotOpen) {
            std::printf("can't delete IP Masquerade Entry\n");
            break;
        }
    }
    return 0;
}
