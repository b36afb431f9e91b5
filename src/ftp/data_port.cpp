// Active-mode data connections: the program listens, announces the address
// with PORT, and accepts the server's connection.

#include "session.h"
#include "session_ui.h"

namespace kav {

ws::Socket Session::OpenDataPort()
{
    CloseSocket(ListenSocket);
    CloseSocket(DataSocket);

    const QString prefix = QStringLiteral("[H] - ");
    ListenSocket = ws::socket();
    if (ListenSocket == ws::InvalidSocket) {
        ui.AppendLog(prefix + QStringLiteral("네트워크 오류: 데이터 소켓핸들을 얻을 수 없습니다."));
        return ws::InvalidSocket;
    }
    if (ws::bind(ListenSocket, 0, 0) == ws::SocketError) {
        ui.AppendLog(prefix + QStringLiteral("네트워크 오류: 데이터 바인딩을 못했습니다."));
        CloseSocket(ListenSocket);
        return ws::InvalidSocket;
    }
    if (!ws::getsockname(ListenSocket, nullptr, &DataPort)) {
        ui.AppendLog(prefix + QStringLiteral("네트워크 오류: 데이터 포트번호를 얻지 못했습니다.(data control)"));
        CloseSocket(ListenSocket);
        return ws::InvalidSocket;
    }
    if (ws::listen(ListenSocket, 1) == ws::SocketError) {
        ui.AppendLog(prefix + QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
        CloseSocket(ListenSocket);
        return ws::InvalidSocket;
    }
    // The address announced is the one the server reaches us on (the control
    // connection's local address), not the listener's "any".
    const quint32 a = LocalControlAddress;
    replyState = rsPort;
    SendCommand(QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
                    .arg(a >> 24)
                    .arg((a >> 16) & 0xff)
                    .arg((a >> 8) & 0xff)
                    .arg(a & 0xff)
                    .arg(DataPort >> 8)
                    .arg(DataPort & 0xff));
    return ListenSocket;
}

bool Session::AcceptDataConnection()
{
    quint32 server = ServerAddress;
    if (ControlSocket != ws::InvalidSocket)
        ws::getpeername(ControlSocket, &server, nullptr);
    for (;;) {
        if (ListenSocket == ws::InvalidSocket)
            return false;
        quint32 peer = 0;
        ws::Socket s = ws::accept(ListenSocket, &peer, nullptr);
        if (s == ws::InvalidSocket) {
            CloseSocket(ListenSocket);
            CloseSocket(DataSocket);
            return false;
        }
        if (peer == server) {
            CloseSocket(DataSocket);
            DataSocket = s;
            return true;
        }
        // A third party must not feed a download or take an upload.
        ws::closesocket(s);
    }
}

} // namespace kav
