#include "host_channel.h"

#include "ftp/reply.h"
#include "ftp/session.h"
#include "transfer/transfer_engine.h"

namespace kav {

HostChannel::HostChannel(Session &s, TransferEngine &e, std::function<void()> disconnect)
    : session(s), engine(e), disconnectCommand(std::move(disconnect))
{
}

bool HostChannel::connected() const
{
    return session.isConnected();
}

bool HostChannel::dataBusy() const
{
    return session.dataTransferUnderWay();
}

void HostChannel::log(TranscriptSide side, const QString &text)
{
    session.log(side, text);
}

HostChannel::Opened HostChannel::openText(const QString &name, qint64 knownSize)
{
    Opened opened;
    session.command(QStringLiteral("TYPE A"));
    if (!session.isConnected())
        return opened;
    // Many servers announce no size in their 150 reply: the listing's size stands in, as
    // downloads use it. An empty file is not worth a data connection.
    auto sizeOf = [knownSize](const DataOpening &d) {
        return d.expectedSize == SizeUnknown && knownSize >= 0 ? knownSize : d.expectedSize;
    };
    const DataOpening o = session.openData(QStringLiteral("RETR ") + name,
                                           [&sizeOf](const DataOpening &d) { return sizeOf(d) != 0; });
    opened.size = sizeOf(o);
    switch (o.status) {
    case DataOpening::Status::Opened:
        opened.state = Opened::Ready;
        break;
    case DataOpening::Status::Declined:
        session.finishData();
        opened.state = Opened::Empty;
        break;
    case DataOpening::Status::Failed:
    case DataOpening::Status::Refused:
        opened.state = Opened::Refused;
        break;
    }
    return opened;
}

int HostChannel::receive(char *buffer, int size)
{
    return session.receiveData(buffer, size);
}

bool HostChannel::finish()
{
    return session.finishData().isPositive();
}

void HostChannel::dropConnection()
{
    session.drop();
}

void HostChannel::disconnect()
{
    if (disconnectCommand)
        disconnectCommand();
    else
        session.hangUp();
}

int HostChannel::transferType() const
{
    return int(session.transferType());
}

void HostChannel::restoreTransferType(int type)
{
    if (!session.isConnected() || type == int(session.transferType()))
        return;
    if (type == int(TransferType::Ascii))
        session.command(QStringLiteral("TYPE A"));
    else if (type == int(TransferType::Image))
        session.command(QStringLiteral("TYPE I"));
}

bool HostChannel::download(const QString &hostName, const QString &localPath, bool forceBinary)
{
    return engine.ReceiveFile(hostName, localPath, forceBinary);
}

bool HostChannel::upload(const QString &localPath, const QString &hostPath)
{
    return engine.SendFile(localPath, hostPath);
}

bool HostChannel::downloadCopy(const QString &hostName, const QString &localPath)
{
    return engine.ReceiveFile(hostName, localPath, true, TransferEngine::Existing::WorkingCopy);
}

bool HostChannel::uploadCopy(const QString &localPath, const QString &hostPath)
{
    return engine.SendFile(localPath, hostPath, TransferEngine::Existing::WorkingCopy);
}

} // namespace kav
