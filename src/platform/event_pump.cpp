#include "event_pump.h"

#include <QCoreApplication>

namespace kav {

void PumpMessages(int n)
{
    for (int i = 0; i < n; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace kav
