// The Ethernet protocols the bridge knows by name.
#pragma once
#include <cstdint>
#include <cstdio>

struct Protocol {
    uint32_t number;
    const char* name;
};

// The table rows in their fixed order; the end row has number 0.
extern const Protocol kProtocols[];

// The row whose name equals `name` regardless of case, or nullptr.
const Protocol* find_protocol(const char* name);

// Writes the name of the first row with `number`, or the number as "0x%04X".
void protocol_name(FILE* out, uint32_t number);

// The list command: a heading, then "0x%04X %s" for every row.
void list_protocols(FILE* out);
