#include "platform/qt/LogindSleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include <cstdio>

namespace tvx {
namespace {

// logind answers at once; a bus that does not must not freeze the window
// for the default 25 seconds before every part.
constexpr int kCallTimeoutMs = 3000;

} // namespace

bool LogindSleepInhibitor::Hold(const std::string &why)
{
    if (Held())
        return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        WarnUnavailable(bus.lastError().message());
        return false;
    }
    if (!(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        WarnUnavailable(QStringLiteral("the system bus passes no file descriptors"));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:shutdown:idle") << QStringLiteral("TVXUpgrade")
         << QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())) << QStringLiteral("block");
    // Block, not BlockWithGui: no window event may run the wizard while it waits.
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        WarnUnavailable(reply.errorMessage());
        return false;
    }
    const QList<QVariant> arguments = reply.arguments();
    const QDBusUnixFileDescriptor lock = arguments.size() == 1
                                             ? qvariant_cast<QDBusUnixFileDescriptor>(arguments.constFirst())
                                             : QDBusUnixFileDescriptor();
    if (!lock.isValid()) {
        WarnUnavailable(QStringLiteral("logind answered without a lock"));
        return false;
    }
    lock_ = lock; // the reply's copy closes when the reply goes
    return true;
}

void LogindSleepInhibitor::Release()
{
    // The last copy of the descriptor closes here, and with it the lock.
    lock_ = QDBusUnixFileDescriptor();
}

void LogindSleepInhibitor::WarnUnavailable(const QString &reason)
{
    if (warned_)
        return;
    warned_ = true;
    std::fprintf(stderr,
                 "TVXUpgrade: no answer from logind (%s); the computer is not kept from sleeping while a "
                 "terminal is written\n",
                 reason.toLocal8Bit().constData());
}

} // namespace tvx
