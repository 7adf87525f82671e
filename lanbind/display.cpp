#include "display.h"

#include "protocols.h"

namespace {

const char* able(uint32_t flags, uint32_t bit) { return (flags & bit) ? "EN" : "DIS"; }

// 32-bit fields print as the signed numbers they were always shown as.
int as_int(uint32_t v) { return static_cast<int32_t>(v); }

void print_id(FILE* out, const bridge_id& id) {
    std::fprintf(out, "0x%04x %02x:%02x:%02x:%02x:%02x:%02x", id.priority, id.address[0], id.address[1],
                 id.address[2], id.address[3], id.address[4], id.address[5]);
}

struct StateName {
    uint32_t state;
    const char* format;
};

constexpr StateName kStateNames[] = {
    {kPortListening, "LISTENING (0x%x)\n"},
    {kPortLearning, "LEARNING (0x%x)\n"},
    {kPortForwarding, "FORWARDING (0x%x)\n"},
    {kPortBlocking, "BLOCKING (0x%x)\n"},
};

constexpr const char* kPolicyNames[] = {"Reject all protocols", "Accept all protocols"};

void print_policy(FILE* out, uint32_t policy) {
    if (policy < sizeof kPolicyNames / sizeof kPolicyNames[0])
        std::fprintf(out, "Policy                  %s\n", kPolicyNames[policy]);
    else
        std::fprintf(out, "Policy                  Unknown (%u)\n", policy);
}

// Takes a snapshot from the kernel and prints it on standard output.
int show(int sock, void (*print)(FILE*, const bridge_status&)) {
    bridge_status st;
    if (read_bridge_status(sock, &st) < 0) return -1;
    print(stdout, st);
    return 0;
}

}  // namespace

void show_bridge_info(FILE* out, const bridge_status& st) {
    const bridge_info& b = st.bridge;
    std::fputs("bridge id\t\t", out);
    print_id(out, b.id);
    std::fputs("\ndesignated root\t\t", out);
    print_id(out, b.designated_root);
    std::fputs("\n", out);
    std::fprintf(out, "bridge max age\t\t%i\tmax age\t\t\t%i\n", b.bridge_max_age, b.max_age);
    std::fprintf(out, "bridge hello time\t%i\thello time\t\t%i\n", b.bridge_hello_time, b.hello_time);
    std::fprintf(out, "bridge forward delay\t%i\tforward delay\t\t%i\n", b.bridge_forward_delay,
                 b.forward_delay);
    std::fprintf(out, "root path cost\t\t%i\troot port\t\t%i\n", as_int(b.root_path_cost), as_int(b.root_port));
    std::fputs("flags\t\t\t", out);
    if (b.topology_change) std::fputs("TOPOLOGY_CHANGE ", out);  // sic: trailing blank
    if (b.topology_change_detected) std::fputs("TOPOLOGY_CHANGE_DETECTED", out);
    if (!b.topology_change && !b.topology_change_detected) std::fputs("NONE", out);
    std::fputs("\n", out);
}

void show_port_stats(FILE* out, const bridge_status& st) {
    std::fputs("--- port stats ---\n", out);
    for (int i = 0; i < kPorts; ++i) {
        const port_info& p = st.ports[i];
        if (p.state == kPortDisabled) continue;
        std::fprintf(out, "port %i\tport id 0x%04x\tport state\t", i, p.port_id);
        for (const StateName& s : kStateNames)
            if (s.state == p.state) std::fprintf(out, s.format, p.state);
        std::fputs("designated root\t\t", out);
        print_id(out, p.designated_root);
        std::fputs("\ndesignated bridge\t", out);
        print_id(out, p.designated_bridge);
        std::fputs("\n", out);
        std::fprintf(out, "path cost\t\t%i\tdesignated cost\t\t%i\n", as_int(p.path_cost),
                     as_int(p.designated_cost));
        std::fprintf(out, "designated port\t\t%i\tflags\t\t\t", p.designated_port);
        if (p.top_change_ack) std::fputs("TOPOLOGY_CHANGE_ACK ", out);  // sic: trailing blank
        if (p.config_pending) std::fputs("CONFIG_PENDING", out);
        if (!p.top_change_ack && !p.config_pending) std::fputs("NONE", out);
        std::fputs("\n", out);
    }
}

void print_bridge_status(FILE* out, const bridge_status& st) {
    // sic: the blank before the first tab
    std::fprintf(out, "bridging is %sABLED \tdebugging is %sABLED\tprot-stats are %sABLED\n",
                 able(st.flags, kBridgeRunning), able(st.flags, kBridgeDebug), able(st.flags, kBridgeStats));
    show_bridge_info(out, st);
    std::fputs("--- Zelmo orignal\n", out);  // sic: orignal
    std::fprintf(out, "STP is %sABLED \n", (st.flags & kBridgeStpOff) ? "DIS" : "EN");  // sic: trailing blank
    show_port_stats(out, st);
    print_policy(out, st.policy);
    std::fprintf(out, "exempt protocols        %i ", as_int(st.exempt_count));  // sic: trailing blank
    if (st.exempt_count != 0) {
        // The slots speak for themselves, whatever the count says.
        std::fputs("(", out);
        for (uint16_t number : st.exempt) {
            if (number == 0) continue;
            protocol_name(out, number);
            std::fputs(" ", out);
        }
        std::fputs(")", out);
    }
    std::fputs("\n", out);
}

void print_protocol_stats(FILE* out, const bridge_status& st) {
    std::fprintf(out, "Protocol statistics are %s\n", (st.flags & kBridgeStats) ? "ENABLED" : "DISABLED");
    if (st.stat_protocols[0] == 0) {
        std::fputs("No protocol data has been gathered by the kernel\n", out);
        return;
    }
    std::fputs("Protocol Number of Packets encountered\n--------------------------------------\n", out);
    for (int i = 0; i < kStatSlots && st.stat_protocols[i] != 0; ++i) {
        protocol_name(out, st.stat_protocols[i]);
        std::fprintf(out, " %d\n", as_int(st.stat_counts[i]));
    }
    if (st.stat_protocols[kStatSlots - 1] != 0)
        std::fputs("Warning: Protocol table too short. Possibly not all protocols listed!n", out);  // sic: !n
}

int show_bridge_status(int sock) { return show(sock, print_bridge_status); }

int show_protocol_stats(int sock) { return show(sock, print_protocol_stats); }
