#include "tests/e2e/PrivateLogind.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <sys/prctl.h>

#include <csignal>
#include <cstdlib>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
// Starting a Python mock on a busy machine takes a while; these only bound a
// wait that normally ends at once.
constexpr int kStartLimitMs = 60'000;
constexpr int kReleaseLimitMs = 10'000;

// A child that dies with the test, even when the test crashes.
void DieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void End(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace

PrivateLogind::PrivateLogind()
{
    DieWithParent(bus_);
    bus_.start(QStringLiteral(TVX_DBUS_DAEMON), {"--session", "--nofork", "--print-address=1"});
    if (!bus_.waitForStarted() || !bus_.waitForReadyRead(kStartLimitMs))
        return;
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    // Before anything in this process connects to the system bus.
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toUtf8().constData(), 1);
    logPath_ = QStringLiteral("%1/tvx-logind-mock-%2.log")
                   .arg(QDir::tempPath())
                   .arg(QCoreApplication::applicationPid());
}

PrivateLogind::~PrivateLogind()
{
    Stop();
    End(bus_);
}

bool PrivateLogind::Start()
{
    Stop();
    QFile::remove(logPath_);
    DieWithParent(mock_);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    mock_.setProcessEnvironment(environment);
    mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock_.start(QStringLiteral(TVX_SYSTEM_PYTHON),
                {"-m", "dbusmock", "--system", "--template", "logind", "--logfile", logPath_});
    if (!mock_.waitForStarted())
        return false;
    const QDeadlineTimer deadline(kStartLimitMs);
    while (!QDBusConnection::systemBus().interface()->isServiceRegistered(kLogind)) {
        if (deadline.hasExpired() || mock_.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return true;
}

void PrivateLogind::Stop()
{
    End(mock_);
    // The name goes with the process; wait so that the next test sees no logind.
    const QDeadlineTimer deadline(kStartLimitMs);
    while (BusRunning() && QDBusConnection::systemBus().interface()->isServiceRegistered(kLogind) &&
           !deadline.hasExpired())
        QThread::msleep(20);
}

std::vector<PrivateLogind::Inhibitor> PrivateLogind::Inhibitors() const
{
    const QDBusMessage reply = QDBusConnection::systemBus().call(QDBusMessage::createMethodCall(
        kLogind, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("ListInhibitors")));
    std::vector<Inhibitor> inhibitors;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return inhibitors;
    const auto list = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        inhibitors.push_back({what.toStdString(), who.toStdString(), why.toStdString(), mode.toStdString()});
    }
    list.endArray();
    return inhibitors;
}

bool PrivateLogind::WaitUntilNoLock() const
{
    const QDeadlineTimer deadline(kReleaseLimitMs);
    while (!Inhibitors().empty()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

int PrivateLogind::InhibitCalls() const
{
    QFile log(logPath_);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    int calls = 0;
    while (!log.atEnd())
        calls += log.readLine().contains(" Inhibit ") ? 1 : 0;
    return calls;
}
