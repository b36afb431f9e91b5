#include "host_channel.h"

#include "ftp/session.h"
#include "transfer/transfer_engine.h"

namespace kav {

HostChannel::HostChannel(Session &s, TransferEngine &e) : session(s), engine(e) {}

bool HostChannel::connected() const
{
    return session.isConnected();
}

bool HostChannel::dataBusy() const
{
    return session.dataTransferUnderWay();
}

HostChannel::Opened HostChannel::openText(const QString &name)
{
    Opened opened;
    if (session.OpenDataPort() == ws::InvalidSocket)
        return opened;
    session.replyState = rsPlain;
    session.SendCommand(QStringLiteral("TYPE A"));
    session.replyState = rsRetr;
    session.SendCommand(QStringLiteral("RETR ") + name);
    opened.size = session.ExpectedSize;
    if (session.ExpectedSize < 0) {
        session.CloseSocket(session.ListenSocket);
        return opened;
    }
    if (session.ExpectedSize == 0) {
        session.ReadReply();
        opened.reply = session.LastReply;
        session.CloseSocket(session.ListenSocket);
        opened.state = Opened::Empty;
        return opened;
    }
    if (!session.AcceptDataConnection()) {
        session.CloseSocket(session.ListenSocket);
        session.CloseSocket(session.DataSocket);
        return opened;
    }
    session.CloseSocket(session.ListenSocket);
    opened.state = Opened::Ready;
    return opened;
}

int HostChannel::receive(char *buffer, int size)
{
    if (session.DataSocket == ws::InvalidSocket)
        return -1;
    return ws::recv(session.DataSocket, buffer, size);
}

QString HostChannel::finish()
{
    session.CloseSocket(session.DataSocket);
    if (!session.isConnected() || !session.ReadReply())
        return {};
    return session.LastReply;
}

void HostChannel::dropConnection()
{
    session.DropConnection();
}

void HostChannel::disconnect()
{
    session.BB_DisconnectClick();
}

int HostChannel::transferType() const
{
    return session.transferType;
}

void HostChannel::restoreTransferType(int type)
{
    if (!session.isConnected() || type == session.transferType)
        return;
    if (type == TypeAscii || type == TypeImage) {
        session.replyState = rsPlain;
        session.SendCommand(type == TypeAscii ? QStringLiteral("TYPE A") : QStringLiteral("TYPE I"));
    }
}

bool HostChannel::download(const QString &hostName, const QString &localPath, bool forceBinary)
{
    return engine.ReceiveFile(hostName, localPath, forceBinary);
}

bool HostChannel::upload(const QString &localPath, const QString &hostPath)
{
    return engine.SendFile(localPath, hostPath);
}

} // namespace kav
