// How long the host waits for what a device announces as bwPollTimeout.
// Most devices announce the time their flash needs, and that is waited; the
// table in PollTimeoutQuirks.cpp, the one place for such rules, lists the
// values loaders are known to send instead, each with the wait that keeps an
// upgrade moving and the reason.
#pragma once

#include <cstdint>

#include "dfulib/usb/Pacer.h"

namespace tvxdfu::usb {

// The wait before the next request after a GETSTATUS answer announcing
// `announcedMs`.
Micros PollWait(uint32_t announcedMs);

} // namespace tvxdfu::usb
