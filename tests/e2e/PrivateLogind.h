// A system bus of the test's own with a mocked logind on it: a dbus-daemon
// started for the test process, whose address becomes DBUS_SYSTEM_BUS_ADDRESS
// before anything connects, and the logind mock started and stopped on it.
#pragma once

#include <QProcess>
#include <QString>

#include <string>
#include <vector>

class PrivateLogind {
public:
    // Starts the bus; the mock is started by Start().
    PrivateLogind();
    ~PrivateLogind();
    PrivateLogind(const PrivateLogind &) = delete;
    PrivateLogind &operator=(const PrivateLogind &) = delete;

    bool BusRunning() const { return !address_.isEmpty(); }
    // Starts the mock and waits until it owns logind's name; false when it
    // does not get there.
    bool Start();
    void Stop();

    struct Inhibitor {
        std::string what, who, why, mode;
    };
    // The locks logind holds now.
    std::vector<Inhibitor> Inhibitors() const;
    // Waits until logind has noticed that every lock was closed (it learns it
    // from the closed descriptor, after the call that closed it has returned);
    // false when some lock stays.
    bool WaitUntilNoLock() const;
    // How often Inhibit was called since the mock started.
    int InhibitCalls() const;

private:
    QProcess bus_;
    QProcess mock_;
    QString address_;
    QString logPath_;
};
