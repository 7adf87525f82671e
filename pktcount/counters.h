// The interfaces pktcount knows and the counter file that keeps, per
// interface, the values its display is corrected by.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr std::size_t kLineSize = 256;  // lines of both files
constexpr std::size_t kWordSize = 20;   // interface word, counter-file key

// Counters are kept as 32-bit patterns: the arithmetic wraps silently and
// the values are printed and stored as signed numbers ("%d").
struct Counters {
    std::uint32_t tx = 0;
    std::uint32_t tx_err = 0;
    std::uint32_t rx = 0;
    std::uint32_t rx_err = 0;
};

enum Iface { kEth0 = 0, kEth1 = 1, kPpp0 = 2, kIfaceCount = 3 };
constexpr const char* kIfaceNames[kIfaceCount] = {"eth0", "eth1", "ppp0"};

// Index of an interface word, or -1 when it is none of the three.
int iface_index(const char* word);

struct SavedCounters {
    Counters iface[kIfaceCount];
};

constexpr const char* kCounterFile = "/etc/packets.conf";

// Applies one line of the counter file to `saved`: '=' and '"' count as
// blanks, then a key word and a decimal number. A known key with a number
// sets that value; anything else changes nothing. Returns 0 when a value
// was set, -1 otherwise.
int apply_counter_line(const char* line, SavedCounters& saved);

enum class CounterRead {
    ok,
    cant_open,   // no file (yet): the saved values are 0
    read_error,  // the file could not be read to its end: its values are unknown
};

// Reads the counter file into `saved` (which the caller zeroes).
CounterRead read_counter_file(SavedCounters& saved);

// The twelve lines in their fixed order.
void print_counter_lines(std::FILE* out, const SavedCounters& saved);

// Replaces the counter file whole (a reader sees the old file or the new
// one), synced. Returns -1, the old file untouched, when that fails.
int write_counter_file(const SavedCounters& saved);
