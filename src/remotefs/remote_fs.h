#pragma once
// The remote file system: everything the host-side features ask of a server,
// whatever protocol carries it. One implementation per protocol sits beneath
// the same panes (ftp_fs.h over the FTP session), so a new protocol touches no
// pane, transfer, file command or search.
//
// A download, from the pane down:
//   RemoteFs &fs = ...;                                    // the connection's file system
//   const FsOpening o = fs.openRead(path, offset, createLocalFile);
//   if (o.opened()) {
//       while ((n = fs.read(buffer, size)) > 0) ...;       // bytes of the file
//       const FsResult r = fs.finishTransfer();            // the server's word on it
//   }
// retrieve() and store() do the same with a sink or a source, for callers that
// need no say between blocks.
//
// Invariants:
// - Everything runs on the user-interface thread. Every wait keeps window
//   events flowing (the blocking hook), so handlers nest inside a call;
//   cancel() ends the wait in progress, and each call checks afterwards that
//   the connection is still there.
// - One transfer (a listing, a read or a write) at a time: while it is open,
//   transferUnderWay() is true and nothing else may use the connection's data.
// - The implementation logs every step in its protocol's words, as the
//   transcript shows them; callers log only what is theirs to say.
// - Paths are "/"-separated, relative to the working directory or absolute.
//   Names are text decoded the way the server's names are (UTF-8 when valid,
//   else the connection's legacy encoding), and keep their bytes: a name read
//   from a listing names the same file when it goes back.

#include "ftp/listing.h"      // RemoteEntry: one entry of a directory, whatever the protocol
#include "ftp/transcript.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace kav {

enum class FsProtocol { Ftp, Sftp };

// The answer to one request.
struct FsResult {
    enum class Status {
        Done,      // the server did it
        Refused,   // the server will not: no such file, not allowed (FTP's 550 and 553)
        Failed,    // anything else: another refusal, no answer, the connection gone, stopped
    };
    Status status = Status::Failed;
    int code = 0;          // the protocol's own code (an FTP reply code, an SFTP status); 0: none
    QString text;          // the server's words (an FTP reply's last line), as logged
    bool answered = false; // the server answered at all

    bool ok() const { return status == Status::Done; }
    bool refused() const { return status == Status::Refused; }
};

// The outcome of opening a file's data (openRead, openWrite).
struct FsOpening {
    enum class Status {
        Opened,     // the data flows: read() or write(), then finishTransfer()
        Failed,     // a local step, the connection or a stop: nothing to finish
        Refused,    // the server said no: `answer` says why; nothing to finish
        Declined,   // beforeData said no: finishTransfer() reads the server's word
    };
    Status status = Status::Failed;
    FsResult answer;          // the server's answer to the opening, if it gave one
    qint64 expectedSize = -1; // the size the server announced for a read; -1 without one
    qint64 restartedAt = 0;   // where the data begins in the file (0: at its start)
    bool restartRefused = false;   // an offset was asked for and the server would not start there

    bool opened() const { return status == Status::Opened; }
};

// How reading a directory ended.
enum class FsListing {
    Received,   // every entry came
    Stopped,    // the consumer asked to stop; the listing is closed
    Refused,    // the server would not list it (not readable): nothing came
    Failed,     // no listing could be opened (the connection, a stop)
    Broken,     // the connection broke in the middle: logged, and the connection dropped
};

// A digest of a whole file that the server computes, so that comparing
// contents need not bring the file over.
enum class DigestAlgorithm { None, Sha256, Sha1, Md5 };

// The transfer types of FtpExtras.
inline constexpr int FtpAscii = 1;
inline constexpr int FtpImage = 2;

// What a command of FTP's own says on a connection of another protocol.
inline const QString FtpOnlyHint = QStringLiteral("이 기능은 FTP 접속에서만 쓸 수 있습니다.");

// FTP's own commands, which no other protocol has: greyed out with a hint
// elsewhere (see RemoteFs::ftp()).
class FtpExtras {
public:
    virtual ~FtpExtras() = default;
    // The transfer type in force (-1 none yet, 1 ASCII, 2 image), and setting
    // one (TYPE A / TYPE I; not sent when already in force).
    virtual int transferType() const = 0;
    virtual void setTransferType(int type) = 0;
    // A command of the user's, sent as written; its reply.
    virtual FsResult rawCommand(const QString &command) = 0;
    // The LIST of the working directory as the server wrote it (the "ls -la"
    // report), `arguments` after the command ("-lai name"); lines as they came,
    // without their LF.
    virtual FsListing listLines(const QString &arguments,
                                const std::function<bool(const QList<QByteArrayView> &lines, qsizetype bytes)> &consume) = 0;
    // Opens the LIST data of `arguments` ("-lai name") to be read with
    // RemoteFs::read() and finished with finishTransfer().
    virtual FsOpening openList(const QString &arguments) = 0;
    // A whole line of the server's text, which may decide its encoding.
    virtual void noteServerText(QByteArrayView line) = 0;
    // The last data opening failed in active mode because the server refused
    // PORT (EPRT) itself, as servers that never connect back do: passive mode
    // is the way to it.
    virtual bool activeModeRefused() const = 0;
};

class RemoteFs : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual FsProtocol protocol() const = 0;
    // FTP's own commands; nullptr for any other protocol.
    virtual FtpExtras *ftp() { return nullptr; }

    // ---- the connection ---------------------------------------------------------

    // Logged in: requests may go out.
    virtual bool connected() const = 0;
    // A listing or a file's data is open.
    virtual bool transferUnderWay() const = 0;
    // The stop button: ends the wait in progress.
    virtual void cancel() = 0;
    // The connection is unusable: closed without a word to the server.
    virtual void drop() = 0;
    // The user's disconnect: like drop(), a wait in progress ended first.
    virtual void hangUp() = 0;
    // Looks, without reading, whether the server is still there; a connection
    // found ended ends the session now (said once, as when the server hangs
    // up). A failed transfer asks before it reports a broken connection of its
    // own, so that one fault is never said twice.
    virtual bool stillThere() { return connected(); }
    // A line of the transcript from a caller.
    virtual void log(TranscriptSide side, const QString &text) = 0;
    // The server's bytes of a name (or other text) decoded as its names are:
    // encoded back, they give the same bytes.
    virtual QString decodeName(QByteArrayView bytes) const = 0;

    // ---- directories -----------------------------------------------------------------

    // The entries of the working directory, in blocks as they arrive (the
    // FTP server may list its own "." and ".." among them). `consume` returns
    // false to stop; `opened`, when given, runs once the entries begin to come.
    using EntrySink = std::function<bool(QList<RemoteEntry> &&entries, qsizetype bytes)>;
    virtual FsListing list(const EntrySink &consume, const std::function<void()> &opened = {}) = 0;
    // Changes the working directory ("..": its parent).
    virtual FsResult changeDirectory(const QString &path) = 0;
    // Asks the server for the working directory; empty when it does not say.
    // The connection also reports it to the window as FTP's 257 does.
    virtual QString reportDirectory() = 0;
    virtual FsResult makeDirectory(const QString &path) = 0;
    virtual FsResult removeDirectory(const QString &path) = 0;

    // ---- files -------------------------------------------------------------------------

    virtual FsResult rename(const QString &from, const QString &to) = 0;
    virtual FsResult remove(const QString &path) = 0;
    // The permission bits as octal digits ("755", "4755"), as the user gave them.
    virtual FsResult changeMode(const QString &path, const QString &octalMode) = 0;
    // The size of a file in bytes (-1 when the server does not tell).
    virtual FsResult size(const QString &path, qint64 *bytes) = 0;
    // The time of a file's last change, in UTC (invalid when the server does not tell).
    virtual FsResult modificationTime(const QString &path, QDateTime *time) = 0;
    // Sets the time of a file's last change (UTC) by whatever way the server
    // knows; a server that knows none fails (not Refused) every time.
    virtual FsResult setModificationTime(const QString &path, const QDateTime &time) = 0;

    // The algorithm serverDigest() gives on this connection; None when the
    // server computes none (or has said it cannot, once asked).
    virtual DigestAlgorithm serverDigestAlgorithm() { return DigestAlgorithm::None; }
    // A file's digest, computed by the server, as raw bytes.
    virtual FsResult serverDigest(const QString &path, QByteArray *digest);

    // ---- a file's data ---------------------------------------------------------------

    // Opens `path` to read from `offset`. `beforeData`, when given, is asked
    // once the server will send and before any data is taken (a download
    // creates its local file here); false declines the data.
    virtual FsOpening openRead(const QString &path, qint64 offset = 0,
                               const std::function<bool(const FsOpening &)> &beforeData = {}) = 0;
    // Opens `path` to write: from its start (offset 0, the file replaced), at
    // `offset` (continuing a partial file), or after its end (append).
    virtual FsOpening openWrite(const QString &path, qint64 offset = 0, bool append = false) = 0;
    // Bytes of the open file: a count, 0 at the end of the data (read), or a
    // negative number when the connection failed.
    virtual int read(char *buffer, int size) = 0;
    virtual int write(const char *data, int size) = 0;
    // Ends the data (a write's end, or giving up) without reading the answer.
    virtual void closeTransfer() = 0;
    // closeTransfer() and the server's word on the whole transfer.
    virtual FsResult finishTransfer() = 0;

    // Whole files through a sink or a source: `sink` takes each block and
    // returns false to stop; `source` fills the buffer and returns the count,
    // 0 at the end, negative on a local failure. The result is the server's
    // final word, or Failed when the data broke off.
    FsResult retrieve(const QString &path, qint64 offset, const std::function<bool(const char *, int)> &sink);
    FsResult store(const QString &path, qint64 offset, bool append, const std::function<int(char *, int)> &source);

signals:
    // The server named the working directory (FTP's 257 reply): emitted
    // synchronously inside the request, so the window follows at once.
    void directoryReported(const QString &path);
};

} // namespace kav
