#include "commands.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "bridge.h"
#include "display.h"
#include "number.h"
#include "protocols.h"

namespace {

// The character at `pos`, or '\0' when the word is shorter.
char char_at(const char* word, int pos) {
    for (int i = 0; i < pos; ++i)
        if (word[i] == '\0') return '\0';
    return word[pos];
}

// A selection rule: the first character, then one further character at a
// fixed position (kAny: none). kTwoOn tests the word two places on instead.
constexpr int kAny = -1;
constexpr int kTwoOn = -2;

struct Rule {
    char first;
    int pos;
    char at;
    Command cmd;
};

constexpr Rule kRules[] = {
    {'d', kAny, 0, Command::debug},
    {'e', kAny, 0, Command::exempt},
    {'h', kAny, 0, Command::help},
    {'l', kAny, 0, Command::list},
    {'p', 2, 'l', Command::policy},
    {'p', 1, 'a', Command::path_cost},
    {'p', 1, 'r', Command::priority},
    {'p', kTwoOn, 'p', Command::port_priority},
    {'p', kAny, 0, Command::port},
    {'s', 3, 'r', Command::start},
    {'s', 2, 'o', Command::stop},
    {'s', 3, 't', Command::statistics},
    {'s', kAny, 0, Command::status},
};

// Argument words a command cannot do without.
struct Needs {
    Command cmd;
    int words;
    const char* name;
};

constexpr Needs kNeeds[] = {
    {Command::debug, 1, "debug"},
    {Command::policy, 1, "policy"},
    {Command::path_cost, 2, "pathcost"},
    {Command::priority, 1, "priority"},
    {Command::port_priority, 3, "port"},
    {Command::port, 2, "port"},
};

constexpr const char* kUsage[] = {
    "lanbind - Bridge Configuration tool v0.2",
    "--------------------------------------",
    "lanbind sta[rt]\t\t\t\tStart Bridge",
    "lanbind sto[p]\t\t\t\tStop Bridge",
    "lanbind p[ort] x e[nable]\t\t\tEnable a port",
    "lanbind p[ort] x d[isable]\t\tDisable a port",
    "lanbind p[ort] x p[riority] y\t\tSet the priority of a port",
    "lanbind pr[iority] y\t\t\tSet bridge priority",
    "lanbind pa[thcost] y\t\t\tSet the pathcosts",
    "lanbind d[ebug] on/off\t\t\tSwitch debugging on/off",
    "lanbind d[ebug] stpon/stpoff\t\tSwitch STP on/off",
    "lanbind pol[icy] r[eject]/a[ccept]\tSwitch the policy/flush protocol list",
    "lanbind e[xempt] <protocol> ..\t\tSet list of exempt protocols",
    "lanbind l[ist]\t\t\t\tList available protocols",
    "lanbind stat[s] z[ero]\t\t\tReset Statistics counters",
    "lanbind stat[s] d[isable]\t\tSwitch protocol statistics off",
    "lanbind stat[s] e[nable]\t\t\tSwitch keeping protocol statistics on",
    "lanbind stat[s] s[how]\t\t\tShow protocol statistics",
    "lanbind statu[s]\t\t\t\tShow bridge status",
    "Examples:",
    "---------",
    "lanbind start exempt atalk aarp\t\tBridge start dont do LocalTalk bridging",
    "lanbind stop\t\t\t\tBridge stop",
};

constexpr int kFail = -1;

// A request and, when the kernel took it, its message.
int request(int sock, uint32_t command, uint32_t value1, uint32_t value2, const char* message) {
    if (send_bridge_request(sock, command, value1, value2) < 0) return kFail;
    std::fputs(message, stdout);
    return 0;
}

int port_command(int sock, char* const* args) {
    int x = to_int(args[0]);
    switch (args[1][0]) {
    case 'e':
        if (send_bridge_request(sock, kCmdPortEnable, x, 0) < 0) return kFail;
        std::printf("Enable Port %d\n", x);
        return 0;
    case 'd':
        if (send_bridge_request(sock, kCmdPortDisable, x, 0) < 0) return kFail;
        std::printf("Disable Port %d\n", x);
        return 0;
    default:
        // Not an error: the line goes on.
        std::fputs("Port option can only be enable or disable", stdout);
        return 0;
    }
}

int debug_command(int sock, const char* word) {
    bridge_status st;
    if (read_bridge_status(sock, &st) < 0) {
        std::fputs("Kernel Bridge Module missing.\n", stdout);
        return kFail;
    }
    // The kernel only toggles the spanning tree, so ask it only for a change.
    bool stp_off = st.flags & kBridgeStpOff;
    if (strcasecmp(word, "on") == 0) return request(sock, kCmdDebugOn, 0, 0, "Debug on.\n");
    if (strcasecmp(word, "off") == 0) return request(sock, kCmdDebugOff, 0, 0, "Debug off.\n");
    if (strcasecmp(word, "stpon") == 0) {
        if (stp_off) return request(sock, kCmdToggleStp, 0, 0, "Spanning tree protocol on.\n");
        std::fputs("Already Spanning tree protocol on.\n", stdout);
        return 0;
    }
    if (strcasecmp(word, "stpoff") == 0) {
        if (!stp_off) return request(sock, kCmdToggleStp, 0, 0, "Spanning tree protocol off.\n");
        std::fputs("Already Spanning tree protocol off.\n", stdout);
        return 0;
    }
    std::fputs("Debug mode can only be on or off!", stdout);
    return kFail;
}

int policy_command(int sock, const char* word) {
    switch (word[0]) {
    case 'a':
        return request(sock, kCmdPolicy, 1, 0, "Policy accept all protocols.\n");
    case 'r':
        return request(sock, kCmdPolicy, 0, 0, "Policy reject all protocols.\n");
    default:
        std::fputs("Policy must be either accept or deny.\n", stdout);
        return kFail;
    }
}

int exempt_command(int sock, int count, char* const* names) {
    for (int i = 0; i < count; ++i) {
        const Protocol* p = find_protocol(names[i]);
        if (!p) {
            std::printf("Protocol to be exempted %s not in protocol list\n(See /usr/include/net/if_ether.h)\n",
                        names[i]);
            return kFail;
        }
        if (send_bridge_request(sock, kCmdExempt, p->number, 0) < 0) return kFail;
        std::printf("Exempt protocol %s.\n", p->name);
    }
    return 0;
}

int statistics_command(int sock, const char* word) {
    switch (word[0]) {
    case 'e':
        return request(sock, kCmdStatsEnable, 0, 0, "Protocol Statistics enabled\n");
    case 'd':
        return request(sock, kCmdStatsDisable, 0, 0, "Protocol Statistics disabled\n");
    case 'z':
        return request(sock, kCmdStatsZero, 0, 0, "Protocol Statistics counters reset.\n");
    case 's':
        return show_protocol_stats(sock);
    default:
        std::fputs("stat argument must be enable,disable,zero or show\n", stdout);
        return kFail;
    }
}

// Runs one command with the `count` words after it; `taken` is how many
// of them it used.
int run_command(int sock, Command cmd, const char* word, int count, char* const* args, int* taken) {
    *taken = 0;
    for (const Needs& n : kNeeds) {
        if (n.cmd != cmd) continue;
        if (count < n.words) {
            std::printf("Missing argument for %s\n", n.name);
            return kFail;
        }
        *taken = n.words;
    }
    switch (cmd) {
    case Command::debug:
        return debug_command(sock, args[0]);
    case Command::exempt:
        *taken = count;
        return exempt_command(sock, count, args);
    case Command::help:
        for (const char* line : kUsage) std::puts(line);
        return 0;
    case Command::list:
        list_protocols(stdout);
        return 0;
    case Command::policy:
        return policy_command(sock, args[0]);
    case Command::path_cost: {
        int x = to_int(args[0]), y = to_int(args[1]);
        if (send_bridge_request(sock, kCmdPathCost, x, y) < 0) return kFail;
        std::printf("Pathcost for port %d set to %d", x, y);
        return 0;
    }
    case Command::priority: {
        int y = to_int(args[0]);
        if (send_bridge_request(sock, kCmdPriority, y, 0) < 0) return kFail;
        std::printf("Bridge priority set to %d\n", y);
        return 0;
    }
    case Command::port_priority: {
        int x = to_int(args[0]), y = to_int(args[2]);
        if (send_bridge_request(sock, kCmdPortPriority, x, y) < 0) return kFail;
        std::printf("Port Priority for port %d set to %d\n", x, y);
        return 0;
    }
    case Command::port:
        return port_command(sock, args);
    case Command::start:
        return request(sock, kCmdStart, 0, 0, "Bridge started.\n");
    case Command::stop:
        return request(sock, kCmdStop, 0, 0, "Bridge stopped.\n");
    case Command::statistics:
        *taken = count > 0 ? 1 : 0;
        return statistics_command(sock, count > 0 ? args[0] : "show");
    case Command::status:
        return show_bridge_status(sock);
    case Command::unknown:
        break;
    }
    std::printf("Unknown option %s\n", word);
    return kFail;
}

}  // namespace

const char* strip_word(const char* word) {
    while (*word == '-' || *word == '/') ++word;
    return word;
}

Command select_command(const char* word, const char* two_on) {
    for (const Rule& r : kRules) {
        if (word[0] != r.first) continue;
        if (r.pos == kAny) return r.cmd;
        if (r.pos == kTwoOn) {
            if (two_on && two_on[0] == r.at) return r.cmd;
            continue;
        }
        if (char_at(word, r.pos) == r.at) return r.cmd;
    }
    return Command::unknown;
}

int run_commands(int sock, int count, char* const* words) {
    int i = 0;
    while (i < count) {
        const char* word = strip_word(words[i]);
        Command cmd = select_command(word, i + 2 < count ? words[i + 2] : nullptr);
        int taken = 0;
        if (run_command(sock, cmd, word, count - i - 1, words + i + 1, &taken) < 0) return 1;
        i += 1 + taken;
    }
    return 0;
}
