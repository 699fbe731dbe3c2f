// Sleeps of this thread that end close to their deadline: a download waits
// out thousands of short poll timeouts, and every late wake-up adds to the
// upgrade's time. Linux cuts the thread's timer slack to 1 us; Windows raises
// the system timer to 1 ms from its default of about 15.6 ms.
#pragma once

namespace tvxdfu::usb {

// Once per thread; later calls do nothing.
void AskFineTimer();

} // namespace tvxdfu::usb
