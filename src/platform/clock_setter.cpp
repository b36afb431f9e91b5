#include "clock_setter.h"

#include <QProcess>
#include <QStandardPaths>

#include <ctime>

namespace kav {
namespace {

class SystemClockSetter : public ClockSetter {
public:
    bool setLocalTime(const QDateTime &localTime) override
    {
        // The time service (timedated over D-Bus) where it runs: it asks for permission.
        const QString timedatectl = QStandardPaths::findExecutable(QStringLiteral("timedatectl"));
        if (!timedatectl.isEmpty()) {
            QProcess p;
            p.start(timedatectl, {QStringLiteral("set-time"),
                                  localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
            if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return true;
        }
        timespec ts{};
        ts.tv_sec = time_t(localTime.toSecsSinceEpoch());
        return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
};

std::unique_ptr<ClockSetter> &current()
{
    static std::unique_ptr<ClockSetter> setter = std::make_unique<SystemClockSetter>();
    return setter;
}

} // namespace

ClockSetter &clockSetter() { return *current(); }

std::unique_ptr<ClockSetter> setClockSetter(std::unique_ptr<ClockSetter> setter)
{
    std::unique_ptr<ClockSetter> previous = std::move(current());
    current() = setter ? std::move(setter) : std::make_unique<SystemClockSetter>();
    return previous;
}

} // namespace kav
