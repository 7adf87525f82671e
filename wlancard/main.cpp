// wlancard: reads and sets the wireless card's network name, channel and
// station list through the card driver. Every path ends with status 0;
// the web setup reads the output.
#include <cstdio>
#include <cstring>

#include "program.h"
#include "radio.h"
#include "records.h"

namespace {

char progname[256];
RadioRecord record;  // the one record buffer of a command

int usage() {
    std::printf("usage: %s command [arg1 [arg2]]\n", progname);
    std::printf("    command get or set\n");
    return 0;
}

int no_driver() {
    std::printf("can't find PC card driver!\n");
    return 0;
}

// Terminated even when the driver leaves its text unterminated.
const char* banner_text(RadioRecord& rec) {
    rec.banner[kRecordSize - 1] = '\0';
    return rec.banner;
}

long long read_version() {
    RadioRecord banner{};
    if (radio_request(banner, RADIO_GETBANNER) != 0) return -1;
    return banner_version(banner_text(banner));
}

int get_essid() {
    if (radio_request(record, RADIO_GETESSID) != 0) return no_driver();
    char text[kEssidTextSize];
    essid_text(record.essid, text);
    std::printf("%s\n", text);
    return 0;
}

int get_ds() {
    if (radio_request(record, RADIO_GETDS) != 0) return no_driver();
    std::printf("%lu\n", static_cast<unsigned long>(record.ds));
    return 0;
}

int get_banner() {
    if (radio_request(record, RADIO_GETBANNER) != 0) return no_driver();
    std::printf("%s\n", banner_text(record));
    return 0;
}

int get_ver() {
    long long v = read_version();
    if (v < 0) return 0;
    std::printf("%lld.%02lld\n", v / 100, v % 100);
    return 0;
}

int get_stations(bool with_value) {
    if (radio_request(record, RADIO_GETSTATION) != 0) return no_driver();
    print_stations(stdout, record.stations, with_value);
    return 0;
}
int get_st() { return get_stations(true); }
int get_mac() { return get_stations(false); }

int get_num() {
    if (radio_request(record, RADIO_GETSTATION) != 0) return no_driver();
    std::printf("%lu\n", static_cast<unsigned long>(record.stations.count));
    return 0;
}

int set_essid(const char* text) {
    if (!put_essid(record.essid, text)) return usage();
    if (radio_request(record, RADIO_SETESSID) != 0) return no_driver();
    return 0;
}

int set_ds(const char* text) {
    unsigned ds;
    if (!parse_ds(text, &ds)) return usage();
    record.ds = ds;
    if (radio_request(record, RADIO_SETDS) != 0) return no_driver();
    return 0;
}

struct GetCommand {
    const char* name;
    int (*run)();
};
constexpr GetCommand kGets[] = {
    {"essid", get_essid}, {"ds", get_ds}, {"banner", get_banner}, {"ver", get_ver},
    {"st", get_st},       {"mac", get_mac}, {"num", get_num},
};

struct SetCommand {
    const char* name;
    int (*run)(const char* value);
};
constexpr SetCommand kSets[] = {
    {"essid", set_essid},
    {"ds", set_ds},
};

}  // namespace

int main(int argc, char** argv) {
    std::snprintf(progname, sizeof progname, "%s", program_name(argv, "wlancard"));
    if (argc < 3) return usage();

    if (std::strcmp(argv[1], "get") == 0) {
        for (const GetCommand& c : kGets)
            if (std::strcmp(argv[2], c.name) == 0) return c.run();
        return usage();
    }
    if (std::strcmp(argv[1], "set") == 0 && argc == 4) {
        for (const SetCommand& c : kSets)
            if (std::strcmp(argv[2], c.name) == 0) return c.run(argv[3]);
        return usage();
    }
    return usage();
}
