#include "protocols.h"

#include <strings.h>

// ECHO and PUP keep the numbers the bridge has always used for them.
const Protocol kProtocols[] = {
    {0x0060, "LOOP"},   {0x0200, "ECHO"},   {0x0400, "PUP"},    {0x0800, "IP"},
    {0x0805, "X25"},    {0x0806, "ARP"},    {0x08FF, "BPQ"},    {0x6000, "DEC"},
    {0x6001, "DNA_DL"}, {0x6002, "DNA_RC"}, {0x6003, "DNA_RT"}, {0x6004, "LAT"},
    {0x6005, "DIAG"},   {0x6006, "CUST"},   {0x6007, "SCA"},    {0x8035, "RARP"},
    {0x809B, "ATALK"},  {0x80F3, "AARP"},   {0x8137, "IPX"},    {0x86DD, "IPV6"},
    {0x0001, "802_3"},  {0x0002, "AX25"},   {0x0004, "802_2"},  {0x0005, "SNAP"},
    {0x0006, "DDCMP"},  {0x0011, "TR_802_2"},
    {0, nullptr},
};

const Protocol* find_protocol(const char* name) {
    for (const Protocol* p = kProtocols; p->number != 0; ++p)
        if (strcasecmp(p->name, name) == 0) return p;
    return nullptr;
}

void protocol_name(FILE* out, uint32_t number) {
    for (const Protocol* p = kProtocols; p->number != 0; ++p) {
        if (p->number == number) {
            std::fputs(p->name, out);
            return;
        }
    }
    std::fprintf(out, "0x%04X", number);
}

void list_protocols(FILE* out) {
    std::fputs("Protocol Listing:\n------------------\n", out);
    for (const Protocol* p = kProtocols; p->number != 0; ++p)
        std::fprintf(out, "0x%04X %s\n", p->number, p->name);
}
