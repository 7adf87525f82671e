// The scrambled file format: a 3-byte key in plain, the source's bytes
// scrambled pair by pair, and the source length behind them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/types.h>

// key[1] is the mask of the bits the two bytes of a pair exchange;
// key[0] and key[2] form the 16-bit offset added to each pair.
struct Key {
    uint8_t b[3];
    uint8_t mask() const { return b[1]; }
    uint16_t offset() const { return static_cast<uint16_t>(b[0] << 8 | b[2]); }
};

struct Pair {
    uint8_t first;
    uint8_t second;
};

constexpr std::size_t kBlockSize = 1024;  // both operations' buffer
constexpr uint8_t kFiller = 0xFF;         // pairs the last byte of an odd source
constexpr long kKeySize = 3;
constexpr long kTrailerSize = 4;          // the source length, little-endian
// Lengths are signed 32-bit numbers in the format.
constexpr uint32_t kMaxLength = 0x7FFFFFFF;

// Set to 1 to see each key byte as it is drawn.
extern int debug;
extern Key key;

// Fills `key` with three non-zero bytes of the (never seeded) random().
void makekey();

Pair scramble(Pair p, const Key& k);
Pair unscramble(Pair p, const Key& k);

enum class MixResult {
    ok,
    read_error,  // the source could not be read to its end
    too_large,   // the source is longer than the format can record
    too_short,   // no room for a key and a length: not a scrambled file
    damaged,     // odd data, or a stored length beyond the data
};

// Writes the key, the scrambled pairs of `src` and its length to `dst`.
// Stops with too_large once the source passes `max_length` bytes.
MixResult encode_stream(FILE* src, FILE* dst, const Key& k, uint32_t max_length = kMaxLength);

// Unscrambles the scrambled file `src` of `size` bytes into `dst`: the
// first stored-length bytes its pairs give back, as far as the data goes.
MixResult decode_stream(FILE* src, off_t size, FILE* dst);
