#include "clock_setter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
        cancelled = false;
        if (!timedatectl.isEmpty()) {
            QProcess p;
            p.start(timedatectl, {QStringLiteral("set-time"),
                                  localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
            // A permission question may wait for the user: the window keeps answering, and
            // its cancel ends the wait.
            QElapsedTimer waited;
            waited.start();
            while (p.state() != QProcess::NotRunning && !cancelled && waited.elapsed() < 120000) {
                p.waitForFinished(10);
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
            if (cancelled || p.state() != QProcess::NotRunning) {
                p.kill();
                p.waitForFinished(2000);
                cancelled = false;
                return false;
            }
            if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return true;
        }
        timespec ts{};
        ts.tv_sec = time_t(localTime.toSecsSinceEpoch());
        return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
    void cancel() override { cancelled = true; }

private:
    bool cancelled = false;
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
