#include "desktop_notice.h"

#include <QProcess>
#include <QStandardPaths>

namespace kav {

QString gvariantString(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    quoted.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

bool showDesktopNotice(const QString &summary, const QString &body)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    // The session bus's own client sends the call without keeping the window waiting
    // for the service's answer.
    const QString gdbus = QStandardPaths::findExecutable(QStringLiteral("gdbus"));
    if (gdbus.isEmpty())
        return false;
    const QStringList arguments{
        QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--timeout"), QStringLiteral("5"),
        QStringLiteral("--dest"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("--object-path"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("--method"), QStringLiteral("org.freedesktop.Notifications.Notify"),
        gvariantString(QStringLiteral("Kavrin")), QStringLiteral("uint32 0"), gvariantString(QStringLiteral("kavrin")),
        gvariantString(summary), gvariantString(body), QStringLiteral("@as []"), QStringLiteral("@a{sv} {}"),
        QStringLiteral("int32 -1")};
    QProcess process;
    process.setProgram(gdbus);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace kav
