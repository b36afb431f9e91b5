#pragma once
// The single FTP session: the control connection, its command and reply
// machinery, the login and the session's upkeep.

#include "session_profile.h"
#include "../platform/winsock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTimer;

namespace kav {

class SessionUi;

// Which command's reply the dispatcher is waiting for.
enum ReplyState : quint8 {
    rsUser = 0,
    rsPass = 1,
    rsRetr = 5,
    rsStor = 6,
    rsDele = 7,
    rsRmd = 8,
    rsMkd = 9,
    rsPort = 13,
    rsPlain = 15,
};

// Transfer type in effect (the last TYPE command sent).
enum : int { TypeNone = -1, TypeAscii = 1, TypeImage = 2 };

inline constexpr int FtpPort = 21;
inline constexpr int SendBufferSize = 512;
inline constexpr int ReceiveBufferSize = 4096;
inline constexpr qint64 SizeUnknown = 2147483647;
// The connect notification message of the control connection.
inline constexpr int MsgFtpConnect = 1124;

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(SessionUi &ui, QObject *parent = nullptr);
    ~Session() override;

    // Sender: true when the connect button was pressed (the host dialog is shown),
    // false for the start-up auto-connect (the loaded profile is used as it is).
    void BB_ConnectClick(bool fromButton);
    void SendCommand(const QString &command);
    bool ReadReply();
    void CloseSocket(ws::Socket &socket);
    void DropConnection();

    void BB_DisconnectClick();
    void RB_asciiClick();
    void RB_binaryClick();
    void Timer_NoopTimer();

    bool isConnected() const { return connected; }
    // A data connection is being set up or used. Commands the user starts from
    // the panes meanwhile would reopen the data port under the running transfer.
    bool dataTransferUnderWay() const
    {
        return ListenSocket != ws::InvalidSocket || DataSocket != ws::InvalidSocket;
    }
    QTimer *noopTimer() const { return Timer_Noop; }

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

    // The data listener and its PORT announcement. Returns ListenSocket, which
    // is invalid when any step failed or the server refused PORT.
    ws::Socket OpenDataPort();
    // Accepts the server's data connection into DataSocket (blocking; the
    // listener is closed on failure). Connections from any address but the
    // server's are closed at once and the wait goes on.
    bool AcceptDataConnection();

    SessionProfile profile;

    ws::Socket ControlSocket = ws::InvalidSocket;
    ws::Socket ListenSocket = ws::InvalidSocket;
    ws::Socket DataSocket = ws::InvalidSocket;
    quint32 ServerAddress = 0;          // host byte order; the port is always 21
    quint32 LocalControlAddress = 0;    // host byte order
    quint16 LocalControlPort = 0;
    quint16 DataPort = 0;               // the listener's port, read back after binding

    QString LastReply;
    ReplyState replyState = rsPlain;
    int transferType = TypeNone;   // 1 ASCII, 2 image, -1 none yet
    qint64 ExpectedSize = -1;
    quint32 ConnectStartTick = 0;

private:
    void DispatchReply();
    void loginUserReply();
    void loginPassReply();
    bool refuseCommand(const QByteArray &line) const;
    void logFailedConnect(const QString &box, bool toFront);

    SessionUi &ui;
    bool connected = false;
    ServerEncoding encoding = ServerEncoding::Undecided;
    QByteArray pending;   // received bytes after the last whole reply
    QTimer *Timer_Noop = nullptr;
};

// Processes pending window messages n times (nothing for n <= 0).
void PumpMessages(int n);
// The text between the first and the last occurrence of ch; empty when ch occurs fewer than two times.
QString ExtractQuoted(const QString &text, QChar ch);
// Trim leading and trailing blanks and control characters.
QString TrimReply(const QString &text);

} // namespace kav
