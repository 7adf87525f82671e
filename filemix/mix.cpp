// Key drawing, pair scrambling and the stream formats of both directions.
#include "mix.h"

#include <cstdlib>

int debug = 0;
Key key;

void makekey() {
    for (uint8_t& byte : key.b) {
        do {
            byte = static_cast<uint8_t>(random() & 0xFF);
        } while (byte == 0);
        if (debug == 1) printf("%02X", byte);
    }
}

Pair scramble(Pair p, const Key& k) {
    const uint8_t m = k.mask();
    const uint8_t h = static_cast<uint8_t>((p.second & m) | (p.first & ~m));
    const uint8_t l = static_cast<uint8_t>((p.first & m) | (p.second & ~m));
    const uint16_t w = static_cast<uint16_t>((h << 8 | l) + k.offset());
    return {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w & 0xFF)};
}

Pair unscramble(Pair p, const Key& k) {
    const uint8_t m = k.mask();
    const uint16_t w = static_cast<uint16_t>((p.first << 8 | p.second) - k.offset());
    const uint8_t h = static_cast<uint8_t>(w >> 8);
    const uint8_t l = static_cast<uint8_t>(w & 0xFF);
    return {static_cast<uint8_t>((l & m) | (h & ~m)), static_cast<uint8_t>((h & m) | (l & ~m))};
}

MixResult encode_stream(FILE* src, FILE* dst, const Key& k, uint32_t max_length) {
    fwrite(k.b, 1, sizeof k.b, dst);
    uint8_t buf[kBlockSize + 1];  // room for the filler behind a full odd block
    uint32_t total = 0;
    for (;;) {
        const std::size_t n = fread(buf, 1, kBlockSize, src);
        if (n == 0) break;
        if (n > max_length - total) return MixResult::too_large;
        total += static_cast<uint32_t>(n);
        if (n < kBlockSize) buf[n] = kFiller;
        for (std::size_t i = 0; i < n; i += 2) {
            const Pair out = scramble({buf[i], buf[i + 1]}, k);
            fputc(out.first, dst);
            fputc(out.second, dst);
        }
    }
    if (ferror(src)) return MixResult::read_error;
    for (int shift = 0; shift < 32; shift += 8) fputc(static_cast<int>(total >> shift & 0xFF), dst);
    return MixResult::ok;
}

MixResult decode_stream(FILE* src, off_t size, FILE* dst) {
    if (size < kKeySize + kTrailerSize) return MixResult::too_short;
    uint8_t trailer[kTrailerSize];
    if (fseeko(src, -kTrailerSize, SEEK_END) != 0 || fread(trailer, 1, sizeof trailer, src) != sizeof trailer)
        return MixResult::read_error;
    uint32_t remaining = 0;
    for (int i = kTrailerSize - 1; i >= 0; --i) remaining = remaining << 8 | trailer[i];

    Key k;
    if (fseeko(src, 0, SEEK_SET) != 0 || fread(k.b, 1, sizeof k.b, src) != sizeof k.b)
        return MixResult::read_error;

    // The pairs lie between the key and the trailer; the trailer itself
    // gives nothing back.
    off_t data = size - kKeySize - kTrailerSize;
    const bool odd = data % 2 != 0;
    data -= data % 2;
    uint8_t buf[kBlockSize];
    while (data > 0 && remaining > 0) {
        const std::size_t want = data < static_cast<off_t>(kBlockSize) ? static_cast<std::size_t>(data) : kBlockSize;
        const std::size_t n = fread(buf, 1, want, src);
        if (n != want) return MixResult::read_error;
        data -= static_cast<off_t>(n);
        for (std::size_t i = 0; i < n && remaining > 0; i += 2) {
            const Pair out = unscramble({buf[i], buf[i + 1]}, k);
            fputc(out.first, dst);
            if (--remaining == 0) break;
            fputc(out.second, dst);
            --remaining;
        }
    }
    if (remaining > 0 || odd) return MixResult::damaged;
    return MixResult::ok;
}
