#include "tests/support/RecordingSleepInhibitor.h"

namespace tvx {

bool RecordingSleepInhibitor::Hold(const std::string &why)
{
    if (!held_) {
        held_ = true;
        why_ = why;
        ++timesTaken_;
    }
    return true;
}

void RecordingSleepInhibitor::Release()
{
    if (held_) {
        held_ = false;
        ++timesReleased_;
    }
}

} // namespace tvx
