#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "display.h"
#include "test_support.h"

namespace {

using Printer = void (*)(FILE*, const bridge_status&);

std::string render(Printer fn, const bridge_status& st) {
    return output_of([&](FILE* out) { fn(out, st); });
}

bridge_id id(uint16_t prio, uint8_t last) { return bridge_id{prio, {0x02, 0x00, 0x5e, 0x01, 0x02, last}}; }

bridge_status empty() {
    bridge_status st;
    std::memset(&st, 0, sizeof st);
    return st;
}

TEST(StatusDisplay, WholeDisplayByteForByte) {
    bridge_status st = empty();
    st.flags = kBridgeRunning | kBridgeStats;
    bridge_info& b = st.bridge;
    b.id = id(0x8000, 0x03);
    b.designated_root = id(0x0010, 0xab);
    b.bridge_max_age = 20, b.max_age = 21;
    b.bridge_hello_time = 2, b.hello_time = 3;
    b.bridge_forward_delay = 15, b.forward_delay = 16;
    b.root_path_cost = 0xffffffff;  // 32-bit fields print signed
    b.root_port = 1;
    b.topology_change = 1;
    port_info& p = st.ports[2];
    p.port_id = 0x8003;
    p.state = kPortLearning;
    p.path_cost = 100;
    p.designated_root = id(0x0010, 0xab);
    p.designated_bridge = id(0x8000, 0x03);
    p.designated_cost = 19;
    p.designated_port = 0x8003;
    st.policy = 1;
    st.exempt_count = 2;
    st.exempt[0] = 0x0800;
    st.exempt[5] = 0x0806;

    EXPECT_EQ(render(print_bridge_status, st),
              "bridging is ENABLED \tdebugging is DISABLED\tprot-stats are ENABLED\n"
              "bridge id\t\t0x8000 02:00:5e:01:02:03\n"
              "designated root\t\t0x0010 02:00:5e:01:02:ab\n"
              "bridge max age\t\t20\tmax age\t\t\t21\n"
              "bridge hello time\t2\thello time\t\t3\n"
              "bridge forward delay\t15\tforward delay\t\t16\n"
              "root path cost\t\t-1\troot port\t\t1\n"
              "flags\t\t\tTOPOLOGY_CHANGE \n"
              "--- Zelmo orignal\n"
              "STP is ENABLED \n"
              "--- port stats ---\n"
              "port 2\tport id 0x8003\tport state\tLEARNING (0x2)\n"
              "designated root\t\t0x0010 02:00:5e:01:02:ab\n"
              "designated bridge\t0x8000 02:00:5e:01:02:03\n"
              "path cost\t\t100\tdesignated cost\t\t19\n"
              "designated port\t\t32771\tflags\t\t\tNONE\n"
              "Policy                  Accept all protocols\n"
              "exempt protocols        2 (IP ARP )\n");
}

TEST(StatusDisplay, FlagsAndNoneRules) {
    bridge_status st = empty();
    st.flags = kBridgeDebug | kBridgeStpOff;
    st.bridge.topology_change = 1;
    st.bridge.topology_change_detected = 7;
    std::string out = render(print_bridge_status, st);
    EXPECT_NE(out.find("bridging is DISABLED \tdebugging is ENABLED\tprot-stats are DISABLED\n"), std::string::npos);
    EXPECT_NE(out.find("flags\t\t\tTOPOLOGY_CHANGE TOPOLOGY_CHANGE_DETECTED\n"), std::string::npos);
    EXPECT_NE(out.find("STP is DISABLED \n--- port stats ---\nPolicy                  Reject all protocols\n"),
              std::string::npos)
        << "all ports disabled leave the port section empty";
    EXPECT_NE(out.find("exempt protocols        0 \n"), std::string::npos);

    st.bridge.topology_change = 0;
    EXPECT_NE(render(show_bridge_info, st).find("flags\t\t\tTOPOLOGY_CHANGE_DETECTED\n"), std::string::npos);
    st.bridge.topology_change_detected = 0;
    EXPECT_NE(render(show_bridge_info, st).find("flags\t\t\tNONE\n"), std::string::npos);
}

TEST(StatusDisplay, PortsEachWithTheirOwnFlagsAndStates) {
    bridge_status st = empty();
    st.ports[0].state = kPortForwarding;
    st.ports[0].top_change_ack = 1;
    st.ports[0].config_pending = 1;
    st.ports[1].state = kPortBlocking;
    st.ports[1].config_pending = 1;
    st.ports[4].state = kPortListening;  // no flags after ports with flags
    st.ports[7].state = 9;               // unknown state: no state text, no line end
    st.ports[7].top_change_ack = 1;
    std::string out = render(show_port_stats, st);
    const char* expected =
        "--- port stats ---\n"
        "port 0\tport id 0x0000\tport state\tFORWARDING (0x3)\n"
        "designated root\t\t0x0000 00:00:00:00:00:00\n"
        "designated bridge\t0x0000 00:00:00:00:00:00\n"
        "path cost\t\t0\tdesignated cost\t\t0\n"
        "designated port\t\t0\tflags\t\t\tTOPOLOGY_CHANGE_ACK CONFIG_PENDING\n"
        "port 1\tport id 0x0000\tport state\tBLOCKING (0x4)\n"
        "designated root\t\t0x0000 00:00:00:00:00:00\n"
        "designated bridge\t0x0000 00:00:00:00:00:00\n"
        "path cost\t\t0\tdesignated cost\t\t0\n"
        "designated port\t\t0\tflags\t\t\tCONFIG_PENDING\n"
        "port 4\tport id 0x0000\tport state\tLISTENING (0x1)\n"
        "designated root\t\t0x0000 00:00:00:00:00:00\n"
        "designated bridge\t0x0000 00:00:00:00:00:00\n"
        "path cost\t\t0\tdesignated cost\t\t0\n"
        "designated port\t\t0\tflags\t\t\tNONE\n"
        "port 7\tport id 0x0000\tport state\tdesignated root\t\t0x0000 00:00:00:00:00:00\n"
        "designated bridge\t0x0000 00:00:00:00:00:00\n"
        "path cost\t\t0\tdesignated cost\t\t0\n"
        "designated port\t\t0\tflags\t\t\tTOPOLOGY_CHANGE_ACK \n";
    EXPECT_EQ(out, expected);
}

TEST(StatusDisplay, ExemptSlotsScannedWhateverTheCountAndUnknownPolicy) {
    bridge_status st = empty();
    st.exempt_count = 1;
    st.exempt[3] = 0x809B;
    st.exempt[31] = 0x1234;
    st.policy = 7;
    std::string out = render(print_bridge_status, st);
    EXPECT_NE(out.find("Policy                  Unknown (7)\n"), std::string::npos);
    EXPECT_NE(out.find("exempt protocols        1 (ATALK 0x1234 )\n"), std::string::npos);
    // A count without entries still gets its parentheses.
    st = empty();
    st.exempt_count = 3;
    EXPECT_NE(render(print_bridge_status, st).find("exempt protocols        3 ()\n"), std::string::npos);
}

TEST(ProtocolStats, NoDataSomeDataAndAFullTable) {
    bridge_status st = empty();
    EXPECT_EQ(render(print_protocol_stats, st),
              "Protocol statistics are DISABLED\nNo protocol data has been gathered by the kernel\n");

    st.flags = kBridgeStats;
    st.stat_protocols[0] = 0x0800;
    st.stat_counts[0] = 1520;
    st.stat_protocols[1] = 0x88cc;
    st.stat_counts[1] = 0x80000000u;
    st.stat_protocols[3] = 0x0806;  // after the first 0: not shown
    EXPECT_EQ(render(print_protocol_stats, st),
              "Protocol statistics are ENABLED\n"
              "Protocol Number of Packets encountered\n"
              "--------------------------------------\n"
              "IP 1520\n"
              "0x88CC -2147483648\n");

    st = empty();
    std::string expected =
        "Protocol statistics are DISABLED\n"
        "Protocol Number of Packets encountered\n"
        "--------------------------------------\n";
    for (int i = 0; i < kStatSlots; ++i) {
        st.stat_protocols[i] = static_cast<uint16_t>(0x9000 + i);
        st.stat_counts[i] = i;
        char line[32];
        std::snprintf(line, sizeof line, "0x%04X %d\n", 0x9000 + i, i);
        expected += line;
    }
    expected += "Warning: Protocol table too short. Possibly not all protocols listed!n";
    EXPECT_EQ(render(print_protocol_stats, st), expected);
}

}  // namespace
