#include "dfulib/usb/FineTimer.h"

#include <sys/prctl.h>

namespace tvxdfu::usb {

void AskFineTimer()
{
    thread_local const bool tightened = ::prctl(PR_SET_TIMERSLACK, 1000UL) == 0;
    (void)tightened;
}

} // namespace tvxdfu::usb
