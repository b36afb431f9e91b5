#pragma once
// The two small services of a host that the main window queries: DAYTIME
// (13/TCP) into the clock window and FINGER (79/TCP) into the text viewer. Both
// connect without blocking and wait for the connect notice with the stop button
// enabled, then read.

#include "net_tools_host.h"
#include "platform/winsock.h"

#include <QByteArrayView>
#include <QDateTime>
#include <functional>

namespace kav {

class TClockForm;

class ServiceQueries {
public:
    explicit ServiceQueries(NetToolsHost &host) : host(host) {}

    void BB_DayTimeClick();
    void BB_FingerClick();

    // Shows the clock window modally (tests answer it themselves).
    std::function<void(TClockForm &)> runClock;
    // The clock window's local time (tests fix it); empty: the system clock.
    std::function<QDateTime()> clockNow;

private:
    struct Service {
        quint16 port;
        int message;
        QString plainFailure;
        QString timeLimitFailure;
    };
    // Connects to the chosen host; InvalidSocket when the run ended (reported).
    ws::Socket connectTo(const ServiceTarget &target, const Service &service);
    void logFailed(const ServiceTarget &target);
    // Reads the connected socket until the host closes, `take` (given each
    // block received) says it has enough, `timeUp` says so, the user stops, or
    // the connection fails. The stop button is on meanwhile.
    enum class Reading { Closed, Enough, Stopped, Failed };
    Reading readUntilClosed(ws::Socket s, const std::function<bool(QByteArrayView)> &take,
                            const std::function<bool()> &timeUp = {});

    NetToolsHost &host;
};

} // namespace kav
