// The settings file /etc/apinfo as infoedit reads and writes it: the keys
// of keys.h in their fixed order, and the value table that holds them in
// memory.
#pragma once
#include <cstddef>
#include <cstdio>

#include "keys.h"

constexpr const char* kApinfoPath = "/etc/apinfo";
constexpr const char* kDiskApinfoPath = "/disk/apinfo";

// infoedit's own report of a file on the appliance that it cannot open,
// read or replace: "Can't open "<path>"." (capital C, the path quoted, a
// full stop), not the common "can't open <path>" of report_cant_open.
// Returns -1.
int report_cant_open_quoted(const char* path);

constexpr std::size_t kLineSize = 256;  // lines are read with this buffer
constexpr std::size_t kKeySize = 16;    // a key: at most 15 characters
constexpr std::size_t kValueSize = 48;  // a value an option sets: at most 47 characters
// A value read from the file is kept whole, whatever its length: any line
// that fits the line buffer fits a slot.
constexpr std::size_t kSlotValueSize = kLineSize;
constexpr std::size_t kSlotCount = 20;
static_assert(kKeyCount + 1 <= kSlotCount, "a slot for every key and the disk-write option");

// One of the keys of the file, or "w" (the disk-write option).
bool is_valid_key(const char* key);

class ValueTable {
public:
    void clear();
    // The first slot holding `key`, or else the first free one, takes the
    // pair. Returns false when the key or the value does not fit a slot, or
    // when no slot is left; the table is then unchanged. (How long a value
    // an option may set is the options' business.)
    bool set(const char* key, const char* value);
    // The value held for `key`, or nullptr when it has no slot.
    const char* get(const char* key) const;

private:
    struct Slot {
        char key[kKeySize];
        char value[kSlotValueSize];
    };
    Slot slots_[kSlotCount] = {};
};

// Reads KEY="value" lines (256-byte line buffer: at most 255 characters
// and the newline) into the table. Lines whose key is not valid are
// skipped. Returns 0, or -1 when the file cannot be read to its end, or
// holds a line of one of the file's keys whose value cannot be read whole
// (too long for the line buffer, without two '"', or with a NUL byte):
// rewriting the file would then lose a value.
int read_apinfo(std::FILE* f, ValueTable& table);

// Writes one line per key in the order of kKeys; a key without a slot gets
// an empty value. Returns 0, or -1 when the stream reports an error.
int write_apinfo(std::FILE* f, const ValueTable& table);
