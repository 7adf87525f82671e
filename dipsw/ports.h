// The chipset's configuration registers behind ports 0x22 (index) and
// 0x23 (data), where the switch lines are read.
#pragma once

// Returns the switch status (0 to 3), or -1 when port access is refused.
int dipsw_read();
