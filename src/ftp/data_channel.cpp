// The one data channel: every listing and transfer opens its data connection
// here, so a new mode reaches all of them at once. Active mode: the program
// listens, announces the address with PORT, and accepts the server's connection.

#include "session.h"

namespace kav {

bool Session::openListener()
{
    const auto fail = [this](const QString &text) {
        emit transcript(TranscriptSide::Host, text);
        closeSocket(listener);
        return false;
    };
    listener = ws::socket();
    if (listener == ws::InvalidSocket) {
        emit transcript(TranscriptSide::Host, QStringLiteral("네트워크 오류: 데이터 소켓핸들을 얻을 수 없습니다."));
        return false;
    }
    if (ws::bind(listener, 0, 0) == ws::SocketError)
        return fail(QStringLiteral("네트워크 오류: 데이터 바인딩을 못했습니다."));
    quint16 port = 0;
    if (!ws::getsockname(listener, nullptr, &port))
        return fail(QStringLiteral("네트워크 오류: 데이터 포트번호를 얻지 못했습니다.(data control)"));
    if (ws::listen(listener, 1) == ws::SocketError)
        return fail(QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
    // The address announced is the one the server reaches us on (the control
    // connection's local address), not the listener's "any".
    const quint32 a = localAddress;
    const Reply reply = command(QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
                                    .arg(a >> 24)
                                    .arg((a >> 16) & 0xff)
                                    .arg((a >> 8) & 0xff)
                                    .arg(a & 0xff)
                                    .arg(port >> 8)
                                    .arg(port & 0xff));
    if (reply.code != 200)
        closeSocket(listener);
    return listener != ws::InvalidSocket;
}

bool Session::acceptData()
{
    quint32 peerOfControl = server;
    if (control != ws::InvalidSocket)
        ws::getpeername(control, &peerOfControl, nullptr);
    for (;;) {
        if (listener == ws::InvalidSocket)
            return false;
        quint32 peer = 0;
        ws::Socket s = ws::accept(listener, &peer, nullptr);
        if (s == ws::InvalidSocket) {
            closeSocket(listener);
            closeSocket(data);
            return false;
        }
        if (peer == peerOfControl) {
            closeSocket(data);
            data = s;
            closeSocket(listener);
            return true;
        }
        // A third party must not feed a download or take an upload.
        ws::closesocket(s);
    }
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
    if (!openListener())
        return opening;

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
        opening.status = DataOpening::Status::Refused;
        return opening;
    }
    opening.expectedSize = expectedTransferSize(opening.reply.text);
    if (beforeConnect && !beforeConnect(opening)) {
        closeSocket(listener);
        opening.status = DataOpening::Status::Declined;
        return opening;
    }
    if (!acceptData())
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
        emit transcript(TranscriptSide::Host, reply.text);
    rewatchControl();
    return reply;
}

} // namespace kav
