// The only place where dipsw touches I/O ports.
#include "ports.h"

#include <cstdint>
#include <sys/io.h>

#include "switches.h"

namespace {

constexpr uint16_t kIndexPort = 0x22;
constexpr uint16_t kDataPort = 0x23;
constexpr uint8_t kLineSetupRegister = 0x38, kLineSetupValue = 0x5F;
constexpr uint8_t kLineRegister = 0xA6;

inline void port_write(uint16_t port, uint8_t value) { asm volatile("outb %0, %1" : : "a"(value), "Nd"(port)); }

inline uint8_t port_read(uint16_t port) {
    uint8_t value;
    asm volatile("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

void write_register(uint8_t reg, uint8_t value) {
    port_write(kIndexPort, reg);
    port_write(kDataPort, value);
}

uint8_t read_register(uint8_t reg) {
    port_write(kIndexPort, reg);
    return port_read(kDataPort);
}

}  // namespace

int dipsw_read() {
    if (ioperm(kIndexPort, 1, 1) != 0 || ioperm(kDataPort, 1, 1) != 0) return -1;
    write_register(kLineSetupRegister, kLineSetupValue);
    return switch_status(read_register(kLineRegister));
}
