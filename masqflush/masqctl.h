// The kernel's masquerading control: a raw IP socket and a socket option
// that takes a 296-byte control record.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kMasqControlOption = 76;  // at level IPPROTO_IP
constexpr std::uint32_t kMasqTarget = 3;
constexpr std::uint32_t kMasqDelete = 4;

// Native byte order, except addresses and ports, which are in network order.
struct MasqControl {
    std::uint32_t target;
    std::uint32_t command;
    char name[32];
    std::uint32_t protocol;
    std::uint16_t sport;
    std::uint16_t dport;
    std::uint16_t mport;
    std::uint16_t unused;
    std::uint32_t saddr;
    std::uint32_t daddr;
    std::uint32_t maddr;
    std::uint8_t reserved[232];
};
static_assert(sizeof(MasqControl) == 296);
static_assert(offsetof(MasqControl, command) == 4);
static_assert(offsetof(MasqControl, name) == 8);
static_assert(offsetof(MasqControl, protocol) == 40);
static_assert(offsetof(MasqControl, sport) == 44);
static_assert(offsetof(MasqControl, dport) == 46);
static_assert(offsetof(MasqControl, mport) == 48);
static_assert(offsetof(MasqControl, saddr) == 52);
static_assert(offsetof(MasqControl, daddr) == 56);
static_assert(offsetof(MasqControl, maddr) == 60);
static_assert(offsetof(MasqControl, reserved) == 64);

// The raw socket the control option is set on; -1 (errno set) on failure.
int open_masq_socket();

// Asks the kernel to carry out `rec`. Returns 0 on success, -1 (errno set).
int send_masq_control(int sock, const MasqControl& rec);
