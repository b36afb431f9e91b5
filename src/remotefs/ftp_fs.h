#pragma once
// The remote file system over the FTP session: every request becomes the FTP
// commands the panes have always sent (CWD, PWD, MLSD or LIST, RETR and STOR
// with REST or APPE, RNFR/RNTO, DELE, MKD, RMD, SITE CHMOD, SIZE, MDTM, MFMT),
// each logged by the session as before. Optional commands that a server may
// not know (MFMT and SITE UTIME to set a time; HASH, XSHA256, XSHA1, XMD5 for
// a digest) are tried in order of preference, and one the server answers as
// unknown is not sent again on that connection. FTP's own commands (the transfer type,
// raw commands, the LIST report) are its FtpExtras. A file's data moves in the
// transfer type in force, as on the session: image type moves its bytes
// exactly, ASCII type converts line ends (the caller chooses, as FTP users do).

#include "remote_fs.h"

namespace kav {

class Session;
struct Reply;

class FtpFs final : public RemoteFs, public FtpExtras {
    Q_OBJECT
public:
    explicit FtpFs(Session &session);

    FsProtocol protocol() const override { return FsProtocol::Ftp; }
    FtpExtras *ftp() override { return this; }

    bool connected() const override;
    bool stillThere() override;
    bool transferUnderWay() const override;
    void cancel() override;
    void drop() override;
    void hangUp() override;
    void log(TranscriptSide side, const QString &text) override;
    QString decodeName(QByteArrayView bytes) const override;

    // Listings travel in ASCII type: "TYPE A" goes first (unsent when in force).
    FsListing list(const EntrySink &consume, const std::function<void()> &opened = {}) override;
    FsResult changeDirectory(const QString &path) override;
    QString reportDirectory() override;
    FsResult makeDirectory(const QString &path) override;
    FsResult removeDirectory(const QString &path) override;

    FsResult rename(const QString &from, const QString &to) override;
    FsResult remove(const QString &path) override;
    FsResult changeMode(const QString &path, const QString &octalMode) override;
    FsResult size(const QString &path, qint64 *bytes) override;
    FsResult modificationTime(const QString &path, QDateTime *time) override;
    // MFMT; SITE UTIME where the server does not know MFMT (the form with
    // the three times and "UTC", else the short one); nothing once neither works.
    FsResult setModificationTime(const QString &path, const QDateTime &time) override;
    DigestAlgorithm serverDigestAlgorithm() override;
    FsResult serverDigest(const QString &path, QByteArray *digest) override;

    // RETR in the transfer type in force (REST before it for an offset).
    FsOpening openRead(const QString &path, qint64 offset = 0,
                       const std::function<bool(const FsOpening &)> &beforeData = {}) override;
    // STOR; at an offset REST before it, or APPE where the server refuses REST,
    // or (the server knowing neither) the whole file again, logged; APPE to append.
    FsOpening openWrite(const QString &path, qint64 offset = 0, bool append = false) override;
    int read(char *buffer, int size) override;
    int write(const char *data, int size) override;
    void closeTransfer() override;
    FsResult finishTransfer() override;

    // FtpExtras
    int transferType() const override;
    void setTransferType(int type) override;
    FsResult rawCommand(const QString &command) override;
    FsListing listLines(const QString &arguments,
                        const std::function<bool(const QList<QByteArrayView> &, qsizetype)> &consume) override;
    FsOpening openList(const QString &arguments) override;
    void noteServerText(QByteArrayView line) override;
    bool activeModeRefused() const override;

    Session &session() { return ftpSession; }

private:
    // A way to a digest: HASH with an algorithm, or one of the X commands.
    struct DigestWay {
        DigestAlgorithm algorithm = DigestAlgorithm::None;
        QString command;     // "HASH", "XSHA256", ...
        QString hashName;    // HASH's name of the algorithm ("SHA-256")
    };
    DigestWay digestWay() const;
    // What this connection has learnt of the optional commands; forgotten at
    // each login, since the next one may be to another server.
    void forgetLearnt();
    enum class TimeSetter { Mfmt, SiteUtime, SiteUtimeShort, None };
    TimeSetter timeSetter = TimeSetter::Mfmt;
    QStringList digestCommandsUnknown;
    QString hashInForce;   // the algorithm HASH uses now, once set by OPTS HASH

    Session &ftpSession;
};

// A reply as a result: Done when `done` holds for it, Refused for 550 and 553.
FsResult fsResultOf(const Reply &reply, bool done);

} // namespace kav
