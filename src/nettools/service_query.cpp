#include "service_query.h"

#include "clock_form.h"
#include "daytime.h"
#include "text_lines.h"
#include "platform/cp949.h"
#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace kav {
namespace {

const QString HostPrefix = QStringLiteral("[H] - ");
const QString ReceiveError = QStringLiteral("[H] - 네트워크 오류: 데이터를 받을 수 없습니다.");
// Far more than any finger server sends (a few hundred bytes per user logged
// in). A longer line is shown in pieces of 4 KiB: the viewer lays out very long
// paragraphs slowly (bench/finger_report_bench).
constexpr LineCollector::Limits FingerLimits{4 * 1024, 1024 * 1024, 64 * 1024};

void closeSocket(NetToolsHost &host, ws::Socket &s)
{
    if (s == ws::InvalidSocket)
        return;
    if (ws::isBlocking()) {
        ws::cancelBlockingCall();
        host.AppendLog(QStringLiteral("[H] - Cancelled blocking call"));
    }
    ws::closesocket(s);
    s = ws::InvalidSocket;
}

} // namespace

void ServiceQueries::logFailed(const ServiceTarget &target)
{
    host.AppendLog(QStringLiteral("Connection failed ") + target.address);
}

ws::Socket ServiceQueries::connectTo(const ServiceTarget &target, const Service &service)
{
    quint32 address = 0;
    if (!ws::inetAddr(target.address, &address) && !ws::gethostbyname(target.address, &address)) {
        informationBox(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."), host.window());
        return ws::InvalidSocket;
    }
    host.setStopTag(0);
    host.setStopEnabled(true);
    host.AppendLog(QStringLiteral("Connecting to ") + target.address + QStringLiteral("  port ")
                   + QString::number(service.port));
    QCoreApplication::processEvents();

    // At least one attempt, whatever the profile says.
    const int trials = qMax(1, target.trials);
    for (int attempt = 1; attempt <= trials; ++attempt) {
        ws::Socket s = ws::socket();
        if (s == ws::InvalidSocket) {
            host.setStopEnabled(false);
            logFailed(target);
            host.AppendLog(QStringLiteral("[H] - 네트워크 오류: 소켓핸들을 얻을 수 없습니다."));
            return ws::InvalidSocket;
        }
        host.setStopTag(0);
        ws::asyncSelect(s, service.message, ws::FD_CONNECT);
        const quint32 start = ws::tickCount();
        if (ws::connect(s, address, service.port) != 0 && ws::lastError() != ws::WSAEWOULDBLOCK) {
            host.setStopEnabled(false);
            logFailed(target);
            informationBox(service.plainFailure, host.window());
            closeSocket(host, s);
            return ws::InvalidSocket;
        }
        const quint32 limit = quint32(qMax(0, target.timeoutSeconds)) * 1000u;
        // The socket itself says when the connect has ended; the stop button sets the tag.
        while (host.stopTag() == 0 && ws::tickCount() - start < limit) {
            const int status = ws::connectStatus(s, 0);
            if (status == 0)
                host.setStopTag(2);
            else if (status != ws::WSAEWOULDBLOCK)
                host.setStopTag(3);
            else
                ws::idleWait(10);
        }
        switch (host.stopTag()) {
        case 1:
            logFailed(target);
            host.setStopEnabled(false);
            closeSocket(host, s);
            return ws::InvalidSocket;
        case 2:
            host.setStopEnabled(false);
            ws::asyncSelect(s, 0, 0);
            ws::setNonBlocking(s, false);
            return s;
        case 3:
            host.setStopEnabled(false);
            logFailed(target);
            informationBox(service.plainFailure, host.window());
            closeSocket(host, s);
            return ws::InvalidSocket;
        default:
            closeSocket(host, s);
            if (attempt == trials) {
                host.setStopEnabled(false);
                logFailed(target);
                informationBox(service.timeLimitFailure, host.window());
                return ws::InvalidSocket;
            }
        }
    }
    return ws::InvalidSocket;
}

ServiceQueries::Reading ServiceQueries::readUntilClosed(ws::Socket s,
                                                       const std::function<bool(QByteArrayView)> &take,
                                                       const std::function<bool()> &timeUp)
{
    // The read pumps events at least every few milliseconds, even while data
    // keeps coming, and keeps the stop button on: a host that sends without
    // end, or never closes, cannot hold the window.
    host.setStopTag(0);
    host.setStopEnabled(true);
    ws::setNonBlocking(s, true);
    Reading result = Reading::Closed;
    QElapsedTimer sincePump;
    sincePump.start();
    for (;;) {
        if (host.stopTag() == 1) {
            result = Reading::Stopped;
            break;
        }
        char buffer[4096];
        const int n = ws::recv(s, buffer, int(sizeof buffer));
        if (n > 0) {
            if (take(QByteArrayView(buffer, n))) {
                result = Reading::Enough;
                break;
            }
            if (sincePump.elapsed() >= 10) {
                QCoreApplication::processEvents();
                sincePump.restart();
            }
            continue;
        }
        if (n == 0)
            break;
        if (ws::lastError() != ws::WSAEWOULDBLOCK) {
            result = Reading::Failed;
            break;
        }
        if (timeUp && timeUp())
            break;
        ws::idleWait(10);
        sincePump.restart();
    }
    host.setStopEnabled(false);
    return result;
}

void ServiceQueries::BB_DayTimeClick()
{
    if (host.stopEnabled())
        return;
    const ServiceTarget target = host.chooseServiceHost();
    if (target.address.isEmpty())
        return;
    const Service service{13, MsgDaytimeConnect,
                          QStringLiteral("호스트의 DAYTIME 서버(13/TCP)에 연결을 못했습니다."),
                          QStringLiteral("호스트의 DAYTIME 서버(13/TCP)에 연결을 못했습니다. (시간제한 초과)")};
    ws::Socket s = connectTo(target, service);
    if (s == ws::InvalidSocket)
        return;

    // Read up to the line end or the close, within the profile's time limit: a
    // server that sends its line in pieces is read whole, one that never ends
    // its line does not hang the program, and the stop button ends the wait.
    DaytimeReader reader;
    const quint32 start = ws::tickCount();
    const quint32 limit = quint32(qMax(1, target.timeoutSeconds)) * 1000u;
    const Reading reading = readUntilClosed(s, [&reader](QByteArrayView bytes) { return reader.feed(bytes); },
                                            [&] { return ws::tickCount() - start >= limit; });
    if (reading == Reading::Stopped) {
        logFailed(target);
        closeSocket(host, s);
        return;
    }
    const QByteArray &data = reader.data();
    if (reading == Reading::Failed || data.isEmpty()) {
        closeSocket(host, s);
        logFailed(target);
        host.AppendLog(ReceiveError);
        return;
    }
    closeSocket(host, s);
    host.AppendLog(QStringLiteral("Connected to ") + target.address + QStringLiteral("  port ") + QStringLiteral("13"));

    const QByteArray line = daytimeLine(data);
    const DaytimeTime time = parseDaytime(line);
    if (!time.isValid()) {
        // Only a real date and time may ever reach the clock.
        informationBox(QStringLiteral("호스트가 보낸 시간을 알 수 없습니다: ") + cp949::decode(line), host.window());
        return;
    }
    TClockForm clock(time, clockNow, host.window());
    clock.setWindowTitle(target.name + QStringLiteral(" (") + target.address + QStringLiteral(")"));
    if (runClock)
        runClock(clock);
    else
        clock.exec();
}

void ServiceQueries::BB_FingerClick()
{
    if (host.stopEnabled())
        return;
    const ServiceTarget target = host.chooseServiceHost();
    if (target.address.isEmpty())
        return;
    const QString failure = QStringLiteral("호스트의 FINGER 서버(79/TCP)에 연결을 못했습니다.");
    const Service service{79, MsgFingerConnect, failure,
                          QStringLiteral("호스트의 FINGER 서버(79/TCP)에 연결을 못했습니다. (시간제한 초과)")};
    ws::Socket s = connectTo(target, service);
    if (s == ws::InvalidSocket)
        return;

    if (ws::send(s, "\r\n", 2) == ws::SocketError) {
        logFailed(target);
        informationBox(failure + QLatin1Char('\n')
                           + QStringLiteral("FINGER 서버는 해킹문제로 대게는 관리자가 서비스를 중지해 놓습니다"),
                       host.window());
        closeSocket(host, s);
        return;
    }
    QStringList lines;
    AnswerDecoder text;
    LineCollector collector(true, FingerLimits);
    qint64 total = 0;
    const Reading reading = readUntilClosed(s, [&](QByteArrayView bytes) {
        total += bytes.size();
        for (const QByteArray &line : collector.feed(bytes.toByteArray()))
            lines << text.decode(line);
        return collector.overflowed();
    });
    if (reading == Reading::Stopped) {
        logFailed(target);
        closeSocket(host, s);
        return;
    }
    if (reading == Reading::Failed) {
        logFailed(target);
        host.AppendLog(ReceiveError);
        closeSocket(host, s);
        return;
    }
    // The last line of an answer that does not end its line still belongs to it.
    for (const QByteArray &line : collector.finish())
        lines << text.decode(line);
    closeSocket(host, s);
    host.AppendLog(QStringLiteral("Connected to ") + target.address + QStringLiteral("  port ") + QStringLiteral("79"));
    // An answer without end is shown as far as it was read.
    if (collector.overflowed())
        host.AppendLog(HostPrefix
                       + QStringLiteral("Finger 응답이 %1 바이트 또는 %2 줄을 넘어 연결을 끊었습니다.")
                             .arg(FingerLimits.totalBytes)
                             .arg(FingerLimits.lines));
    host.showReport(target.name + QStringLiteral(" (") + target.address + QStringLiteral(") - Finger (")
                        + QString::number(total) + QStringLiteral(" Bytes)"),
                    lines, host.localDirectory(), QStringLiteral("Finger.txt"));
}

} // namespace kav
