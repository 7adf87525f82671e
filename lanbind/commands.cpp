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

// The help text around the commands' own lines (in their rows below).
constexpr const char* kHelpHead =
    "lanbind - Bridge Configuration tool v0.2\n"
    "--------------------------------------";
constexpr const char* kHelpTail =
    "Examples:\n"
    "---------\n"
    "lanbind start exempt atalk aarp\t\tBridge start dont do LocalTalk bridging\n"  // sic: dont
    "lanbind stop\t\t\t\tBridge stop";


constexpr int kFail = -1;

// Sends one request; on success prints `message` with x and y.
int request(int sock, uint32_t code, int x, int y, const char* message) {
    if (send_bridge_request(sock, code, x, y) < 0) return kFail;
    std::printf(message, x, y);
    return 0;
}

// The row's own request: x is the first argument word and y the last (port
// priority's middle word only selected the command), 0 where there is none.
int send_numbers(const Call& c) {
    int x = c.count > 0 ? to_int(c.args[0]) : 0;
    int y = c.count > 1 ? to_int(c.args[c.count - 1]) : 0;
    return request(c.sock, c.row.code, x, y, c.row.message);
}

int port_command(const Call& c) {
    int x = to_int(c.args[0]);
    switch (c.args[1][0]) {
    case 'e':
        return request(c.sock, kCmdPortEnable, x, 0, "Enable Port %d\n");
    case 'd':
        return request(c.sock, kCmdPortDisable, x, 0, "Disable Port %d\n");
    default:
        // Not an error: the line goes on.
        std::fputs("Port option can only be enable or disable", stdout);  // sic: no line end
        return 0;
    }
}

int debug_command(const Call& c) {
    const char* word = c.args[0];
    bridge_status st;
    if (read_bridge_status(c.sock, &st) < 0) return kFail;
    // The kernel only toggles the spanning tree, so ask it only for a change.
    bool stp_off = st.flags & kBridgeStpOff;
    if (strcasecmp(word, "on") == 0) return request(c.sock, kCmdDebugOn, 0, 0, "Debug on.\n");
    if (strcasecmp(word, "off") == 0) return request(c.sock, kCmdDebugOff, 0, 0, "Debug off.\n");
    if (strcasecmp(word, "stpon") == 0) {
        if (stp_off) return request(c.sock, kCmdToggleStp, 0, 0, "Spanning tree protocol on.\n");
        std::fputs("Already Spanning tree protocol on.\n", stdout);
        return 0;
    }
    if (strcasecmp(word, "stpoff") == 0) {
        if (!stp_off) return request(c.sock, kCmdToggleStp, 0, 0, "Spanning tree protocol off.\n");
        std::fputs("Already Spanning tree protocol off.\n", stdout);
        return 0;
    }
    std::fputs("Debug mode can only be on or off!", stdout);  // sic: no line end
    return kFail;
}

int policy_command(const Call& c) {
    switch (c.args[0][0]) {
    case 'a':
        return request(c.sock, c.row.code, 1, 0, "Policy accept all protocols.\n");
    case 'r':
        return request(c.sock, c.row.code, 0, 0, "Policy reject all protocols.\n");
    default:
        std::fputs("Policy must be either accept or deny.\n", stdout);  // sic: deny, for reject
        return kFail;
    }
}

int exempt_command(const Call& c) {
    for (int i = 0; i < c.count; ++i) {
        const Protocol* p = find_protocol(c.args[i]);
        if (!p) {
            std::printf("Protocol to be exempted %s not in protocol list\n(See /usr/include/net/if_ether.h)\n",
                        c.args[i]);
            return kFail;
        }
        if (send_bridge_request(c.sock, c.row.code, p->number, 0) < 0) return kFail;
        std::printf(c.row.message, p->name);
    }
    return 0;
}

int statistics_command(const Call& c) {
    switch (c.count > 0 ? c.args[0][0] : 's') {
    case 'e':
        return request(c.sock, kCmdStatsEnable, 0, 0, "Protocol Statistics enabled\n");
    case 'd':
        return request(c.sock, kCmdStatsDisable, 0, 0, "Protocol Statistics disabled\n");
    case 'z':
        return request(c.sock, kCmdStatsZero, 0, 0, "Protocol Statistics counters reset.\n");
    case 's':
        return show_protocol_stats(c.sock);
    default:
        std::fputs("stat argument must be enable,disable,zero or show\n", stdout);
        return kFail;
    }
}

int help_command(const Call&);

int list_command(const Call&) {
    list_protocols(stdout);
    return 0;
}

int status_command(const Call& c) { return show_bridge_status(c.sock); }

// The commands in the order their selection rules are tried; the first
// rule that holds decides. Below each row: its place in the help text and
// its lines there.
constexpr CommandRow kCommands[] = {
    // selection          name        words      request code      handler             printed on success
    {'d', kFirstOnly, 0,  "debug",    1,         kNoRowCode,       debug_command,      nullptr,
     7, "lanbind d[ebug] on/off\t\t\tSwitch debugging on/off\n"
        "lanbind d[ebug] stpon/stpoff\t\tSwitch STP on/off"},
    {'e', kFirstOnly, 0,  "exempt",   kRest,     kCmdExempt,       exempt_command,     "Exempt protocol %s.\n",
     9, "lanbind e[xempt] <protocol> ..\t\tSet list of exempt protocols"},
    {'h', kFirstOnly, 0,  "help",     0,         kNoRowCode,       help_command,       nullptr,
     0, nullptr},
    {'l', kFirstOnly, 0,  "list",     0,         kNoRowCode,       list_command,       nullptr,
     10, "lanbind l[ist]\t\t\t\tList available protocols"},
    {'p', 2, 'l',         "policy",   1,         kCmdPolicy,       policy_command,     nullptr,
     8, "lanbind pol[icy] r[eject]/a[ccept]\tSwitch the policy/flush protocol list"},
    // sic: the path cost message has no line end
    {'p', 1, 'a',         "pathcost", 2,         kCmdPathCost,     send_numbers,       "Pathcost for port %d set to %d",
     6, "lanbind pa[thcost] y\t\t\tSet the pathcosts"},  // sic: path cost takes x and y
    {'p', 1, 'r',         "priority", 1,         kCmdPriority,     send_numbers,       "Bridge priority set to %d\n",
     5, "lanbind pr[iority] y\t\t\tSet bridge priority"},
    {'p', kTwoOn, 'p',    "port",     3,         kCmdPortPriority, send_numbers,       "Port Priority for port %d set to %d\n",
     4, "lanbind p[ort] x p[riority] y\t\tSet the priority of a port"},
    {'p', kFirstOnly, 0,  "port",     2,         kNoRowCode,       port_command,       nullptr,
     3, "lanbind p[ort] x e[nable]\t\t\tEnable a port\n"
        "lanbind p[ort] x d[isable]\t\tDisable a port"},
    {'s', 3, 'r',         "start",    0,         kCmdStart,        send_numbers,       "Bridge started.\n",
     1, "lanbind sta[rt]\t\t\t\tStart Bridge"},
    {'s', 2, 'o',         "stop",     0,         kCmdStop,         send_numbers,       "Bridge stopped.\n",
     2, "lanbind sto[p]\t\t\t\tStop Bridge"},
    {'s', 3, 't',         "stats",    kOptional, kNoRowCode,       statistics_command, nullptr,
     11, "lanbind stat[s] z[ero]\t\t\tReset Statistics counters\n"
         "lanbind stat[s] d[isable]\t\tSwitch protocol statistics off\n"
         "lanbind stat[s] e[nable]\t\t\tSwitch keeping protocol statistics on\n"
         "lanbind stat[s] s[how]\t\t\tShow protocol statistics"},
    {'s', kFirstOnly, 0,  "status",   0,         kNoRowCode,       status_command,     nullptr,
     12, "lanbind statu[s]\t\t\t\tShow bridge status"},  // sic: statu selects the statistics
};

// The row shown at a place of the help text, or nullptr.
constexpr const CommandRow* shown_at(int place) {
    for (const CommandRow& r : kCommands)
        if (r.help_place == place) return &r;
    return nullptr;
}

// The help places run 1, 2, ... without a gap or a place held twice, and
// a row has lines exactly when it has a place.
constexpr bool help_places_whole() {
    int shown = 0;
    for (const CommandRow& r : kCommands) {
        if ((r.help_place > 0) != (r.help_lines != nullptr)) return false;
        if (r.help_place > 0) ++shown;
    }
    for (int place = 1; place <= shown; ++place) {
        int rows = 0;
        for (const CommandRow& r : kCommands) rows += r.help_place == place;
        if (rows != 1) return false;
    }
    return true;
}
static_assert(help_places_whole(), "every help place from 1 up held by one row");

int help_command(const Call&) {
    std::puts(kHelpHead);
    for (int place = 1; const CommandRow* row = shown_at(place); ++place) std::puts(row->help_lines);
    std::puts(kHelpTail);
    return 0;
}

}  // namespace

const char* strip_word(const char* word) {
    while (*word == '-' || *word == '/') ++word;
    return word;
}

const CommandRow* select_command(const char* word, const char* two_on) {
    for (const CommandRow& r : kCommands) {
        if (word[0] != r.first) continue;
        if (r.pos == kFirstOnly) return &r;
        const char* tested = r.pos == kTwoOn ? two_on : word;
        if (tested && char_at(tested, r.pos == kTwoOn ? 0 : r.pos) == r.at) return &r;
    }
    return nullptr;
}

int run_commands(int sock, int count, char* const* words) {
    for (int i = 0; i < count;) {
        const char* word = strip_word(words[i]);
        const CommandRow* row = select_command(word, i + 2 < count ? words[i + 2] : nullptr);
        if (!row) {
            std::printf("Unknown option %s\n", word);
            return 1;
        }
        int left = count - i - 1;
        int taken = row->words == kRest ? left : row->words == kOptional ? (left > 0 ? 1 : 0) : row->words;
        if (taken > left) {
            std::printf("Missing argument for %s\n", row->name);
            return 1;
        }
        if (row->run(Call{sock, *row, taken, words + i + 1}) < 0) return 1;
        i += 1 + taken;
    }
    return 0;
}
