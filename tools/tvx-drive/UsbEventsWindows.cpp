#include "tools/tvx-drive/UsbEvents.h"

#include "platform/windows/UsbEventWindow.h"

namespace tvx::drive {

struct UsbEvents::Source {
    UsbEventWindow window;
};

UsbEvents::UsbEvents(int &, char **) : source_(std::make_unique<Source>()) {}

UsbEvents::~UsbEvents() = default;

const char *UsbEvents::Unavailable() const
{
    return source_->window.IsActive() ? nullptr : "Windows refused the device announcements";
}

void UsbEvents::Deliver()
{
    source_->window.Deliver();
}

} // namespace tvx::drive
