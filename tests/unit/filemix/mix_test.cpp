#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "mix.h"

namespace {

using Bytes = std::vector<uint8_t>;

FILE* stream_of(const Bytes& data) {
    FILE* f = tmpfile();
    if (!data.empty()) fwrite(data.data(), 1, data.size(), f);
    rewind(f);
    return f;
}

Bytes contents(FILE* f) {
    Bytes out;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;) out.push_back(static_cast<uint8_t>(c));
    return out;
}

Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return b;
}

Bytes encoded(const Bytes& src, const Key& k) {
    FILE* in = stream_of(src);
    FILE* out = tmpfile();
    EXPECT_EQ(encode_stream(in, out, k), MixResult::ok);
    Bytes b = contents(out);
    fclose(in);
    fclose(out);
    return b;
}

struct Decoded {
    MixResult result;
    Bytes data;
};

Decoded decoded(const Bytes& file) {
    FILE* in = stream_of(file);
    FILE* out = tmpfile();
    MixResult r = decode_stream(in, static_cast<off_t>(file.size()), out);
    Decoded d{r, contents(out)};
    fclose(in);
    fclose(out);
    return d;
}

constexpr Key kKey{{0x67, 0xC6, 0x69}};

TEST(Pairs, ScrambleExchangesMaskedBitsThenAddsTheOffset) {
    // 'A','B' with mask C6: h = 42&C6 | 41&39 = 43, l = 41&C6 | 42&39 = 40;
    // 4340 + 6769 = AAA9.
    Pair p = scramble({0x41, 0x42}, kKey);
    EXPECT_EQ(p.first, 0xAA);
    EXPECT_EQ(p.second, 0xA9);
    // The sum wraps at 16 bits: FFFF + 0101 = 0100 with a zero mask.
    p = scramble({0xFF, 0xFF}, Key{{0x01, 0x00, 0x01}});
    EXPECT_EQ(p.first, 0x01);
    EXPECT_EQ(p.second, 0x00);
    // A full mask swaps the two bytes.
    p = scramble({0x12, 0x34}, Key{{0x00, 0xFF, 0x00}});
    EXPECT_EQ(p.first, 0x34);
    EXPECT_EQ(p.second, 0x12);
}

TEST(Pairs, UnscrambleInvertsEveryPairForAssortedKeys) {
    const Key keys[] = {kKey, {{1, 1, 1}}, {{0xFF, 0xFF, 0xFF}}, {{0x80, 0x5A, 0x01}}, {{0x01, 0xA5, 0xFE}}};
    for (const Key& k : keys) {
        for (int v = 0; v < 65536; ++v) {
            const Pair in{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
            const Pair out = unscramble(scramble(in, k), k);
            ASSERT_EQ(out.first, in.first) << v;
            ASSERT_EQ(out.second, in.second) << v;
        }
    }
}

TEST(MakeKey, NoKeyByteIsZero) {
    for (unsigned seed = 1; seed < 2000; ++seed) {
        srandom(seed);
        makekey();
        ASSERT_NE(key.b[0], 0);
        ASSERT_NE(key.b[1], 0);
        ASSERT_NE(key.b[2], 0);
    }
}

TEST(Format, KeyInFrontPairsThenLittleEndianLength) {
    Bytes f = encoded({}, kKey);
    EXPECT_EQ(f, (Bytes{0x67, 0xC6, 0x69, 0, 0, 0, 0}));

    // One byte is paired with the filler FF.
    f = encoded({0x41}, kKey);
    const Pair p = scramble({0x41, 0xFF}, kKey);
    EXPECT_EQ(f, (Bytes{0x67, 0xC6, 0x69, p.first, p.second, 1, 0, 0, 0}));

    f = encoded(pattern(0x10203), kKey);
    ASSERT_EQ(f.size(), 0x10203u + 8);
    EXPECT_EQ(Bytes(f.end() - 4, f.end()), (Bytes{0x03, 0x02, 0x01, 0x00}));
}

TEST(Format, SizesAroundTheBlockRoundTrip) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 7}, {1, 9}, {2, 9}, {1023, 1031}, {1024, 1031}, {1025, 1033}, {2047, 2055}, {2048, 2055}, {5001, 5009}};
    for (auto [n, size] : cases) {
        const Bytes src = pattern(n);
        const Bytes f = encoded(src, kKey);
        EXPECT_EQ(f.size(), size) << n;
        const Decoded d = decoded(f);
        EXPECT_EQ(d.result, MixResult::ok) << n;
        EXPECT_EQ(d.data, src) << n;
    }
}

TEST(Decode, DamagedFilesGiveWhatTheirDataHoldsAndSaySo) {
    const Bytes src = pattern(10);
    Bytes f = encoded(src, kKey);

    // Stored length beyond the data: all ten bytes, then the complaint;
    // nothing of the trailer is passed off as data.
    Bytes longer = f;
    longer[f.size() - 4] = 200;
    Decoded d = decoded(longer);
    EXPECT_EQ(d.result, MixResult::damaged);
    EXPECT_EQ(d.data, src);

    // A length far past 2^31 is no negative number that writes nothing.
    longer[f.size() - 1] = 0x80;
    d = decoded(longer);
    EXPECT_EQ(d.result, MixResult::damaged);
    EXPECT_EQ(d.data, src);

    // A shorter stored length cuts the output.
    Bytes shorter = f;
    shorter[f.size() - 4] = 3;
    d = decoded(shorter);
    EXPECT_EQ(d.result, MixResult::ok);
    EXPECT_EQ(d.data, Bytes(src.begin(), src.begin() + 3));

    // A lone byte after the pairs.
    Bytes odd = f;
    odd.insert(odd.end() - 4, 0x55);
    d = decoded(odd);
    EXPECT_EQ(d.result, MixResult::damaged);
    EXPECT_EQ(d.data, src);

    // No room for a key and a length.
    d = decoded({0x67, 0xC6, 0x69, 0, 0, 0});
    EXPECT_EQ(d.result, MixResult::too_short);
    EXPECT_TRUE(d.data.empty());
}

TEST(Encode, StopsAtTheLongestLengthTheFormatRecords) {
    FILE* in = stream_of(pattern(3000));
    FILE* out = tmpfile();
    EXPECT_EQ(encode_stream(in, out, kKey, 2999), MixResult::too_large);
    rewind(in);
    rewind(out);
    EXPECT_EQ(encode_stream(in, out, kKey, 3000), MixResult::ok);
    fclose(in);
    fclose(out);
}

}  // namespace
