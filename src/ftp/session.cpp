#include "session.h"
#include "session_ui.h"

#include "platform/cp949.h"
#include "platform/dialogs.h"
#include "platform/utf8x.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

namespace kav {

namespace {

const QString HostPrefix = QStringLiteral("[H] - ");
const QString LocalPrefix = QStringLiteral("[L] - ");

bool isReplyCode(QByteArrayView line)
{
    return line.size() >= 3 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1]))
        && std::isdigit(uchar(line[2]));
}

} // namespace

void PumpMessages(int n)
{
    for (int i = 0; i < n; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QString ExtractQuoted(const QString &text, QChar ch)
{
    const qsizetype first = text.indexOf(ch);
    if (first < 0)
        return {};
    const qsizetype last = text.lastIndexOf(ch);
    if (last <= first)
        return {};
    return text.mid(first + 1, last - first - 1);
}

QString TrimReply(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

Session::Session(SessionUi &ui, QObject *parent)
    : QObject(parent), ui(ui)
{
    Timer_Noop = new QTimer(this);
    Timer_Noop->setObjectName(QStringLiteral("Timer_Noop"));
    Timer_Noop->setInterval(90000);
    connect(Timer_Noop, &QTimer::timeout, this, &Session::Timer_NoopTimer);
}

Session::~Session()
{
    for (ws::Socket *s : {&ControlSocket, &ListenSocket, &DataSocket}) {
        if (*s != ws::InvalidSocket)
            ws::closesocket(*s);
        *s = ws::InvalidSocket;
    }
}

// Until the server has shown a name with non-ASCII bytes, a name typed or
// chosen here goes out in UTF-8, what servers expect today.
QByteArray Session::encodeText(const QString &text) const
{
    return encoding == ServerEncoding::Cp949 ? cp949::encode(text) : utf8x::encode(text);
}

QString Session::decodeText(QByteArrayView bytes) const
{
    return encoding == ServerEncoding::Cp949 ? cp949::decode(bytes) : utf8x::decode(bytes);
}

void Session::noteServerText(QByteArrayView line)
{
    if (encoding != ServerEncoding::Undecided)
        return;
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return;
    // Korean text in code page 949 is practically never well-formed UTF-8.
    encoding = utf8x::isValid(line) ? ServerEncoding::Utf8 : ServerEncoding::Cp949;
}

void Session::logFailedConnect(const QString &box, bool toFront)
{
    ui.setStopEnabled(false);
    if (toFront)
        ui.bringToFront();
    ui.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
    informationBox(box);
}

void Session::BB_ConnectClick(bool fromButton)
{
    if (ui.stopEnabled())
        return;
    // The connect button stays enabled while the greeting is awaited; a second
    // connect then would orphan the socket being opened.
    if (ControlSocket != ws::InvalidSocket)
        return;
    if (fromButton) {
        profile.HostIP.clear();
        ui.runConnectDialog();
    }
    PumpMessages(1);
    if (profile.HostIP.isEmpty())
        return;
    if (profile.UserId.isEmpty()) {
        informationBox(QStringLiteral("로그인 명이 없으면 호스트에 연결할 수 없습니다."));
        return;
    }
    quint32 address = 0;
    if (!ws::inetAddr(profile.HostIP, &address) && !ws::gethostbyname(profile.HostIP, &address)) {
        informationBox(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
        return;
    }

    ServerAddress = address;
    ui.setStopTag(0);
    ui.setStopEnabled(true);
    ui.AppendLog(QStringLiteral("Connecting to ") + profile.HostIP + QStringLiteral("  port ")
                 + QString::number(FtpPort));
    PumpMessages(1);

    const int attempts = std::max(1, profile.TrialTimes);
    const quint32 limitMs = quint32(std::max(1, profile.Timeout)) * 1000u;
    const QString refused = QStringLiteral("호스트의 FTP 서버(21/TCP)에 연결을 못했습니다.");
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        ControlSocket = ws::socket();
        if (ControlSocket == ws::InvalidSocket) {
            logFailedConnect(QStringLiteral("네트워크 오류: 소켓핸들을 얻을 수 없습니다."), true);
            return;
        }
        ws::asyncSelect(ControlSocket, MsgFtpConnect, ws::FD_CONNECT);
        ConnectStartTick = ws::tickCount();
        if (ws::connect(ControlSocket, ServerAddress, FtpPort) == ws::SocketError
            && ws::lastError() != ws::WSAEWOULDBLOCK) {
            logFailedConnect(refused, true);
            CloseSocket(ControlSocket);
            return;
        }
        // Unsigned difference: the tick counter may wrap during the wait.
        while (ui.stopTag() == 0 && quint32(ws::tickCount() - ConnectStartTick) < limitMs)
            ws::idleWait(10);

        const int tag = ui.stopTag();
        if (tag == 1) {
            ui.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
            ui.setStopEnabled(false);
            CloseSocket(ControlSocket);
            return;
        }
        if (tag == 2)
            break;
        if (tag == 3) {
            logFailedConnect(refused, true);
            CloseSocket(ControlSocket);
            return;
        }
        CloseSocket(ControlSocket);
        if (attempt == attempts) {
            logFailedConnect(refused + QStringLiteral(" (시간제한 초과)"), true);
            return;
        }
    }

    ui.setStopEnabled(false);
    ui.AppendLog(QStringLiteral("Connected to ") + profile.HostIP + QStringLiteral("  port ")
                 + QString::number(FtpPort));
    ws::asyncSelect(ControlSocket, 0, 0);
    ws::setNonBlocking(ControlSocket, false);
    pending.clear();
    encoding = ServerEncoding::Undecided;

    if (ReadReply()) {
        if (LastReply.size() >= 4 && LastReply.at(3) == QLatin1Char('-'))
            ReadReply();
        const QString code = LastReply.left(3);
        if (code == QLatin1String("220") && LastReply.size() == 3) {
            ui.AppendLog(HostPrefix + LastReply);
            ReadReply();
        } else if (code != QLatin1String("220")) {
            ui.bringToFront();
            ui.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
            informationBox(refused);
            DropConnection();
            return;
        }
    }
    if (!LastReply.isEmpty())
        ui.AppendLog(HostPrefix + LastReply);

    ui.enterLocalStartDirectory(profile);
    ui.loadHostLists(profile.HostName);

    connected = true;
    ui.setConnectEnabled(false);
    ui.setDisconnectEnabled(true);
    transferType = TypeNone;
    replyState = rsUser;
    SendCommand(QStringLiteral("USER ") + profile.UserId);
}

bool Session::refuseCommand(const QByteArray &line) const
{
    // The line and its CR LF must fit the 512-byte send buffer with its terminating zero.
    if (line.size() > SendBufferSize - 3)
        return true;
    return line.contains('\r') || line.contains('\n') || line.contains('\0');
}

void Session::SendCommand(const QString &command)
{
    if (ControlSocket == ws::InvalidSocket)
        return;

    QByteArray line = encodeText(command);
    if (refuseCommand(line)) {
        // A name with a line break could smuggle a second command to the server.
        ui.AppendLog(LocalPrefix
                     + QStringLiteral("네트워크 오류: 명령에 허용되지 않는 문자가 있거나 너무 길어서 보내지 않았습니다."));
        CloseSocket(ListenSocket);
        CloseSocket(DataSocket);
        LastReply.clear();
        ExpectedSize = -1;
        return;
    }

    const QString head = command.left(4);
    if (head == QLatin1String("TYPE")) {
        if ((transferType == TypeAscii && command == QLatin1String("TYPE A"))
            || (transferType == TypeImage && command == QLatin1String("TYPE I")))
            return;
        ui.AppendLog(LocalPrefix + command);
        transferType = command == QLatin1String("TYPE A") ? TypeAscii : TypeImage;
    } else if (head == QLatin1String("PASS")) {
        ui.AppendLog(LocalPrefix + QStringLiteral("PASS (hidden)"));
    } else {
        ui.AppendLog(LocalPrefix + command);
    }

    line += "\r\n";
    if (ws::send(ControlSocket, line.constData(), int(line.size())) == ws::SocketError) {
        ui.AppendLog(HostPrefix + QStringLiteral("네트워크 오류: 데이터를 보낼 수 없습니다."));
        CloseSocket(ListenSocket);
        CloseSocket(DataSocket);
        // The previous reply must not pass for this command's answer.
        LastReply.clear();
        ExpectedSize = -1;
        return;
    }
    if (ReadReply()) {
        if (LastReply.size() >= 4 && LastReply.at(3) == QLatin1Char('-'))
            ReadReply();
        DispatchReply();
    }
}

bool Session::ReadReply()
{
    if (ControlSocket == ws::InvalidSocket)
        return false;

    // One whole reply: "xyz-" opens a multi-line reply that the first line
    // beginning "xyz " ends; anything else is a reply of one line. Bytes after
    // the reply stay for the next read.
    QByteArray code;   // of the multi-line reply in progress
    qsizetype pos = 0;
    for (;;) {
        qsizetype end = pos;
        while (end < pending.size() && pending.at(end) != '\n' && pending.at(end) != '\0')
            ++end;
        if (end >= pending.size()) {
            pending.remove(0, pos);
            pos = 0;
            char buffer[ReceiveBufferSize];
            const int n = ws::recv(ControlSocket, buffer, ReceiveBufferSize);
            if (n <= 0) {
                // Closed, failed or cancelled: no reply; a partial line is dropped.
                pending.clear();
                LastReply.clear();
                return true;
            }
            pending.append(buffer, n);
            continue;
        }
        const QByteArray raw = pending.mid(pos, end - pos);
        pos = end + 1;
        noteServerText(raw);
        const QString text = TrimReply(decodeText(raw));
        const QByteArray bytes = TrimReply(QString::fromLatin1(raw)).toLatin1();
        if (code.isEmpty()) {
            if (text.isEmpty())
                continue;  // stray blank line between replies
            if (isReplyCode(bytes) && bytes.size() >= 4 && bytes.at(3) == '-') {
                code = bytes.left(3);
                ui.AppendLog(HostPrefix + text);
                continue;
            }
        } else if (!(bytes.startsWith(code) && (bytes.size() == 3 || bytes.at(3) == ' '))) {
            ui.AppendLog(HostPrefix + text);
            continue;
        }
        pending.remove(0, pos);
        LastReply = text;
        break;
    }

    if (LastReply.left(3) == QLatin1String("257"))
        ui.hostDirectoryReported(ExtractQuoted(LastReply, QLatin1Char('"')));
    return true;
}

void Session::DispatchReply()
{
    const QString code = LastReply.left(3);
    auto log = [this] { ui.AppendLog(HostPrefix + LastReply); };

    if (ControlSocket == ws::InvalidSocket) {
        ui.AppendLog(HostPrefix + QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
        DropConnection();
    } else {
        if (ui.antiIdleChecked())
            Timer_Noop->stop();
        switch (replyState) {
        case rsUser:
            loginUserReply();
            break;
        case rsPass:
            loginPassReply();
            break;
        case rsRetr:
            ExpectedSize = -1;
            log();
            // Some servers announce the transfer with 125 rather than 150.
            if (code == QLatin1String("150") || code == QLatin1String("125")) {
                const qsizetype open = LastReply.lastIndexOf(QLatin1Char('('));
                if (open >= 0)
                    LastReply = LastReply.mid(open, 255);
                const qsizetype first = LastReply.indexOf(QLatin1Char('('));
                if (first >= 0) {
                    QString digits;
                    for (qsizetype i = first + 1; i < LastReply.size(); ++i)
                        if (LastReply.at(i).isDigit() && LastReply.at(i).unicode() < 128)
                            digits += LastReply.at(i);
                    bool ok = false;
                    const qint64 size = digits.toLongLong(&ok);
                    ExpectedSize = ok ? size : 0;
                } else {
                    ExpectedSize = SizeUnknown;
                }
            }
            break;
        case rsStor:
        case rsDele:
        case rsPlain:
            log();
            break;
        case rsRmd:
            log();
            if (code == QLatin1String("250"))
                ui.refreshHostLists();
            break;
        case rsMkd:
            log();
            if (code == QLatin1String("257"))
                ui.refreshHostLists();
            break;
        case rsPort:
            if (code != QLatin1String("200"))
                CloseSocket(ListenSocket);
            log();
            break;
        }
    }
    if (ui.antiIdleChecked())
        Timer_Noop->start();
}

void Session::loginUserReply()
{
    ui.AppendLog(HostPrefix + LastReply);
    if (LastReply.left(3) == QLatin1String("331")) {
        replyState = rsPass;
        SendCommand(QStringLiteral("PASS ") + profile.Password);
        return;
    }
    informationBox(QStringLiteral("로그인 실패, 로그인 명을 확인하십시요."));
    BB_DisconnectClick();
}

void Session::loginPassReply()
{
    ui.AppendLog(HostPrefix + LastReply);
    if (LastReply.left(3) != QLatin1String("230")) {
        informationBox(QStringLiteral("로그인 실패, 비밀번호를 확인하십시요."));
        BB_DisconnectClick();
        return;
    }
    replyState = rsPlain;
    SendCommand(QStringLiteral("SYST"));
    PumpMessages(5);

    const QString sessionTitle = profile.HostName + QStringLiteral(" (") + profile.HostIP
        + QStringLiteral(", ") + profile.UserId + QLatin1Char(')');
    bool unixCommands = true;
    if (!LastReply.contains(QLatin1String("215 UNIX"))) {
        const QString upper = LastReply.toUpper();
        for (const char *name : {"WINDOWS", "WIN32", "WIN95", "WIN98"})
            if (upper.contains(QLatin1String(name)))
                unixCommands = false;
    }
    ui.setUnixCommandsEnabled(unixCommands);
    ui.setTitles(ui.baseTitle() + QStringLiteral(" - ") + sessionTitle, sessionTitle);

    if (profile.UseLastPath)
        SendCommand(QStringLiteral("CWD ") + profile.LastHostDir);
    else if (!profile.RemotePath.isEmpty())
        SendCommand(QStringLiteral("CWD ") + profile.RemotePath);

    if (!ws::getsockname(ControlSocket, &LocalControlAddress, &LocalControlPort)) {
        informationBox(QStringLiteral("네트워크 오류: Packet Driver 에러로 로컬주소를 얻지못했습니다."));
        BB_DisconnectClick();
        return;
    }
    if (profile.UseLastPath)
        ui.setSelectAfterRefresh(profile.LastHostFile);
    ui.refreshHostLists();
}

void Session::CloseSocket(ws::Socket &socket)
{
    if (socket == ws::InvalidSocket)
        return;
    if (ws::isBlocking()) {
        ws::cancelBlockingCall();
        ui.AppendLog(HostPrefix + QStringLiteral("Cancelled blocking call"));
    }
    ws::closesocket(socket);
    socket = ws::InvalidSocket;
}

void Session::DropConnection()
{
    CloseSocket(ControlSocket);
    CloseSocket(ListenSocket);
    CloseSocket(DataSocket);
    pending.clear();
    ui.setConnectEnabled(true);
    connected = false;
}

void Session::BB_DisconnectClick()
{
    if (ws::isBlocking()) {
        ws::cancelBlockingCall();
        ui.AppendLog(HostPrefix + QStringLiteral("Cancelled blocking call"));
    }
    DropConnection();
    ui.saveConfiguration();
    ui.resetSessionProfile();
    ui.clearMessages();
    ui.clearHostPane();
    ui.setConnectEnabled(true);
    ui.setDisconnectEnabled(false);
    PumpMessages(1);
    ui.setTitles(ui.baseTitle(), ui.baseTitle());
    ui.moveCursorToConnect();
    ui.resetCancelTags();
}

void Session::RB_asciiClick()
{
    if (!connected)
        return;
    ui.clearAutoMode();
    replyState = rsPlain;
    SendCommand(QStringLiteral("TYPE A"));
}

void Session::RB_binaryClick()
{
    if (!connected)
        return;
    ui.clearAutoMode();
    replyState = rsPlain;
    SendCommand(QStringLiteral("TYPE I"));
}

void Session::Timer_NoopTimer()
{
    Timer_Noop->stop();
    if (!connected || !ui.antiIdleChecked())
        return;
    if (ui.transferOrPrintShowing() || ListenSocket != ws::InvalidSocket
        || DataSocket != ws::InvalidSocket) {
        Timer_Noop->start();
        return;
    }
    replyState = rsPlain;
    SendCommand(QStringLiteral("NOOP"));
}

} // namespace kav
