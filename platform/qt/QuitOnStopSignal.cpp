#include "platform/qt/QuitOnStopSignal.h"

#include <QCoreApplication>

#include <iostream>

namespace tvx {

QuitOnStopSignal::QuitOnStopSignal(const StopSignals &stopSignals, const char *program)
    : signals_(stopSignals), program_(program), notifier_(stopSignals.WakeDescriptor(), QSocketNotifier::Read)
{
    connect(&notifier_, &QSocketNotifier::activated, this, &QuitOnStopSignal::OnWake);
}

void QuitOnStopSignal::OnWake()
{
    signals_.Drain();
    notifier_.setEnabled(false);
    signals_.Report(std::cerr, program_);
    // Every event loop of this thread returns, and any opened later returns
    // at once, so the dialog's own code unwinds to main.
    QCoreApplication::exit(signals_.ExitStatus());
}

} // namespace tvx
