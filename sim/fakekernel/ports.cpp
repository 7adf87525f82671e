// The chipset ports. ioperm is always answered here, never by the
// machine's kernel, so no program in the appliance can reach a real port.
// Once a port is granted, the in/out instructions on it fault (the process
// has no real permission) and the SIGSEGV handler below carries them out
// on a simulated chipset: an index register at 0x22 and a data register at
// 0x23. Register 0xA6 shows the two DIP switch lines in bits 0 and 1 (a
// line reads 0 when its switch is on) once register 0x38 is 0x5F.
// The switches are set in /sim/fk/switches: "S0 S1", each 0 or 1 (the
// dipswitch tool writes it). /sim/fk/refuse/ioperm makes ioperm fail.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

#include "fk.h"

namespace {

constexpr unsigned kPorts = 0x10000;
constexpr const char* kSwitches = "/sim/fk/switches";
constexpr uint8_t kIndexPort = 0x22, kDataPort = 0x23;
constexpr uint8_t kLineSetupRegister = 0x38, kLineSetupValue = 0x5F, kLineRegister = 0xA6;

uint8_t granted[kPorts / 8];
uint8_t chipset_index;
uint8_t chipset_registers[256];
bool registers_ready;
struct sigaction previous_segv;
bool handler_installed;

bool is_granted(unsigned port) { return port < kPorts && (granted[port / 8] >> (port % 8)) & 1; }

// Bit s set when switch s is on.
unsigned switches_on() {
    using Fn = int (*)(const char*, int, ...);
    static Fn real_open = reinterpret_cast<Fn>(fk::real("open"));
    char text[16] = {0};
    int fd = real_open(kSwitches, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    unsigned s0 = 0, s1 = 0;
    if (n > 0) std::sscanf(text, "%u %u", &s0, &s1);
    return (s0 ? 1u : 0u) | (s1 ? 2u : 0u);
}

uint8_t chipset_in(unsigned port) {
    if (!registers_ready) {
        std::memset(chipset_registers, 0xFF, sizeof chipset_registers);
        registers_ready = true;
    }
    uint8_t value = 0xFF;  // nothing answers on other ports
    if (port == kIndexPort) {
        value = chipset_index;
    } else if (port == kDataPort) {
        value = chipset_registers[chipset_index];
        if (chipset_index == kLineRegister && chipset_registers[kLineSetupRegister] == kLineSetupValue)
            value = static_cast<uint8_t>(0xFC | (~switches_on() & 3));
    }
    fk::log("port in 0x%02x 0x%02x", port, value);
    return value;
}

void chipset_out(unsigned port, uint8_t value) {
    if (!registers_ready) {
        std::memset(chipset_registers, 0xFF, sizeof chipset_registers);
        registers_ready = true;
    }
    fk::log("port out 0x%02x 0x%02x", port, value);
    if (port == kIndexPort)
        chipset_index = value;
    else if (port == kDataPort && chipset_index != kLineRegister)
        chipset_registers[chipset_index] = value;
}

// The byte forms of in and out: E4 ib (in al, imm8), E6 ib (out imm8, al),
// EC (in al, dx), EE (out dx, al), the same in 32-bit and 64-bit code.
// Anything else is a real fault. Under qemu-user (the i386 programs) every
// in and out faults this way, and the registers set here take effect too.
#if defined(__x86_64__)
constexpr int kIp = REG_RIP, kAx = REG_RAX, kDx = REG_RDX;
#elif defined(__i386__)
constexpr int kIp = REG_EIP, kAx = REG_EAX, kDx = REG_EDX;
#endif

bool emulate(ucontext_t* uc) {
    greg_t* regs = uc->uc_mcontext.gregs;
    const uint8_t* code = reinterpret_cast<const uint8_t*>(regs[kIp]);
    unsigned port;
    unsigned length;
    bool input;
    switch (code[0]) {
        case 0xE4: port = code[1], length = 2, input = true; break;
        case 0xE6: port = code[1], length = 2, input = false; break;
        case 0xEC: port = regs[kDx] & 0xFFFF, length = 1, input = true; break;
        case 0xEE: port = regs[kDx] & 0xFFFF, length = 1, input = false; break;
        default: return false;
    }
    if (!is_granted(port)) return false;
    if (input)
        regs[kAx] = (regs[kAx] & ~static_cast<greg_t>(0xFF)) | chipset_in(port);
    else
        chipset_out(port, static_cast<uint8_t>(regs[kAx]));
    regs[kIp] += length;
    return true;
}

void on_segv(int sig, siginfo_t* info, void* context) {
    // A port instruction without permission is a general protection fault,
    // which the kernel reports as SI_KERNEL; page faults are not ours.
    if (info->si_code == SI_KERNEL && emulate(static_cast<ucontext_t*>(context))) return;
    if (previous_segv.sa_flags & SA_SIGINFO) {
        previous_segv.sa_sigaction(sig, info, context);
    } else if (previous_segv.sa_handler != SIG_DFL && previous_segv.sa_handler != SIG_IGN) {
        previous_segv.sa_handler(sig);
    } else {
        signal(SIGSEGV, SIG_DFL);  // the instruction faults again and ends the process
    }
}

int answer_ioperm(unsigned long from, unsigned long num, int on) {
    if (fk::refused("ioperm")) {
        fk::log("ioperm 0x%lx %lu %d refused", from, num, on);
        return -1;
    }
    if (from >= kPorts || num > kPorts - from) {
        errno = EINVAL;
        return -1;
    }
    fk::log("ioperm 0x%lx %lu %d", from, num, on);
    for (unsigned long p = from; p < from + num; ++p) {
        if (on)
            granted[p / 8] |= static_cast<uint8_t>(1u << (p % 8));
        else
            granted[p / 8] &= static_cast<uint8_t>(~(1u << (p % 8)));
    }
    if (on && !handler_installed) {
        struct sigaction sa = {};
        sa.sa_sigaction = on_segv;
        sa.sa_flags = SA_SIGINFO;
        sigemptyset(&sa.sa_mask);
        handler_installed = sigaction(SIGSEGV, &sa, &previous_segv) == 0;
    }
    return 0;
}

fk::IopermHook hook{answer_ioperm};

}  // namespace
