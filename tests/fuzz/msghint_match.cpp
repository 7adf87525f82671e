// Arbitrary keywords against an arbitrary log: the fast reader (keyword
// tree, whole-block line splitting, buffered output) prints exactly what
// the plain reader prints. Input: a byte with the read block size, two
// bytes with the length of the keyword file, the keyword file, the log.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "config.h"
#include "keytree.h"
#include "keyword.h"
#include "logscan.h"
#include "plain.h"

namespace {

size_t collect(int fd, bool fast, size_t chunk, char** data) {
    size_t size = 0;
    FILE* out = open_memstream(data, &size);
    lseek(fd, 0, SEEK_SET);
    if (fast) {
        buildkeytree();
        scanlog(fd, out, chunk);
        dropkeytree();
    } else {
        FILE* in = fdopen(dup(fd), "r");
        scanlog_plain(in, out);
        fclose(in);
    }
    fclose(out);
    return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t chunk = data[0] % 2048 + 1;
    size_t conflen = (data[1] | data[2] << 8u);
    data += 3;
    size -= 3;
    if (conflen > size) conflen = size;

    ConfReader reader;
    reader.feed(reinterpret_cast<const char*>(data), conflen);
    int fd = memfd_create("log", 0);
    if (fd < 0) abort();
    if (write(fd, data + conflen, size - conflen) != static_cast<ssize_t>(size - conflen)) abort();
    if (!getcaptures()) abort();

    char *plain = nullptr, *fast = nullptr;
    const size_t pn = collect(fd, false, chunk, &plain);
    const size_t fn = collect(fd, true, chunk, &fast);
    if (pn != fn || memcmp(plain, fast, pn) != 0) abort();

    free(plain);
    free(fast);
    close(fd);
    dropcaptures();
    freekeycords();
    return 0;
}
