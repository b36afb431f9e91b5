#pragma once
// The FTP session: the control connection, its commands and replies, the login,
// the one data channel, the server's encoding and the session's upkeep.
//
// The layering follows the usual one of FTP clients:
//   ReplyReader (pure, reply.h) -> readReply() : the next whole reply, decoded;
//   command()                   : one command out, its whole reply back, both logged;
//   openData() ... finishData() : the data connection for one command, its data, its final reply.
//
// A listing, for example:
//   const DataOpening o = session.openData("LIST");
//   if (o.opened()) {
//       while ((n = session.receiveData(buf, size)) > 0) ...;
//       session.finishData();      // "226 Transfer complete", logged
//   } else if (o.status == DataOpening::Status::Refused) ...   // o.reply says why
//
// Invariants:
// - Everything runs on the user-interface thread. Every wait (connect, reply,
//   data) keeps window events flowing, so handlers nest inside it; the session
//   checks after each wait that its connection is still there.
// - The session knows no window. What the window needs comes out as signals
//   (emitted synchronously, so a slot runs inside the call that caused it);
//   the stop button comes in as cancel().
// - Its sockets and reply state are its own: callers get Reply and DataOpening
//   values and move data through receiveData()/sendData().
// - A command with CR, LF or NUL, or too long for the 512-byte send buffer, is
//   refused and logged, never sent.
// - Re-entry. Every wait pumps events, and slots of the session's own signals
//   pump events too (the log does), so any handler may run inside any other.
//   Hence, for every socket notifier (here and in src/platform):
//     * its handler disables the notifier on entry, returns at once when it is
//       already running further up the stack, and re-enables the notifier only
//       if the socket is still open when it returns;
//     * a socket found closed is taken out of every notifier and closed (the
//       notifier deleted later, never inside its own handler) BEFORE anything
//       is emitted about it.
//   A closed socket whose notifier stayed live would fire again inside the
//   slot that its own close emitted into, until the stack overflows.
// - The end of a session is said once, by whoever ended it: the server
//   (closedByServer, one line) or the user (hangUp(), no line of the server's).
// - No wait on the server lasts past the time limit: a reply (whole, the
//   greeting included) and each block of data must come within it, else the
//   session ends as when the server hangs up.

#include "features.h"
#include "reply.h"
#include "transcript.h"

#include "platform/tls_socket.h"
#include "platform/winsock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace kav {

// The transfer type in effect: the last TYPE command sent.
enum class TransferType : int { None = -1, Ascii = 1, Image = 2 };

inline constexpr int FtpPort = 21;
inline constexpr int SendBufferSize = 512;
inline constexpr int ReceiveBufferSize = 4096;

// The outcome of opening the data channel for one command.
struct DataOpening {
    enum class Status {
        Opened,     // the data connection is up: move the data, then finishData()
        Failed,     // a local step, the mode's own command (PORT, EPRT, EPSV/PASV) or the
                    // passive connect failed or was stopped; nothing to finish
        Refused,    // the server answered the command without a 150/125: `reply` says why
        Declined,   // the caller's beforeConnect said no: finishData() reads the server's word
    };
    Status status = Status::Failed;
    // The command's reply: the preliminary one (Opened, Declined) or the refusal
    // (Refused); empty when the command was never answered.
    Reply reply;
    // The size announced by the preliminary reply (expectedTransferSize), -1 without one.
    qint64 expectedSize = -1;
    // Where the data continues a partial file (DataRestart): the offset, or 0
    // when the transfer is whole.
    qint64 restartedAt = 0;
    // The server did not take the REST asked for.
    bool restartRefused = false;
    // Active mode: the server refused PORT (EPRT) itself with a 5xx, as servers that
    // never connect back do; passive mode is the way to this server.
    bool activeRefused = false;

    bool opened() const { return status == Status::Opened; }
};

// A transfer that continues a partial file: `REST offset` goes right before the
// command. When the server refuses it, `otherwise` goes instead (APPE for an
// upload, which continues at the host file's end) or, when that is empty, the
// command itself for the whole file.
struct DataRestart {
    qint64 offset = 0;   // 0: no REST
    QString otherwise;
};

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    // ---- the control connection ------------------------------------------

    enum class ConnectResult { Connected, Refused, TimedOut, Cancelled, NoSocket };
    // One attempt to open the control connection to `address` (either family,
    // its port included), waiting on the socket's own readiness at most
    // timeoutMs while window events are processed. cancel() ends the wait. On
    // success the reply reader, the server's encoding and what the data
    // channel learnt of the last server start afresh.
    ConnectResult openControl(const ws::SocketAddress &address, int timeoutMs);
    ConnectResult openControl(quint32 address, quint16 port, int timeoutMs)
    {
        return openControl(ws::SocketAddress::ipv4(address, port), timeoutMs);
    }
    // The stop button: ends a connect wait in progress, of the control or of
    // a data connection (it reports Cancelled).
    void cancel();
    // A control connection exists (it may still await its greeting).
    bool hasControlConnection() const { return control != ws::InvalidSocket; }
    // Greeted and logged in or logging in: the panes may send commands.
    bool isConnected() const { return loggingIn; }
    // The server's address and port as resolved before the connect.
    ws::SocketAddress serverAddress() const { return server; }
    // The control connection's own address, read at login.
    ws::SocketAddress localControlAddress() const { return localAddress; }
    // Closes every connection of the session (a blocking call in progress is
    // cancelled first, logged) and emits disconnected().
    void drop();
    // The user's disconnect: like drop(), with the cancel of a blocking call in
    // progress logged once more up front. No QUIT is sent.
    void hangUp();
    // Ends the blocking call in progress, if any (logged "Cancelled blocking call").
    void interruptWait();
    // The program's end (after interruptWait()): every connection closed, and
    // nothing more said of it, least of all that the server hung up.
    void closeForExit();

    // ---- replies and commands ---------------------------------------------

    // The next whole reply. Continuation lines of a multi-line reply are logged;
    // the last line is left to the caller. A 257 reply reports its quoted
    // directory (hostDirectoryReported). Empty when the connection closed,
    // failed or was cancelled; `answered` is false when there was no control
    // connection to read from, or none after the wait.
    Reply readReply();
    // Sends one command and returns its reply, both logged ("PASS (hidden)").
    // A TYPE that would not change the type in effect is not sent. When the
    // control connection went away during the wait, the error is logged and the
    // session dropped. The anti-idle timer restarts after every reply.
    Reply command(const QString &command);

    // ---- encryption (explicit TLS) ----------------------------------------

    // Whether the next login must happen inside TLS, and the name (or address)
    // the server's certificate is checked against.
    void setTlsRequired(bool on, const QString &hostName)
    {
        tlsRequired = on;
        tlsHost = hostName;
    }
    bool isTlsRequired() const { return tlsRequired; }
    // Decides on the server's certificate after the handshake (the user's
    // question when it failed the check). Without one only a certificate that
    // passed the check is accepted.
    void setCertificateJudge(std::function<bool(const tls::PeerCertificate &)> judge)
    {
        certificateJudge = std::move(judge);
    }
    // AUTH TLS and the handshake on the greeted control connection, the
    // certificate judged, protocol and cipher logged. Any failure (refusal,
    // handshake, certificate, Stop) is logged and the session dropped: nothing
    // of the login is ever sent in clear. cancel() ends the handshake's wait.
    bool startTls();
    // The control connection is encrypted.
    bool isEncrypted() const { return controlTls != nullptr; }

    enum class LoginResult { LoggedIn, UserRefused, PasswordRefused, DataProtectionRefused, Interrupted };
    // USER, PASS (when 331 asks for it; a 230 to USER needs none), SYST and
    // FEAT (see features()). Marks the session connected first. With TLS
    // required: only on the encrypted connection (startTls() first, else
    // Interrupted with nothing sent), and PBSZ 0 and PROT P follow the login so
    // that every data connection is encrypted too (a server that will not
    // encrypt the data is left: DataProtectionRefused). On LoggedIn, *systemReply
    // holds the SYST reply and loggedIn() is emitted.
    LoginResult login(const QString &user, const QString &password, QString *systemReply);
    // Reads the control connection's own address, which the data channel announces; false when it cannot.
    bool readLocalAddress();

    // What the server offered in its answer to FEAT, asked once after login
    // (before any name goes out); all false when it refused FEAT or before
    // login. Its effects in the session itself:
    // - UTF8 listed: "OPTS UTF8 ON" is sent (a refusal is fine: such servers
    //   speak UTF-8 anyway) and names go out in UTF-8; not listed, or FEAT
    //   refused: a legacy server, names go out in code page 949 (see the
    //   server's encoding below);
    // - MLST listed: listings may use MLSD; "OPTS MLST" asks for the facts a
    //   listing needs when the server would leave one out.
    const ServerFeatures &features() const { return feats; }
    // The listing command for a directory's entries: MLSD where the server
    // offers it, else LIST.
    QString listingCommand() const { return feats.hasMlst ? QStringLiteral("MLSD") : QStringLiteral("LIST"); }

    TransferType transferType() const { return type; }
    // The type a stored configuration remembers as in effect.
    void rememberTransferType(TransferType t) { type = t; }

    // ---- the one data channel ----------------------------------------------

    // How data connections are made. Active: the program listens and the
    // server connects (PORT; EPRT on IPv6). Passive: the server listens and
    // the program connects (EPSV; PASV where EPSV is refused). Automatic:
    // passive, and once passive fails, active for the rest of the session.
    enum class DataMode { Active, Passive, Automatic };
    // The mode and the time limit of a passive data connect, for the
    // connections to come (the profile's; active mode until set).
    void setDataMode(DataMode mode, int connectTimeoutMs);
    DataMode dataMode() const { return mode; }
    // Whether the next data connection is passive (not in Automatic after a fallback).
    bool passiveInUse() const;

    // Opens a data connection for `command` ("LIST", "RETR name", "STOR name"):
    //  1. prepares it in the session's mode (active: a listener announced with
    //     PORT or EPRT on the control connection's own address; passive: EPSV
    //     or PASV, and a connect to the control connection's peer at the port
    //     the server gave, within the time limit);
    //  2. sends the command and judges its reply once: 150 or 125 opens the data
    //     connection, anything else refuses it (Refused; nothing is waited for);
    //  3. asks `beforeConnect`, when given, whether to go on (a download creates
    //     its local file here, only once the server will send); false: Declined;
    //  4. takes the server's connection (active), from the server's address only.
    // With a restart, its REST goes between the preparation and the command.
    DataOpening openData(const QString &command,
                         const std::function<bool(const DataOpening &)> &beforeConnect = {},
                         const DataRestart &restart = {});
    // Data of the open data connection: bytes moved, 0 at the end of the data
    // (receive), or a negative number on failure (ws::lastError()).
    int receiveData(char *buffer, int size);
    int sendData(const char *data, int size);
    // Closes the data connection and any listener (an upload's end of data, or giving up).
    void closeData();
    // closeData() and the command's final reply, logged when one came.
    Reply finishData();
    // Looks, without reading, whether the server is still there: a control
    // connection found closed ends the session now (said once, as when the
    // server hangs up). For a failed transfer, which must not report a
    // connection that its server already ended.
    bool stillThere();
    // A data connection is being set up or used. Commands the user starts from
    // the panes meanwhile would reopen the data channel under the running transfer.
    bool dataTransferUnderWay() const
    {
        return listener != ws::InvalidSocket || data != ws::InvalidSocket;
    }
    // The last openData() in active mode failed because the server refused PORT
    // (EPRT) with a 5xx (DataOpening::activeRefused of that opening).
    bool activeModeRefused() const { return lastPortRefused; }

    // ---- the server's encoding ----------------------------------------------

    // Host names and commands travel in the server's encoding: UTF-8 or code
    // page 949. The first text with non-ASCII bytes that the server sends (a
    // reply line or a listing line) decides it for the connection. Until then
    // the answer to FEAT has guessed it (UTF8 listed: UTF-8; not listed or FEAT
    // refused: code page 949), so that a Korean name created on an old server
    // before it has shown any reaches it in its own encoding; UTF-8 before that.
    enum class ServerEncoding { Undecided, Cp949, Utf8 };
    QByteArray encodeText(const QString &text) const;
    QString decodeText(QByteArrayView bytes) const;
    // decodeText() as a plain function of the encoding in force, for many names.
    using TextDecoder = QString (*)(QByteArrayView bytes);
    TextDecoder textDecoder() const;
    // Decides the encoding from one whole line of the server's text, if the
    // server's text has not decided it yet (a guess is overridden).
    void noteServerText(QByteArrayView line);
    // The encoding in force: decided, guessed, or Undecided (UTF-8 is used).
    ServerEncoding serverEncoding() const { return encoding; }
    // Whether the server's own text decided it (rather than a guess).
    bool serverEncodingShown() const { return encodingShown; }
    void setServerEncoding(ServerEncoding e)
    {
        encoding = e;
        encodingShown = e != ServerEncoding::Undecided;
    }

    // ---- upkeep ---------------------------------------------------------------

    // Anti-idle: a NOOP after 90 seconds without a reply, while `on`.
    void setAntiIdle(bool on);
    bool antiIdle() const { return antiIdleOn; }
    // Other work that a NOOP must not disturb (the transfer or print window
    // showing); the keep-alive then tries again one interval later.
    void setBusyCheck(std::function<bool()> busy) { otherWork = std::move(busy); }
    // What the anti-idle timer runs.
    void keepAlive();
    QTimer *noopTimer() const { return noop; }

    // A line of the transcript from outside the session (a pane's own notice),
    // so that every line reaches the window the same way.
    void log(TranscriptSide side, const QString &text) { emit transcript(side, text); }

signals:
    void transcript(kav::TranscriptSide side, const QString &text);
    void connected();        // the control connection is open
    void connectFailed(kav::Session::ConnectResult result);
    void loggedIn(const QString &systemType);
    void disconnected();     // every connection closed
    // The server closed the control connection (idle, restarting, mid-reply):
    // logged once, every connection already closed; the window ends the session.
    void closedByServer();
    // A 257 reply named the current host directory.
    void hostDirectoryReported(const QString &name);
    // A passive data connect begins (true) or ends (false): the window lets
    // the stop button end it meanwhile.
    void dataConnectWaiting(bool waiting);

private:
    bool refuseCommand(const QByteArray &line) const;
    Reply decoded(const RawReply &raw);
    void closeSocket(ws::Socket &socket);
    // Connects `socket` (already made) to `to`, waiting at most timeoutMs while
    // window events are processed; cancel() or the socket's closing ends the wait.
    ConnectResult connectWithin(ws::Socket &socket, const ws::SocketAddress &to, int timeoutMs);
    bool openListener();
    // FEAT and what follows from it (features()).
    void askFeatures();
    // EPSV (PASV where refused) and the connect of `data`. Refused: the
    // server offered no passive port; Failed: the connect did not succeed;
    // Stopped: no answer (the connection went), or the user ended the wait.
    enum class PassiveResult { Connected, Refused, Failed, Stopped };
    PassiveResult openPassive();
    // The data connection of the command just answered, whatever the mode:
    // the server's connection accepted (active), or the one made before the
    // command (passive). On true, `data` is the open data socket.
    bool establishData(bool passive);
    bool acceptData();
    // The control connection's end, noticed while no command waits on it.
    void controlReadable();
    // Every connection closed without a word (the server's end), then `notice`
    // logged, disconnected() and closedByServer() emitted.
    void serverClosed(const QString &notice);
    void serverClosed();
    // Closes every connection and forgets the login; emits nothing.
    void shutAll();
    // shutAll() for the server's end: marked as the server's, no cancel logged.
    void shutAllForServer();
    // Logs what was too long and drops the connection.
    void refuseOverlongReply();
    // Watches the control connection while nothing else reads it.
    void rewatchControl();
    // The control and data connections' bytes, through TLS when it is on.
    int controlRecv(char *buffer, int size);
    int controlSend(const char *bytes, int size);
    bool secureData();
    // Ends the TLS layer of a connection about to close (close_notify sent).
    void retireTls(std::unique_ptr<tls::TlsSocket> &layer);
    void protectData();
    quint32 deadline() const;

    ws::Socket control = ws::InvalidSocket;
    ws::Socket listener = ws::InvalidSocket;
    ws::Socket data = ws::InvalidSocket;
    ws::SocketAddress server;         // with the port connected to
    ws::SocketAddress localAddress;   // of the control connection
    DataMode mode = DataMode::Active;
    int dataConnectTimeoutMs = 15000;
    bool passiveFellBack = false;   // Automatic: passive failed once this session
    bool epsvRefused = false;       // the server does not know EPSV: PASV from now on
    bool lastPortRefused = false;   // the last PORT (EPRT) was refused with a 5xx
    ReplyReader reader;
    TransferType type = TransferType::None;
    bool loggingIn = false;   // greeted: the login has begun
    bool cancelRequested = false;
    bool antiIdleOn = false;
    std::function<bool()> otherWork;
    ServerEncoding encoding = ServerEncoding::Undecided;
    bool encodingShown = false;   // decided by the server's text, not guessed
    ServerFeatures feats;
    QTimer *noop = nullptr;
    QSocketNotifier *controlWatch = nullptr;
    int commandDepth = 0;
    bool hungUp = false;   // the server closed the control connection: logged once
    bool inControlReadable = false;   // controlReadable() is on the stack
    bool closingQuietly = false;      // the server's end or the exit is carried out: no cancel logged
    bool exiting = false;             // closeForExit(): the program ends, nothing more is said
    QTimer *rewatchTimer = nullptr;   // looks at the control connection again while others read
    int timeLimitMs = 15000;   // the connect time limit, also for handshakes and closing

    bool tlsRequired = false;
    QString tlsHost;
    std::function<bool(const tls::PeerCertificate &)> certificateJudge;
    std::unique_ptr<tls::TlsSocket> controlTls;
    std::unique_ptr<tls::TlsSocket> dataTls;
    // Layers closed while a wait of theirs may still be on the stack (a handler
    // inside the wait closed the connection): freed at the next safe point.
    std::vector<std::unique_ptr<tls::TlsSocket>> retiredTls;
    bool dataProtected = false;   // PROT P accepted
    bool dataSent = false;        // the data connection carried an upload
    bool dataBroken = false;      // a data read or write failed
};

} // namespace kav
