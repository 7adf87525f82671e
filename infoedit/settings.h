// The settings file /etc/apinfo as infoedit reads and writes it: the sixteen
// keys in their fixed order, and the value table that holds them in memory.
#pragma once
#include <cstddef>
#include <cstdio>

constexpr const char* kApinfoPath = "/etc/apinfo";
constexpr const char* kDiskApinfoPath = "/disk/apinfo";

constexpr std::size_t kKeySize = 16;    // a key: at most 15 characters
constexpr std::size_t kValueSize = 48;  // a value: at most 47 characters
constexpr std::size_t kSlotCount = 20;
constexpr std::size_t kKeyCount = 16;

// The keys of the settings file, in the order of its lines.
extern const char* const key_table[kKeyCount];

// One of the sixteen keys, or "w" (the disk-write option).
bool is_valid_key(const char* key);

class ValueTable {
public:
    void clear();
    // The first slot holding `key`, or else the first free one, takes the
    // pair. Returns false when the key or the value does not fit a slot, or
    // when no slot is left; the table is then unchanged.
    bool set(const char* key, const char* value);
    // The value held for `key`, or nullptr when it has no slot.
    const char* get(const char* key) const;

private:
    struct Slot {
        char key[kKeySize];
        char value[kValueSize];
    };
    Slot slots_[kSlotCount] = {};
};

// Reads KEY="value" lines (256-byte line buffer) into the table. Lines
// with a key that is not valid, without '=' or two '"', or with a value too
// long for a slot are skipped.
void read_apinfo(std::FILE* f, ValueTable& table);

// Writes the sixteen lines in key-table order; a key without a slot gets
// an empty value. Returns 0, or -1 when the stream reports an error.
int write_apinfo(std::FILE* f, const ValueTable& table);
