// The only place where wlancard meets the card driver.
#include "radio.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include "owned.h"

namespace {
constexpr const char* kRadioDevice = "/dev/radio_cs";
constexpr unsigned long kRequestBase = 0x6C00;  // _IO('l', 0)
}  // namespace

int radio_request(RadioRecord& record, int index) {
    Fd dev(open(kRadioDevice, O_RDONLY));
    if (!dev) return -1;
    int rc = ioctl(dev.get(), kRequestBase + static_cast<unsigned long>(index), &record);
    return rc == 0 ? 0 : -1;
}
