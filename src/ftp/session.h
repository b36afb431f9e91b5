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
    QTimer *noopTimer() const { return Timer_Noop; }

    // Host names and commands travel in the server's encoding.
    QByteArray encodeText(const QString &text) const;
    QString decodeText(QByteArrayView bytes) const;
    bool serverUsesUtf8() const { return utf8; }
    void setServerUsesUtf8(bool on) { utf8 = on; }

    SessionProfile profile;

    ws::Socket ControlSocket = ws::InvalidSocket;
    ws::Socket ListenSocket = ws::InvalidSocket;
    ws::Socket DataSocket = ws::InvalidSocket;
    quint32 ServerAddress = 0;          // host byte order; the port is always 21
    quint32 LocalControlAddress = 0;    // host byte order
    quint16 LocalControlPort = 0;

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
    bool utf8 = false;
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
