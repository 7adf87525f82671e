// Any bytes as a keyword file: no string longer than 1024 characters is
// stored, and the pairs do not depend on the blocks the file arrives in.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "config.h"
#include "keyword.h"

namespace {

// The pairs as one byte string, to compare two readings.
size_t flatten(char* out, size_t room) {
    size_t n = 0;
    for (const KeyCord* r = key_first; r; r = r->next) {
        const size_t k = strlen(r->keyword), a = strlen(r->answer);
        if (k > kStringMax || a > kStringMax) abort();
        if (n + k + a + 2 > room) abort();
        memcpy(out + n, r->keyword, k + 1);
        n += k + 1;
        memcpy(out + n, r->answer, a + 1);
        n += a + 1;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = data[0] % 64 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t n = size - 1;
    static char whole[1 << 21], pieces[1 << 21];

    ConfReader a;
    a.feed(text, n);
    const size_t wn = flatten(whole, sizeof whole);
    freekeycords();

    ConfReader b;
    for (size_t i = 0; i < n; i += step) b.feed(text + i, n - i < step ? n - i : step);
    const size_t pn = flatten(pieces, sizeof pieces);
    freekeycords();

    if (wn != pn || memcmp(whole, pieces, wn) != 0) abort();
    return 0;
}
