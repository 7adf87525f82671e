#include "listing.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>

#include "owned.h"
#include "program.h"

namespace {

struct MasqProtocol {
    const char* name;
    std::uint32_t number;
};

constexpr MasqProtocol kProtocols[] = {
    {"TCP", 6},
    {"UDP", 17},
    {"ICMP", 1},
};

}  // namespace

int parse_masq_line(const char* line, MasqLine& f) {
    return std::sscanf(line, "%255s %X:%X %X:%X %X:%X %255s %d %d %d %d", f.protocol, &f.saddr, &f.sport,
                       &f.daddr, &f.dport, &f.maddr, &f.mport, f.state, &f.numbers[0], &f.numbers[1],
                       &f.numbers[2], &f.numbers[3]);
}

void describe_entry(const MasqLine& f, MasqControl& rec) {
    for (const MasqProtocol& p : kProtocols)
        if (std::strcmp(f.protocol, p.name) == 0) rec.protocol = p.number;
    rec.saddr = htonl(f.saddr);
    rec.daddr = htonl(f.daddr);
    rec.maddr = htonl(f.maddr);
    rec.sport = htons(static_cast<std::uint16_t>(f.sport));
    rec.dport = htons(static_cast<std::uint16_t>(f.dport));
    rec.mport = htons(static_cast<std::uint16_t>(f.mport));
}

FlushResult flush_masq_file(int sock, const char* path, MasqSend send) {
    File f(path, "r");
    if (!f) {
        report_cant_open(path);
        return kCannotOpen;
    }
    MasqControl rec;
    std::memset(&rec, 0, sizeof rec);
    rec.target = kMasqTarget;
    rec.command = kMasqDelete;

    MasqLine fields;
    char line[kMasqLineSize];
    if (!std::fgets(line, sizeof line, f.get())) return kFlushed;  // the heading
    while (std::fgets(line, sizeof line, f.get())) {
        // A short line is reported and still acted on with what it gave.
        // sic: the line follows on a line of its own
        if (parse_masq_line(line, fields) != 12) std::printf("can't get data from\n%s", line);
        describe_entry(fields, rec);
        if (send(sock, rec) != 0) {
            std::perror("setsockopt()");
            return kDeleteFailed;
        }
    }
    return kFlushed;
}
