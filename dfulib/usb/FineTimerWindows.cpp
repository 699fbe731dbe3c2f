#include "dfulib/usb/FineTimer.h"

#include <windows.h>
#include <timeapi.h>

namespace tvxdfu::usb {

// The resolution is the system's, not the thread's, and stays raised until
// the process ends, when Windows puts it back.
void AskFineTimer()
{
    static const bool raised = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)raised;
}

} // namespace tvxdfu::usb
