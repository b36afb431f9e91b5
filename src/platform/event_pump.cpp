#include "event_pump.h"

#include <QCoreApplication>

#include <chrono>

namespace kav {

namespace {
using Clock = std::chrono::steady_clock;
// Each thread pumps its own events on its own clock.
thread_local Clock::time_point g_lastPump;
}

void PumpMessages(int n)
{
    for (int i = 0; i < n; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (n > 0)
        NotePumped();
}

bool PumpDue()
{
    return Clock::now() - g_lastPump >= std::chrono::milliseconds(PumpIntervalMs);
}

void NotePumped()
{
    g_lastPump = Clock::now();
}

bool PumpWhenDue()
{
    if (!PumpDue())
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    NotePumped();
    return true;
}

} // namespace kav
