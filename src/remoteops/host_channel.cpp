#include "host_channel.h"

#include "ftp/reply.h"
#include "remotefs/remote_fs.h"
#include "transfer/transfer_engine.h"

namespace kav {

HostChannel::HostChannel(RemoteFs &f, TransferEngine &e, std::function<void()> disconnect)
    : fs(f), engine(e), disconnectCommand(std::move(disconnect))
{
}

bool HostChannel::connected() const
{
    return fs.connected();
}

bool HostChannel::dataBusy() const
{
    return fs.transferUnderWay();
}

void HostChannel::log(TranscriptSide side, const QString &text)
{
    fs.log(side, text);
}

HostChannel::Opened HostChannel::openText(const QString &name, qint64 knownSize)
{
    Opened opened;
    if (FtpExtras *ftp = fs.ftp())
        ftp->setTransferType(FtpAscii);
    if (!fs.connected())
        return opened;
    // Many servers announce no size: the listing's size stands in, as downloads use it.
    // An empty file is not worth a data connection.
    auto sizeOf = [knownSize](const FsOpening &d) {
        const bool announced = d.expectedSize >= 0 && d.expectedSize != SizeUnknown;
        return !announced && knownSize >= 0 ? knownSize : d.expectedSize;
    };
    const FsOpening o = fs.openRead(name, 0, [&sizeOf](const FsOpening &d) { return sizeOf(d) != 0; });
    opened.size = sizeOf(o);
    switch (o.status) {
    case FsOpening::Status::Opened:
        opened.state = Opened::Ready;
        break;
    case FsOpening::Status::Declined:
        fs.finishTransfer();
        opened.state = Opened::Empty;
        break;
    case FsOpening::Status::Failed:
    case FsOpening::Status::Refused:
        opened.state = Opened::Refused;
        break;
    }
    return opened;
}

int HostChannel::receive(char *buffer, int size)
{
    return fs.read(buffer, size);
}

bool HostChannel::finish()
{
    return fs.finishTransfer().ok();
}

void HostChannel::connectionBroken(const QString &notice)
{
    if (!fs.stillThere())
        return;
    log(TranscriptSide::Host, notice);
    dropConnection();
}

void HostChannel::dropConnection()
{
    fs.drop();
}

void HostChannel::disconnect()
{
    if (disconnectCommand)
        disconnectCommand();
    else
        fs.hangUp();
}

int HostChannel::transferType() const
{
    const FtpExtras *ftp = fs.ftp();
    return ftp ? ftp->transferType() : -1;
}

void HostChannel::restoreTransferType(int type)
{
    FtpExtras *ftp = fs.ftp();
    if (!ftp || !fs.connected() || type == ftp->transferType())
        return;
    ftp->setTransferType(type);
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
