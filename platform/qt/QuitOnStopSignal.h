// Ends the program's event loops, the wizard's modal ones included, when a
// stop signal arrives: the window does not take Close during a part, so this
// is how a part ends at logout or from a service manager with the library's
// teardown run. The program then returns the signal's exit status.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "platform/StopSignals.h"

namespace tvx {

class QuitOnStopSignal : public QObject {
public:
    // `stopSignals` must have been installed before, and outlive this; `program`
    // names the program in the line on standard error.
    QuitOnStopSignal(const StopSignals &stopSignals, const char *program);

private:
    void OnWake();

    const StopSignals &signals_;
    const char *program_;
    QSocketNotifier notifier_;
};

} // namespace tvx
