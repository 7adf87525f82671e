// The wireless card driver's requests on /dev/radio_cs and the one record
// buffer they all pass: its size is that of the largest record, the
// station table.
#pragma once
#include <cstddef>
#include <cstdint>

enum RadioRequest : int {
    RADIO_GETBANNER = 0,  // driver fills the banner
    RADIO_SETESSID = 1,   // program fills the ESSID record
    RADIO_GETSTATION = 2, // driver fills the station table
    RADIO_GETESSID = 3,   // driver fills the ESSID record
    RADIO_GETDS = 4,      // driver fills the DS record
    RADIO_SETDS = 5,      // program fills the DS record
};

constexpr std::size_t kRecordSize = 3588;
constexpr int kStations = 256;

struct __attribute__((packed)) StationEntry {
    uint32_t in_use;  // non-zero when the entry holds a station
    uint32_t value;   // what the driver reports with the station
    uint8_t mac[6];
};

struct EssidRecord {
    uint8_t length;
    char text[kRecordSize - 1];  // `length` bytes, then a NUL when the program sends it
};

struct StationTable {
    StationEntry entries[kStations];
    uint32_t count;  // as the driver reports it
};

union RadioRecord {
    char banner[kRecordSize];
    EssidRecord essid;
    uint32_t ds;
    StationTable stations;
};

static_assert(sizeof(StationEntry) == 14);
static_assert(offsetof(StationEntry, value) == 4);
static_assert(offsetof(StationEntry, mac) == 8);
static_assert(offsetof(EssidRecord, text) == 1);
static_assert(offsetof(StationTable, count) == 3584);
static_assert(sizeof(StationTable) == kRecordSize);
static_assert(sizeof(RadioRecord) == kRecordSize);

// One request: opens the device, passes the record, closes the device.
// Returns 0, or -1 when the device cannot be opened or the request fails.
int radio_request(RadioRecord& record, int index);
