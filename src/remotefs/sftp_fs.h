#pragma once
// The remote file system over SFTP (version 3, as OpenSSH serves it), on
// libssh2. The SSH session runs non-blocking: every wait goes through the
// program's blocking hook (ws::BlockingWait), so the window keeps answering,
// Stop ends the wait in progress and Disconnect closes the connection; a
// handler that starts another request inside a wait finds the hook busy and
// is refused at once (the re-entry rule of the FTP session holds here too).
//
// SFTP has no working directory: this class keeps one, and every relative
// path is taken from it. Names travel as bytes; they are decoded as the FTP
// side decodes them (UTF-8 while the server's names are UTF-8, else code page
// 949), with bytes neither can read kept as escapes, so a name always goes
// back as the bytes it came as.

#include "remote_fs.h"

#include "platform/winsock.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

// libssh2's own types, named without its header.
struct _LIBSSH2_SFTP;
struct _LIBSSH2_SFTP_HANDLE;

namespace kav {

// The server's host key, as the user is shown it.
struct SshHostKey {
    enum class Standing { Known, Unknown, Changed };
    Standing standing = Standing::Unknown;
    QString type;          // "ED25519", "RSA", "ECDSA", as OpenSSH names them
    QString fingerprint;   // "SHA256:" and the unpadded Base64 of the key's SHA-256
    QString knownHostsFile;
};

enum class HostKeyVerdict { AcceptOnce, AcceptAlways, Cancel };

struct SshLogin {
    QString host;           // the name or address connected to (and looked up in known_hosts)
    ws::SocketAddress address;   // with the port
    int port = 22;
    QString user;
    QString password;       // for "password" and keyboard-interactive; empty: none
    QStringList identityFiles;   // private key files to offer, in order
    bool useAgent = true;
    QString knownHostsFile; // OpenSSH's format; read, and written when a key is accepted always
    QString hostKeyAlias;   // the name the key has in known_hosts instead of host and port; empty: none
    // The legacy encoding for names that are not UTF-8: false keeps UTF-8.
    bool legacyNamesCp949 = true;
};

class SftpFs final : public RemoteFs {
    Q_OBJECT
public:
    SftpFs();
    ~SftpFs() override;

    // The questions of a login, answered by the window. Without them an
    // unknown key is refused and no passphrase is tried.
    std::function<HostKeyVerdict(const SshHostKey &)> judgeHostKey;
    // A changed key: the window shows its warning; nothing is sent.
    std::function<void(const SshHostKey &)> hostKeyChanged;
    std::function<bool(const QString &keyFile, QString *passphrase)> askPassphrase;
    // A keyboard-interactive prompt that is not a password question.
    std::function<bool(const QString &prompt, bool echo, QString *answer)> askPrompt;

    // TimedOut: the server's address took no connection within the time
    // limit (another attempt may); ConnectFailed: it refused or cannot be reached.
    enum class ConnectResult { Connected, ConnectFailed, TimedOut, HandshakeFailed, HostKeyRefused, LoginRefused, Cancelled };
    // Connects, checks the host key, logs in (agent, key files, password,
    // keyboard-interactive, in the order the server accepts them) and opens
    // SFTP. Each step is logged. Anything but Connected leaves it closed.
    ConnectResult connectTo(const SshLogin &login, int timeoutMs);

    FsProtocol protocol() const override { return FsProtocol::Sftp; }
    bool connected() const override { return sftp != nullptr && !dropped; }
    bool transferUnderWay() const override { return file != nullptr || listingOpen; }
    void cancel() override;
    void drop() override;
    void hangUp() override;
    void log(TranscriptSide side, const QString &text) override { emit transcript(side, text); }
    QString decodeName(QByteArrayView bytes) const override;

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
    FsResult setModificationTime(const QString &path, const QDateTime &time) override;
    FsOpening openRead(const QString &path, qint64 offset = 0,
                       const std::function<bool(const FsOpening &)> &beforeData = {}) override;
    FsOpening openWrite(const QString &path, qint64 offset = 0, bool append = false) override;
    int read(char *buffer, int size) override;
    int write(const char *data, int size) override;
    void closeTransfer() override;
    FsResult finishTransfer() override;

    QByteArray encodeName(const QString &name) const;
    QString workingDirectory() const { return cwd; }

signals:
    void transcript(kav::TranscriptSide side, const QString &text);
    void disconnected();

private:
    struct Native;
    struct Call;
    // Runs `step` until it stops asking to wait (LIBSSH2_ERROR_EAGAIN), waiting
    // on the socket through the blocking hook between tries. The step's last
    // result, or LIBSSH2_ERROR_EAGAIN when the wait ended (Stop, Disconnect,
    // the time limit, a nested call).
    long long run(const std::function<long long()> &step, int timeoutMs = -1);
    // An absolute path of the server's bytes.
    QByteArray absolute(const QString &path) const;
    FsResult outcome(int rc, const QString &what);
    // One request on paths: guarded like every call, logged as "what: shown",
    // its outcome logged under the same words.
    FsResult pathRequest(const QString &what, const QString &shown, const std::function<long long()> &request);
    void noteName(QByteArrayView bytes);
    void closeAll();
    bool hostKeyAccepted(const SshLogin &login);
    bool authenticate(const SshLogin &login);
    QString lastErrorText() const;

    std::unique_ptr<Native> n;
    ::_LIBSSH2_SFTP *sftp = nullptr;
    ::_LIBSSH2_SFTP_HANDLE *file = nullptr;
    ws::Socket sock = ws::InvalidSocket;
    QString cwd = QStringLiteral("/");
    bool listingOpen = false;
    bool dropped = false;     // Disconnect during a wait: closed once the wait is left
    int calls = 0;            // public calls on the stack
    int closeResult = -1;     // the closing of the last file: 0 when the server confirmed it
    bool cp949Names = false;  // the server's names were not UTF-8
    bool namesDecided = false;
    bool legacyCp949 = true;
    bool transferFailed = false;
    bool lostInLogin = false;   // the last login ended because the connection broke
    // The write-behind window: bytes write() took that the server has not
    // acknowledged yet, from `behindStart` on. libssh2 keeps them in flight
    // as many WRITE requests and is handed them again until each is
    // acknowledged, so the requests never run dry between the caller's blocks.
    std::vector<char> behind;
    size_t behindStart = 0;
    // Hands the window to libssh2 once (`wait` false: without waiting, only
    // what is acknowledged already) or until some of it is acknowledged;
    // false when the connection failed or the wait was ended.
    bool pushBehind(bool wait);
    bool flushBehind();
    // A read or write of the data failed with `rc`: a refusal of the server
    // is logged, a broken connection logged once and dropped.
    void dataBroke(long long rc, const QString &what);
    int timeLimitMs = 15000;
};

} // namespace kav
