#pragma once
// The remote file system of the window's connection: whichever protocol the
// profile in use speaks. The panes, transfers and file commands are built
// once over this one object; the connect flow points it at the FTP or the
// SFTP implementation before it connects, and every request goes straight
// through to that one.

#include "remote_fs.h"

namespace kav {

class ConnectionFs final : public RemoteFs {
    Q_OBJECT
public:
    // Starts on `initial` (FTP, the protocol of a profile that says none).
    explicit ConnectionFs(RemoteFs &initial);

    // The implementation requests go to from now on. Its 257-like reports
    // reach this object's directoryReported; the one before is left alone.
    void use(RemoteFs &fs);
    RemoteFs &current() const { return *fs; }

    FsProtocol protocol() const override { return fs->protocol(); }
    FtpExtras *ftp() override { return fs->ftp(); }
    bool connected() const override { return fs->connected(); }
    bool transferUnderWay() const override { return fs->transferUnderWay(); }
    void cancel() override { fs->cancel(); }
    void drop() override { fs->drop(); }
    void hangUp() override { fs->hangUp(); }
    bool stillThere() override { return fs->stillThere(); }
    void log(TranscriptSide side, const QString &text) override { fs->log(side, text); }
    QString decodeName(QByteArrayView bytes) const override { return fs->decodeName(bytes); }

    FsListing list(const EntrySink &consume, const std::function<void()> &opened = {}) override
    {
        return fs->list(consume, opened);
    }
    FsResult changeDirectory(const QString &path) override { return fs->changeDirectory(path); }
    QString reportDirectory() override { return fs->reportDirectory(); }
    FsResult makeDirectory(const QString &path) override { return fs->makeDirectory(path); }
    FsResult removeDirectory(const QString &path) override { return fs->removeDirectory(path); }
    FsResult rename(const QString &from, const QString &to) override { return fs->rename(from, to); }
    FsResult remove(const QString &path) override { return fs->remove(path); }
    FsResult changeMode(const QString &path, const QString &octalMode) override { return fs->changeMode(path, octalMode); }
    FsResult size(const QString &path, qint64 *bytes) override { return fs->size(path, bytes); }
    FsResult modificationTime(const QString &path, QDateTime *time) override { return fs->modificationTime(path, time); }
    FsResult setModificationTime(const QString &path, const QDateTime &time) override
    {
        return fs->setModificationTime(path, time);
    }
    DigestAlgorithm serverDigestAlgorithm() override { return fs->serverDigestAlgorithm(); }
    FsResult serverDigest(const QString &path, QByteArray *digest) override { return fs->serverDigest(path, digest); }
    FsOpening openRead(const QString &path, qint64 offset = 0,
                       const std::function<bool(const FsOpening &)> &beforeData = {}) override
    {
        return fs->openRead(path, offset, beforeData);
    }
    FsOpening openWrite(const QString &path, qint64 offset = 0, bool append = false) override
    {
        return fs->openWrite(path, offset, append);
    }
    int read(char *buffer, int size) override { return fs->read(buffer, size); }
    int write(const char *data, int size) override { return fs->write(data, size); }
    void closeTransfer() override { fs->closeTransfer(); }
    FsResult finishTransfer() override { return fs->finishTransfer(); }

private:
    RemoteFs *fs;
    QMetaObject::Connection reports;
};

} // namespace kav
