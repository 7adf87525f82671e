// The kernel bridge as lanbind sees it: the request and status records of
// the bridge ioctls and the two calls that carry them.
#pragma once
#include <cstddef>
#include <cstdint>

// Bridge flags, the first word of the status record.
constexpr uint32_t kBridgeRunning = 0x01;
constexpr uint32_t kBridgeDebug = 0x02;
constexpr uint32_t kBridgeStats = 0x04;
constexpr uint32_t kBridgeStpOff = 0x08;

// Command codes of SIOCSIFBR.
enum BridgeCommand : uint32_t {
    kCmdStart = 1,
    kCmdStop = 2,
    kCmdPortEnable = 3,
    kCmdPortDisable = 4,
    kCmdPriority = 5,
    kCmdPortPriority = 6,
    kCmdPathCost = 7,
    kCmdDebugOn = 9,
    kCmdDebugOff = 10,
    kCmdPolicy = 11,
    kCmdExempt = 12,
    kCmdStatsEnable = 13,
    kCmdStatsDisable = 14,
    kCmdStatsZero = 15,
    kCmdToggleStp = 16,
};

struct bridge_request {
    uint32_t command;
    uint32_t value1;
    uint32_t value2;
};

struct bridge_id {
    uint16_t priority;
    uint8_t address[6];
};

struct bridge_info {
    bridge_id designated_root;
    uint32_t root_path_cost;
    uint32_t root_port;
    uint16_t max_age;
    uint16_t hello_time;
    uint16_t forward_delay;
    uint16_t pad1;
    bridge_id id;
    uint16_t bridge_max_age;
    uint16_t bridge_hello_time;
    uint16_t bridge_forward_delay;
    uint16_t pad2;
    uint32_t topology_change_detected;
    uint32_t topology_change;
    uint32_t rest;
};

enum PortState : uint32_t {
    kPortDisabled = 0,
    kPortListening = 1,
    kPortLearning = 2,
    kPortForwarding = 3,
    kPortBlocking = 4,
};

struct port_info {
    uint16_t port_id;
    uint16_t pad1;
    uint32_t state;
    uint32_t path_cost;
    bridge_id designated_root;
    uint32_t designated_cost;
    bridge_id designated_bridge;
    uint16_t designated_port;
    uint16_t pad2;
    uint32_t top_change_ack;
    uint32_t config_pending;
    uint8_t rest[8];
};

constexpr int kPorts = 8;
constexpr int kExemptSlots = 32;
constexpr int kStatSlots = 32;

struct bridge_status {
    uint32_t flags;
    bridge_info bridge;
    port_info ports[kPorts];
    uint32_t policy;
    uint32_t exempt_count;
    uint16_t exempt[kExemptSlots];
    uint16_t stat_protocols[kStatSlots];
    uint32_t stat_counts[kStatSlots];
    uint8_t rest[76];
};

static_assert(sizeof(bridge_request) == 12);
static_assert(offsetof(bridge_request, value1) == 4 && offsetof(bridge_request, value2) == 8);

static_assert(sizeof(bridge_id) == 8 && offsetof(bridge_id, address) == 2);

static_assert(sizeof(bridge_info) == 52);
static_assert(offsetof(bridge_info, root_path_cost) == 8);
static_assert(offsetof(bridge_info, root_port) == 12);
static_assert(offsetof(bridge_info, max_age) == 16);
static_assert(offsetof(bridge_info, hello_time) == 18);
static_assert(offsetof(bridge_info, forward_delay) == 20);
static_assert(offsetof(bridge_info, id) == 24);
static_assert(offsetof(bridge_info, bridge_max_age) == 32);
static_assert(offsetof(bridge_info, bridge_hello_time) == 34);
static_assert(offsetof(bridge_info, bridge_forward_delay) == 36);
static_assert(offsetof(bridge_info, topology_change_detected) == 40);
static_assert(offsetof(bridge_info, topology_change) == 44);

static_assert(sizeof(port_info) == 52);
static_assert(offsetof(port_info, state) == 4);
static_assert(offsetof(port_info, path_cost) == 8);
static_assert(offsetof(port_info, designated_root) == 12);
static_assert(offsetof(port_info, designated_cost) == 20);
static_assert(offsetof(port_info, designated_bridge) == 24);
static_assert(offsetof(port_info, designated_port) == 32);
static_assert(offsetof(port_info, top_change_ack) == 36);
static_assert(offsetof(port_info, config_pending) == 40);

static_assert(sizeof(bridge_status) == 812);
static_assert(offsetof(bridge_status, bridge) == 4);
static_assert(offsetof(bridge_status, ports) == 56);
static_assert(offsetof(bridge_status, policy) == 472);
static_assert(offsetof(bridge_status, exempt_count) == 476);
static_assert(offsetof(bridge_status, exempt) == 480);
static_assert(offsetof(bridge_status, stat_protocols) == 544);
static_assert(offsetof(bridge_status, stat_counts) == 608);
static_assert(offsetof(bridge_status, rest) == 736);

// The socket that carries the bridge ioctls; negative when none could be had.
int open_bridge_socket();

// SIOCGIFBR: fills `st`; when the kernel has no bridge, says so and
// returns -1.
int read_bridge_status(int sock, bridge_status* st);

// SIOCSIFBR with one request record; on failure reports it through perror
// and returns -1.
int send_bridge_request(int sock, uint32_t command, uint32_t value1, uint32_t value2);
