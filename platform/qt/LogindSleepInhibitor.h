// The sleep lock from systemd-logind over the system bus: an inhibitor lock
// on sleep, shutdown and idle in "block" mode, held for as long as the file
// descriptor logind hands out stays open.
#pragma once

#include <QDBusUnixFileDescriptor>

#include "platform/SleepInhibitor.h"

namespace tvx {

class LogindSleepInhibitor final : public SleepInhibitor {
public:
    LogindSleepInhibitor() = default;
    ~LogindSleepInhibitor() override = default; // the descriptor closes with it
    LogindSleepInhibitor(const LogindSleepInhibitor &) = delete;
    LogindSleepInhibitor &operator=(const LogindSleepInhibitor &) = delete;

    bool Hold(const std::string &why) override;
    void Release() override;
    bool Held() const { return lock_.isValid(); }

private:
    // Says once on stderr that the computer is not kept awake, and why.
    void WarnUnavailable(const QString &reason);

    QDBusUnixFileDescriptor lock_;
    bool warned_ = false;
};

} // namespace tvx
