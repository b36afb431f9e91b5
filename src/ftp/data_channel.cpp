// The one data channel: every listing and transfer opens its data connection
// here, so a new mode reaches all of them at once.
//
// Active mode: the program listens, announces the address with PORT (EPRT on
// IPv6), and accepts the server's connection. Passive mode: the server
// listens (EPSV, or PASV where EPSV is refused) and the program connects to
// it before sending the command. Either way establishData() ends with `data`
// as the open data socket.

#include "session.h"

#include "data_address.h"

namespace kav {

namespace {
constexpr auto Host = TranscriptSide::Host;
}

void Session::setDataMode(DataMode newMode, int connectTimeoutMs)
{
    mode = newMode;
    dataConnectTimeoutMs = connectTimeoutMs > 0 ? connectTimeoutMs : 15000;
}

bool Session::passiveInUse() const
{
    return mode == DataMode::Passive || (mode == DataMode::Automatic && !passiveFellBack);
}

bool Session::openListener()
{
    const auto fail = [this](const QString &text) {
        emit transcript(Host, text);
        closeSocket(listener);
        return false;
    };
    // The listener speaks the family of the control connection, which the
    // server reaches us by.
    const ws::SocketAddress::Family family =
        localAddress.isValid() ? localAddress.family : ws::SocketAddress::Family::V4;
    listener = ws::socket(family);
    if (listener == ws::InvalidSocket) {
        emit transcript(Host, QStringLiteral("네트워크 오류: 데이터 소켓핸들을 얻을 수 없습니다."));
        return false;
    }
    if (ws::bind(listener, ws::SocketAddress::any(family)) == ws::SocketError)
        return fail(QStringLiteral("네트워크 오류: 데이터 바인딩을 못했습니다."));
    ws::SocketAddress bound;
    if (!ws::getsockname(listener, &bound))
        return fail(QStringLiteral("네트워크 오류: 데이터 포트번호를 얻지 못했습니다.(data control)"));
    if (ws::listen(listener, 1) == ws::SocketError)
        return fail(QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
    // A server that announced the data but never connects must not hold the window.
    ws::setTimeLimit(listener, dataConnectTimeoutMs);
    // The address announced is the one the server reaches us on (the control
    // connection's local address), not the listener's "any". PORT can only
    // carry IPv4; IPv6 needs EPRT.
    const Reply reply = command(localAddress.isIpv6() ? eprtCommand(localAddress, bound.port)
                                                      : portCommand(localAddress.ipv4Address(), bound.port));
    lastPortRefused = reply.answered && reply.code / 100 == 5;
    if (reply.code != 200)
        closeSocket(listener);
    return listener != ws::InvalidSocket;
}

Session::PassiveResult Session::openPassive()
{
    std::optional<quint16> port;
    if (!epsvRefused) {
        const Reply reply = command(QStringLiteral("EPSV"));
        if (reply.isEmpty())   // no answer: the connection went or the wait was ended
            return PassiveResult::Stopped;
        if (reply.code == 229)
            port = epsvPort(reply.text);
        // A server that does not know the command says so with a 5xx; a
        // passing trouble (4xx) may not be there next time.
        if (!port && reply.code / 100 == 5)
            epsvRefused = true;
    }
    if (!port) {
        const Reply reply = command(QStringLiteral("PASV"));
        if (reply.isEmpty())
            return PassiveResult::Stopped;
        if (reply.code == 227)
            port = pasvPort(reply.text);
        if (!port)
            return PassiveResult::Refused;
    }

    // The port is the server's; the address is always the one the control
    // connection reaches, whatever a 227 reply names.
    ws::SocketAddress to;
    if (!ws::getpeername(control, &to))
        to = server;
    to.port = *port;
    data = ws::socket(to.family);
    if (data == ws::InvalidSocket) {
        emit transcript(Host, QStringLiteral("네트워크 오류: 데이터 소켓핸들을 얻을 수 없습니다."));
        return PassiveResult::Failed;
    }
    emit dataConnectWaiting(true);
    const ConnectResult result = connectWithin(data, to, dataConnectTimeoutMs);
    emit dataConnectWaiting(false);
    if (result == ConnectResult::Connected && data != ws::InvalidSocket) {
        // A transfer that stalls for the time limit is over.
        ws::setTimeLimit(data, timeLimitMs);
        return PassiveResult::Connected;
    }
    closeSocket(data);
    if (result == ConnectResult::Cancelled) {
        emit transcript(Host, QStringLiteral("데이터 연결을 중지했습니다."));
        return PassiveResult::Stopped;
    }
    const QString failed = QStringLiteral("네트워크 오류: 호스트의 데이터 포트(%1/TCP)에 연결을 못했습니다.").arg(*port);
    emit transcript(Host, result == ConnectResult::TimedOut ? failed + QStringLiteral(" (시간제한 초과)") : failed);
    return PassiveResult::Failed;
}

bool Session::acceptData()
{
    ws::SocketAddress peerOfControl = server;
    if (control != ws::InvalidSocket)
        ws::getpeername(control, &peerOfControl);
    for (;;) {
        if (listener == ws::InvalidSocket)
            return false;
        ws::SocketAddress peer;
        ws::Socket s = ws::accept(listener, &peer);
        if (s == ws::InvalidSocket) {
            const bool timedOut = ws::lastError() == ws::WSAETIMEDOUT;
            closeSocket(listener);
            closeSocket(data);
            if (timedOut && control != ws::InvalidSocket) {
                emit transcript(Host, QStringLiteral("네트워크 오류: 호스트가 시간제한 안에 데이터 연결을 하지 않았습니다."));
                // The server's word on the connection it did not make.
                const Reply reply = readReply();
                if (!reply.isEmpty())
                    emit transcript(Host, reply.text);
                rewatchControl();
            }
            return false;
        }
        if (peer.sameHost(peerOfControl)) {
            closeSocket(data);
            data = s;
            ws::setTimeLimit(data, timeLimitMs);
            closeSocket(listener);
            return true;
        }
        // A third party must not feed a download or take an upload.
        ws::closesocket(s);
    }
}

bool Session::establishData(bool passive)
{
    if (passive)
        return data != ws::InvalidSocket;
    return acceptData();
}

DataOpening Session::openData(const QString &command,
                              const std::function<bool(const DataOpening &)> &beforeConnect,
                              const DataRestart &restart)
{
    DataOpening opening;
    closeSocket(listener);
    closeSocket(data);
    if (!ws::isBlocking())
        retiredTls.clear();
    dataSent = false;
    dataBroken = false;
    lastPortRefused = false;

    bool passive = passiveInUse();
    if (passive) {
        const PassiveResult result = openPassive();
        if (result == PassiveResult::Stopped || control == ws::InvalidSocket)
            return opening;
        if (result != PassiveResult::Connected) {
            if (mode != DataMode::Automatic)
                return opening;
            // Once is enough: a server or a network that refuses passive mode
            // does so for every transfer of the session.
            passiveFellBack = true;
            passive = false;
            emit transcript(TranscriptSide::Local,
                            QStringLiteral("패시브 모드로 데이터 연결을 할 수 없어 이 세션은 액티브 모드로 전환합니다."));
        }
    }
    if (!passive && !openListener()) {
        opening.activeRefused = lastPortRefused;
        return opening;
    }

    QString transferCommand = command;
    if (restart.offset > 0) {
        // REST right before the command it applies to: some servers forget it
        // at any other command, the mode's own included.
        const Reply rest = this->command(QStringLiteral("REST ") + QString::number(restart.offset));
        if (!rest.answered || rest.isEmpty()) {
            closeSocket(listener);
            return opening;
        }
        if (rest.code == 350) {
            opening.restartedAt = restart.offset;
        } else {
            opening.restartRefused = true;
            if (!restart.otherwise.isEmpty()) {
                transferCommand = restart.otherwise;
                opening.restartedAt = restart.offset;
            }
        }
    }
    opening.reply = this->command(transferCommand);
    // Without a preliminary reply the server will never connect: no wait.
    if (!opening.reply.opensData()) {
        closeSocket(listener);
        closeSocket(data);
        opening.status = DataOpening::Status::Refused;
        return opening;
    }
    opening.expectedSize = expectedTransferSize(opening.reply.text);
    if (beforeConnect && !beforeConnect(opening)) {
        closeSocket(listener);
        closeSocket(data);
        opening.status = DataOpening::Status::Declined;
        return opening;
    }
    if (!establishData(passive))
        return opening;
    if (!secureData()) {
        // The server answers the failed data connection on the control one.
        if (control != ws::InvalidSocket && !ws::isBlocking()) {
            const Reply reply = readReply();
            if (!reply.isEmpty())
                emit transcript(TranscriptSide::Host, reply.text);
        }
        rewatchControl();
        return opening;
    }
    opening.status = DataOpening::Status::Opened;
    return opening;
}

int Session::receiveData(char *buffer, int size)
{
    const int n = dataTls ? dataTls->read(buffer, size) : ws::recv(data, buffer, size);
    if (n < 0)
        dataBroken = true;
    return n;
}

int Session::sendData(const char *bytes, int size)
{
    const int n = dataTls ? dataTls->write(bytes, size) : ws::send(data, bytes, size);
    if (n < 0)
        dataBroken = true;
    else
        dataSent = true;
    return n;
}

void Session::closeData()
{
    // An upload's end over TLS: close_notify, then the server's own, so that the
    // server knows the file is whole. A download ended with the server's
    // close_notify: ours answers it (retireTls). A broken one just closes.
    if (dataTls && data != ws::InvalidSocket && dataSent && !dataBroken && !dataTls->peerClosed())
        dataTls->shutdown(true, deadline());
    closeSocket(listener);
    closeSocket(data);
    rewatchControl();
}

Reply Session::finishData()
{
    closeData();
    const Reply reply = readReply();
    if (!reply.isEmpty())
        emit transcript(Host, reply.text);
    rewatchControl();
    return reply;
}

} // namespace kav
