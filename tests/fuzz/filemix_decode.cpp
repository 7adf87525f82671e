// Feeds arbitrary files to the unscrambler and checks what it gives back
// against the format: never more than the stored length or the data
// allow, each pair the exact inverse of scrambling, and a damaged file
// reported as damaged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mix.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1 << 16) return 0;
    FILE* src = fmemopen(const_cast<uint8_t*>(data), size, "r");
    char* out = nullptr;
    size_t out_len = 0;
    FILE* dst = open_memstream(&out, &out_len);
    if (!src || !dst) abort();

    const MixResult r = decode_stream(src, static_cast<off_t>(size), dst);
    fclose(src);
    fclose(dst);

    if (size < 7) {
        if (r != MixResult::too_short || out_len != 0) abort();
    } else {
        const uint32_t stored = data[size - 4] | data[size - 3] << 8 | data[size - 2] << 16 |
                                static_cast<uint32_t>(data[size - 1]) << 24;
        const size_t pairs_bytes = (size - 7) & ~static_cast<size_t>(1);
        const bool odd = (size - 7) % 2 != 0;
        const size_t expect_len = stored < pairs_bytes ? stored : pairs_bytes;
        if (out_len != expect_len) abort();
        const bool damaged = stored > pairs_bytes || odd;
        if ((r == MixResult::damaged) != damaged) abort();
        if (!damaged && r != MixResult::ok) abort();

        const Key k{{data[0], data[1], data[2]}};
        for (size_t i = 0; i + 1 < out_len; i += 2) {
            const Pair back = scramble({static_cast<uint8_t>(out[i]), static_cast<uint8_t>(out[i + 1])}, k);
            if (back.first != data[3 + i] || back.second != data[4 + i]) abort();
        }
        if (out_len % 2 != 0) {
            const Pair p = unscramble({data[3 + out_len - 1], data[3 + out_len]}, k);
            if (static_cast<uint8_t>(out[out_len - 1]) != p.first) abort();
        }
    }
    free(out);
    return 0;
}
