// pktcount: packet and error counts of eth0, eth1 or ppp0, relative to the
// point set by a clear. ppp0 starts from zero with every connection, so a
// save at the end of each one folds its counts into the saved values.
// Every path ends with status 0; callers read the output.
#include <cstdio>
#include <cstring>

#include "counters.h"
#include "netdev.h"
#include "program.h"

namespace {

enum class Mode { display, clear, save };

int usage(const char* prog) {
    std::printf("usage: %s target [-c|-s]\n", prog);
    return 0;
}

void print_counters(const Counters& c) {
    std::printf("%d %d %d %d\n", static_cast<std::int32_t>(c.tx), static_cast<std::int32_t>(c.tx_err),
                static_cast<std::int32_t>(c.rx), static_cast<std::int32_t>(c.rx_err));
}

// Field by field, in wrapping 32-bit arithmetic.
template <typename Op>
Counters combine(const Counters& a, const Counters& b, Op op) {
    return {op(a.tx, b.tx), op(a.tx_err, b.tx_err), op(a.rx, b.rx), op(a.rx_err, b.rx_err)};
}
constexpr auto plus = [](std::uint32_t a, std::uint32_t b) { return a + b; };
constexpr auto minus = [](std::uint32_t a, std::uint32_t b) { return a - b; };

void save_or_complain(const SavedCounters& saved) {
    if (write_counter_file(saved) != 0) report_cant_open(kCounterFile);
}

}  // namespace

int main(int argc, char** argv) {
    const char* prog = program_name(argv, "pktcount");
    if (argc < 2) return usage(prog);

    const int iface = iface_index(argv[1]);
    if (iface < 0) {
        std::printf("not support interface %s\n", argv[1]);  // sic
        return 0;
    }
    Mode mode = Mode::display;
    if (argc > 2) {
        if (std::strcmp(argv[2], "-c") == 0) {
            mode = Mode::clear;
        } else if (std::strcmp(argv[2], "-s") == 0) {
            if (iface != kPpp0) return usage(prog);
            mode = Mode::save;
        }
    }

    SavedCounters all;
    switch (read_counter_file(all)) {
        case CounterRead::ok:
            break;
        case CounterRead::cant_open:
            report_cant_open(kCounterFile);
            break;
        case CounterRead::read_error:
            // Neither a display nor a new file can be made from part of it.
            std::fprintf(stderr, "can't read %s\n", kCounterFile);
            return 0;
    }
    Counters current;
    if (read_interface_counters(kIfaceNames[iface], current) != 0) report_cant_open(kNetDev);

    Counters& saved = all.iface[iface];
    switch (mode) {
        case Mode::display:
            print_counters(iface == kPpp0 ? combine(saved, current, plus) : combine(current, saved, minus));
            break;
        case Mode::clear:
            // ppp0's saved values hold what the display adds to the running
            // connection, so clearing it takes that connection's counts away.
            saved = iface == kPpp0 ? combine(Counters{}, current, minus) : current;
            save_or_complain(all);
            break;
        case Mode::save:
            saved = combine(saved, current, plus);
            save_or_complain(all);
            break;
    }
    return 0;
}
