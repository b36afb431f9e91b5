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

#include "reply.h"
#include "transcript.h"

#include "platform/winsock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

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
        Failed,     // a local step or the mode's own command (PORT) failed; nothing to finish
        Refused,    // the server answered the command without a 150/125: `reply` says why
        Declined,   // the caller's beforeConnect said no: finishData() reads the server's word
    };
    Status status = Status::Failed;
    // The command's reply: the preliminary one (Opened, Declined) or the refusal
    // (Refused); empty when the command was never answered.
    Reply reply;
    // The size announced by the preliminary reply (expectedTransferSize), -1 without one.
    qint64 expectedSize = -1;

    bool opened() const { return status == Status::Opened; }
};

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    // ---- the control connection ------------------------------------------

    enum class ConnectResult { Connected, Refused, TimedOut, Cancelled, NoSocket };
    // One attempt to open the control connection, waiting on the socket's own
    // readiness at most timeoutMs while window events are processed. cancel()
    // ends the wait. On success the reply reader and the server's encoding start afresh.
    ConnectResult openControl(quint32 address, quint16 port, int timeoutMs);
    // The stop button: ends a connect wait in progress (it reports Cancelled).
    void cancel();
    // A control connection exists (it may still await its greeting).
    bool hasControlConnection() const { return control != ws::InvalidSocket; }
    // Greeted and logged in or logging in: the panes may send commands.
    bool isConnected() const { return loggingIn; }
    // The server's address (host byte order) as resolved before the connect.
    quint32 serverAddress() const { return server; }
    // The control connection's own address (host byte order), read at login.
    quint32 localControlAddress() const { return localAddress; }
    // Closes every connection of the session (a blocking call in progress is
    // cancelled first, logged) and emits disconnected().
    void drop();
    // The user's disconnect: like drop(), with the cancel of a blocking call in
    // progress logged once more up front. No QUIT is sent.
    void hangUp();
    // Ends the blocking call in progress, if any (logged "Cancelled blocking call").
    void interruptWait();

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

    enum class LoginResult { LoggedIn, UserRefused, PasswordRefused, Interrupted };
    // USER, PASS (when 331 asks for it; a 230 to USER needs none) and SYST. Marks the session connected
    // first. On LoggedIn, *systemReply holds the SYST reply and loggedIn() is emitted.
    LoginResult login(const QString &user, const QString &password, QString *systemReply);
    // Reads the control connection's own address, which the data channel announces; false when it cannot.
    bool readLocalAddress();

    TransferType transferType() const { return type; }
    // The type a stored configuration remembers as in effect.
    void rememberTransferType(TransferType t) { type = t; }

    // ---- the one data channel ----------------------------------------------

    // Opens a data connection for `command` ("LIST", "RETR name", "STOR name"):
    //  1. prepares it in the session's mode (active: a listener announced with
    //     PORT on the control connection's own address);
    //  2. sends the command and judges its reply once: 150 or 125 opens the data
    //     connection, anything else refuses it (Refused; nothing is waited for);
    //  3. asks `beforeConnect`, when given, whether to go on (a download creates
    //     its local file here, only once the server will send); false: Declined;
    //  4. takes the server's connection, from the server's address only.
    DataOpening openData(const QString &command,
                         const std::function<bool(const DataOpening &)> &beforeConnect = {});
    // Data of the open data connection: bytes moved, 0 at the end of the data
    // (receive), or a negative number on failure (ws::lastError()).
    int receiveData(char *buffer, int size);
    int sendData(const char *data, int size);
    // Closes the data connection and any listener (an upload's end of data, or giving up).
    void closeData();
    // closeData() and the command's final reply, logged when one came.
    Reply finishData();
    // A data connection is being set up or used. Commands the user starts from
    // the panes meanwhile would reopen the data channel under the running transfer.
    bool dataTransferUnderWay() const
    {
        return listener != ws::InvalidSocket || data != ws::InvalidSocket;
    }

    // ---- the server's encoding ----------------------------------------------

    // Host names and commands travel in the server's encoding: UTF-8 or code
    // page 949, decided by the first text with non-ASCII bytes that the server
    // sends (a reply line or a listing line) and kept for the connection;
    // UTF-8 until then.
    enum class ServerEncoding { Undecided, Cp949, Utf8 };
    QByteArray encodeText(const QString &text) const;
    QString decodeText(QByteArrayView bytes) const;
    // Decides the encoding from one whole line of the server's text, if not yet decided.
    void noteServerText(QByteArrayView line);
    ServerEncoding serverEncoding() const { return encoding; }
    void setServerEncoding(ServerEncoding e) { encoding = e; }

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

private:
    bool refuseCommand(const QByteArray &line) const;
    Reply decoded(const RawReply &raw);
    void closeSocket(ws::Socket &socket);
    bool openListener();
    bool acceptData();
    // The control connection's end, noticed while no command waits on it.
    void controlReadable();
    void serverClosed();
    // Logs what was too long and drops the connection.
    void refuseOverlongReply();
    // Watches the control connection while nothing else reads it.
    void rewatchControl();

    ws::Socket control = ws::InvalidSocket;
    ws::Socket listener = ws::InvalidSocket;
    ws::Socket data = ws::InvalidSocket;
    quint32 server = 0;          // host byte order; the port is always 21
    quint32 localAddress = 0;    // of the control connection, host byte order
    ReplyReader reader;
    TransferType type = TransferType::None;
    bool loggingIn = false;   // greeted: the login has begun
    bool cancelRequested = false;
    bool antiIdleOn = false;
    std::function<bool()> otherWork;
    ServerEncoding encoding = ServerEncoding::Undecided;
    QTimer *noop = nullptr;
    QSocketNotifier *controlWatch = nullptr;
    int commandDepth = 0;
    bool hungUp = false;   // the server closed the control connection: logged once
};

} // namespace kav
