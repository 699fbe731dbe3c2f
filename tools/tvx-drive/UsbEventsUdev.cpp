#include "tools/tvx-drive/UsbEvents.h"

#include <QCoreApplication>

#include "platform/qt/UdevMonitor.h"

namespace tvx::drive {

struct UsbEvents::Source {
    Source(int &argc, char **argv) : application(argc, argv) {}
    QCoreApplication application; // the loop the monitor's notifier needs
    UdevMonitor monitor;
};

UsbEvents::UsbEvents(int &argc, char **argv) : source_(std::make_unique<Source>(argc, argv)) {}

UsbEvents::~UsbEvents() = default;

const char *UsbEvents::Unavailable() const
{
    return source_->monitor.IsActive() ? nullptr : "udev cannot be reached";
}

void UsbEvents::Deliver()
{
    QCoreApplication::processEvents();
}

} // namespace tvx::drive
