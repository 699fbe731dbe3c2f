#include "dfulib/usb/PollTimeoutQuirks.h"

namespace tvxdfu::usb {
namespace {

struct PollTimeoutQuirk {
    uint32_t fromMs; // an announced value from this
    uint32_t toMs;   // up to this, inclusive,
    uint32_t waitMs; // is waited as this
    const char *reason;
};

// First match counts. A device still busy after the wait answers dfuDNBUSY
// or dfuMANIFEST again with a new time, and one that stalls the early
// request is asked again a few times (DfuEngine): a wait too short costs a
// few requests more, one too long can hold an upgrade up for hours.
constexpr PollTimeoutQuirk kPollTimeoutQuirks[] = {
    {0xFFFFFF, 0xFFFFFF, 5,
     "all 24 bits set: the loader never fills the field in (erased or "
     "uninitialised memory); dfu-util (src/quirks.c, QUIRK_POLLTIMEOUT) and "
     "fwupd (plugins/dfu, the ignore-polltimeout flag) poll such devices "
     "after 5 ms"},
    {120001, 0xFFFFFE, 10000,
     "over two minutes for one block or for the manifestation is no flash's "
     "time but a wrong unit or byte order in the field, as the devices "
     "dfu-util's QUIRK_POLLTIMEOUT lists send; asked again every 10 s, "
     "within the ten minutes one step may take"},
};

} // namespace

Micros PollWait(uint32_t announcedMs)
{
    for (const PollTimeoutQuirk &quirk : kPollTimeoutQuirks) {
        if (announcedMs >= quirk.fromMs && announcedMs <= quirk.toMs)
            return std::chrono::milliseconds(quirk.waitMs);
    }
    return std::chrono::milliseconds(announcedMs);
}

} // namespace tvxdfu::usb
