#include "platform/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ostream>

namespace tvx {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only what a handler may touch: a lock-free number and a descriptor.
std::atomic<int> gReceived{0};
std::atomic<int> gWakeWrite{-1};
int gWakeRead = -1;
// The handlers found, put back at the end; one StopSignals at a time.
struct sigaction gPrevious[3] = {};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int signal)
{
    int none = 0;
    if (!gReceived.compare_exchange_strong(none, signal)) {
        // Asked again while tearing down: end now, as the signal would have.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gWakeWrite.load(), &byte, 1);
    errno = savedErrno;
}

const char *SignalName(int signal)
{
    switch (signal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace

StopSignals::StopSignals()
{
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        gWakeRead = wake[0];
        gWakeWrite = wake[1];
    }
    gReceived = 0;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    // Restarted calls: libusb, udev and the toolkit need not see EINTR.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // One ignored when the program started (nohup, a background job)
        // stays ignored, as its starter wanted.
        sigaction(kSignals[i], nullptr, &gPrevious[i]);
        if (gPrevious[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    const int write = gWakeWrite.exchange(-1);
    if (write >= 0)
        ::close(write);
    if (gWakeRead >= 0)
        ::close(gWakeRead);
    gWakeRead = -1;
}

int StopSignals::Received() const
{
    return gReceived.load();
}

int StopSignals::WakeDescriptor() const
{
    return gWakeRead;
}

void StopSignals::Drain() const
{
    char bytes[16];
    while (gWakeRead >= 0 && ::read(gWakeRead, bytes, sizeof bytes) > 0) {
    }
}

void StopSignals::Report(std::ostream &err, const char *program) const
{
    err << program << ": stopped by " << SignalName(Received()) << "\n";
}

} // namespace tvx
