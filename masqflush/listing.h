// The kernel's masquerading listings and the deletion of what they list.
#pragma once
#include <cstddef>

#include "masqctl.h"

constexpr std::size_t kMasqLineSize = 256;  // a listing line, and its words

constexpr const char* kMasqListings[] = {
    "/proc/net/ip_masq/tcp",
    "/proc/net/ip_masq/udp",
    "/proc/net/ip_masq/icmp",
};

// The fields of one listing line. A line that does not give them all
// leaves the missing ones as the previous line had them.
struct MasqLine {
    char protocol[kMasqLineSize] = "";
    unsigned saddr = 0, sport = 0;
    unsigned daddr = 0, dport = 0;
    unsigned maddr = 0, mport = 0;
    char state[kMasqLineSize] = "";
    int numbers[4] = {};
};

// Reads one line into `fields`; returns the number of fields converted
// (12 for a whole line), as sscanf counts them.
int parse_masq_line(const char* line, MasqLine& fields);

// Puts the entry that `fields` describes into the deletion record. A
// protocol name other than TCP, UDP and ICMP leaves the protocol as it was.
void describe_entry(const MasqLine& fields, MasqControl& rec);

enum FlushResult {
    kFlushed = 0,
    kCannotOpen = -1,    // "can't open" was printed
    kDeleteFailed = -2,  // the kernel refused a deletion; perror was printed
};

// Deletes every entry that the listing at `path` names, one request per
// line after the heading, in file order, each through `send`; stops at the
// first refusal.
using MasqSend = int (*)(int sock, const MasqControl& rec);
FlushResult flush_masq_file(int sock, const char* path, MasqSend send = send_masq_control);
