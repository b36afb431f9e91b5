#include "session.h"

#include "platform/cp949.h"
#include "platform/text.h"
#include "platform/utf8x.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

namespace kav {

namespace {
constexpr int NoopIntervalMs = 90000;
// Short enough that the stop button answers at once, long enough not to spin a core.
constexpr int ConnectPollMs = 10;
// While another wait holds the stage and a reply already waits unread, how
// often the control connection is looked at for the server's end.
constexpr int RewatchMs = 100;
const QString ServerHungUp = QStringLiteral("네트워크 오류: 호스트가 연결을 끊었습니다.");
}

Session::Session(QObject *parent)
    : QObject(parent)
{
    noop = new QTimer(this);
    noop->setObjectName(QStringLiteral("Timer_Noop"));
    noop->setInterval(NoopIntervalMs);
    connect(noop, &QTimer::timeout, this, &Session::keepAlive);
    rewatchTimer = new QTimer(this);
    rewatchTimer->setSingleShot(true);
    rewatchTimer->setInterval(RewatchMs);
    connect(rewatchTimer, &QTimer::timeout, this, &Session::rewatchControl);
}

Session::~Session()
{
    if (controlWatch)
        controlWatch->setEnabled(false);
    controlTls.reset();
    dataTls.reset();
    for (ws::Socket *s : {&control, &listener, &data}) {
        if (*s != ws::InvalidSocket)
            ws::closesocket(*s);
        *s = ws::InvalidSocket;
    }
}

// ---- encoding -------------------------------------------------------------------

// Until the server has shown a name with non-ASCII bytes, a name typed or
// chosen here goes out in the encoding FEAT suggested (UTF-8 before FEAT).
QByteArray Session::encodeText(const QString &text) const
{
    return encoding == ServerEncoding::Cp949 ? cp949::encode(text) : utf8x::encode(text);
}

QString Session::decodeText(QByteArrayView bytes) const
{
    return textDecoder()(bytes);
}

Session::TextDecoder Session::textDecoder() const
{
    return encoding == ServerEncoding::Cp949 ? &cp949::decode : &utf8x::decode;
}

void Session::noteServerText(QByteArrayView line)
{
    if (encodingShown)
        return;
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return;
    // Korean text in code page 949 is practically never well-formed UTF-8.
    encoding = utf8x::isValid(line) ? ServerEncoding::Utf8 : ServerEncoding::Cp949;
    encodingShown = true;
}

// ---- the control connection ----------------------------------------------------

Session::ConnectResult Session::connectWithin(ws::Socket &socket, const ws::SocketAddress &to, int timeoutMs)
{
    cancelRequested = false;   // a stop pressed before this wait is not meant for it
    ws::setNonBlocking(socket, true);
    ConnectResult result = ConnectResult::Connected;
    if (ws::connect(socket, to) == ws::SocketError) {
        if (ws::lastError() != ws::WSAEWOULDBLOCK) {
            result = ConnectResult::Refused;
        } else {
            QElapsedTimer clock;
            clock.start();
            for (;;) {
                const int status = ws::connectStatus(socket, ConnectPollMs);
                if (status != ws::WSAEWOULDBLOCK) {
                    result = status == 0 ? ConnectResult::Connected : ConnectResult::Refused;
                    break;
                }
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                if (cancelRequested || socket == ws::InvalidSocket) {
                    result = ConnectResult::Cancelled;
                    break;
                }
                if (clock.elapsed() >= timeoutMs) {
                    result = ConnectResult::TimedOut;
                    break;
                }
            }
        }
    }
    cancelRequested = false;
    if (socket != ws::InvalidSocket)
        ws::setNonBlocking(socket, false);
    return result;
}

Session::ConnectResult Session::openControl(const ws::SocketAddress &address, int timeoutMs)
{
    cancelRequested = false;
    server = address;
    timeLimitMs = timeoutMs;
    if (!ws::isBlocking())
        retiredTls.clear();
    control = ws::socket(address.family);
    if (control == ws::InvalidSocket) {
        emit connectFailed(ConnectResult::NoSocket);
        return ConnectResult::NoSocket;
    }
    const ConnectResult result = connectWithin(control, address, timeoutMs);
    if (result != ConnectResult::Connected) {
        closeSocket(control);
        emit connectFailed(result);
        return result;
    }
    // What the data channel learnt belongs to the server it learnt it from.
    passiveFellBack = false;
    epsvRefused = false;
    reader.clear();
    encoding = ServerEncoding::Undecided;
    encodingShown = false;
    feats = {};
    hungUp = false;
    // Every reply must come within the time limit, the greeting included.
    ws::setTimeLimit(control, timeLimitMs);
    if (controlWatch) {
        controlWatch->setEnabled(false);
        controlWatch->deleteLater();
    }
    controlWatch = new QSocketNotifier(qintptr(control), QSocketNotifier::Read, this);
    controlWatch->setEnabled(false);
    connect(controlWatch, &QSocketNotifier::activated, this, &Session::controlReadable);
    emit connected();
    return result;
}

void Session::cancel()
{
    cancelRequested = true;
}

void Session::closeSocket(ws::Socket &socket)
{
    if (socket == ws::InvalidSocket)
        return;
    if (&socket == &control && controlWatch) {
        controlWatch->setEnabled(false);
        controlWatch->deleteLater();
        controlWatch = nullptr;
    }
    interruptWait();
    if (&socket == &control)
        retireTls(controlTls);
    else if (&socket == &data)
        retireTls(dataTls);
    ws::closesocket(socket);
    socket = ws::InvalidSocket;
    if (&socket != &control)
        rewatchControl();
}

void Session::interruptWait()
{
    if (ws::isBlocking()) {
        ws::cancelBlockingCall();
        // The user's cancel is logged; the server's end has its own line.
        if (!closingQuietly)
            emit transcript(TranscriptSide::Host, QStringLiteral("Cancelled blocking call"));
    }
}

void Session::closeForExit()
{
    exiting = true;
    // The exit has logged its own cancel already: the closing says nothing more.
    closingQuietly = true;
    shutAll();
    closingQuietly = false;
}

void Session::hangUp()
{
    interruptWait();
    drop();
}

void Session::shutAll()
{
    closeSocket(control);
    closeSocket(listener);
    closeSocket(data);
    rewatchTimer->stop();
    reader.clear();
    loggingIn = false;
    dataProtected = false;
}

void Session::drop()
{
    shutAll();
    emit disconnected();
}

// ---- replies and commands --------------------------------------------------------

Reply Session::decoded(const RawReply &raw)
{
    Reply reply;
    for (const QByteArray &line : raw.lines) {
        noteServerText(line);
        reply.lines << text::trimmed(decodeText(line));
    }
    if (!reply.lines.isEmpty()) {
        reply.text = reply.lines.last();
        reply.code = replyCode(raw.lines.last());
    }
    return reply;
}

Reply Session::readReply()
{
    if (control == ws::InvalidSocket)
        return {};
    std::optional<RawReply> raw;
    // The whole reply within the time limit: a server that sends a byte now
    // and then must not hold the window for ever.
    QElapsedTimer waited;
    waited.start();
    const int limitMs = std::max(1, timeLimitMs);
    while (!(raw = reader.next())) {
        char buffer[ReceiveBufferSize];
        const qint64 left = limitMs - waited.elapsed();
        ws::setTimeLimit(control, int(std::max<qint64>(1, left)));
        const int n = left > 0 ? controlRecv(buffer, ReceiveBufferSize) : (ws::setLastError(ws::WSAETIMEDOUT), -1);
        if (control != ws::InvalidSocket)
            ws::setTimeLimit(control, timeLimitMs);
        if (n <= 0) {
            // Closed, failed or cancelled: no reply. The lines of an unfinished
            // multi-line reply are still shown; a partial line is dropped.
            const int error = n < 0 ? ws::lastError() : 0;
            const bool cancelled = error == ws::WSAEINTR;
            const Reply partial = decoded(reader.unfinished());
            reader.clear();
            // The server hung up, broke the connection or fell silent: the
            // session is over, and that is said once, after what it did say.
            const bool ended = !cancelled && control != ws::InvalidSocket;
            if (ended)
                shutAllForServer();
            for (const QString &line : partial.lines)
                if (!line.isEmpty())
                    emit transcript(TranscriptSide::Host, line);
            if (ended)
                serverClosed(error == ws::WSAETIMEDOUT
                                 ? QStringLiteral("네트워크 오류: 호스트가 시간제한(%1초) 안에 응답하지 않아 연결을 끊었습니다.")
                                       .arg((limitMs + 999) / 1000)
                                 : ServerHungUp);
            Reply none;
            none.answered = control != ws::InvalidSocket;
            return none;
        }
        reader.feed(QByteArrayView(buffer, n));
        if (reader.overflowed()) {
            refuseOverlongReply();
            return {};
        }
    }
    Reply reply = decoded(*raw);
    reply.answered = true;
    for (qsizetype i = 0; i + 1 < reply.lines.size(); ++i)
        emit transcript(TranscriptSide::Host, reply.lines.at(i));
    if (reply.code == 257)
        emit hostDirectoryReported(ExtractQuoted(reply.text, QLatin1Char('"')));
    return reply;
}

bool Session::refuseCommand(const QByteArray &line) const
{
    // The line and its CR LF must fit the 512-byte send buffer with its terminating zero.
    if (line.size() > SendBufferSize - 3)
        return true;
    return line.contains('\r') || line.contains('\n') || line.contains('\0');
}

Reply Session::command(const QString &command)
{
    if (control == ws::InvalidSocket)
        return {};

    ++commandDepth;
    struct Depth {
        Session *s;
        ~Depth() { --s->commandDepth; s->rewatchControl(); }
    } depth{this};
    if (controlWatch)
        controlWatch->setEnabled(false);

    QByteArray line = encodeText(command);
    if (refuseCommand(line)) {
        // A name with a line break could smuggle a second command to the server.
        emit transcript(TranscriptSide::Local,
                        QStringLiteral("네트워크 오류: 명령에 허용되지 않는 문자가 있거나 너무 길어서 보내지 않았습니다."));
        closeSocket(listener);
        closeSocket(data);
        return {};
    }

    if (command.startsWith(QLatin1String("TYPE"))) {
        const TransferType wanted = command == QLatin1String("TYPE A") ? TransferType::Ascii : TransferType::Image;
        if (wanted == type && (command == QLatin1String("TYPE A") || command == QLatin1String("TYPE I")))
            return {};
        emit transcript(TranscriptSide::Local, command);
        type = wanted;
    } else if (command.startsWith(QLatin1String("PASS"))) {
        emit transcript(TranscriptSide::Local, QStringLiteral("PASS (hidden)"));
    } else {
        emit transcript(TranscriptSide::Local, command);
    }

    line += "\r\n";
    if (controlSend(line.constData(), int(line.size())) == ws::SocketError) {
        emit transcript(TranscriptSide::Host, QStringLiteral("네트워크 오류: 데이터를 보낼 수 없습니다."));
        closeSocket(listener);
        closeSocket(data);
        return {};
    }
    Reply reply = readReply();
    if (antiIdleOn)
        noop->stop();
    if (control == ws::InvalidSocket) {
        // Closed by a handler that ran during the wait (the server's own close
        // was logged and ended the session already).
        if (!hungUp && !exiting) {
            emit transcript(TranscriptSide::Host, QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
            drop();
        }
        reply = {};
    } else {
        // A wait that was cancelled brings no reply: nothing to show.
        if (!reply.text.isEmpty())
            emit transcript(TranscriptSide::Host, reply.text);
        reply.answered = true;
    }
    if (antiIdleOn)
        noop->start();
    return reply;
}

void Session::rewatchControl()
{
    if (controlWatch)
        controlWatch->setEnabled(control != ws::InvalidSocket && commandDepth == 0 && !inControlReadable);
}

void Session::controlReadable()
{
    // Quiet on entry; awake again only for a connection still open.
    if (controlWatch)
        controlWatch->setEnabled(false);
    if (inControlReadable || control == ws::InvalidSocket || commandDepth > 0)
        return;   // a command under way reads the connection; watching resumes after it
    if (dataTransferUnderWay() || ws::isBlocking()) {
        // Another wait holds the stage (the data of a transfer, a reply being
        // read): only the server's end is looked for, and a reply that came
        // early stays for whoever reads it next. Under TLS the raw bytes say
        // nothing of the end: the data connection's own end or its time limit
        // tells it there.
        if (controlTls)
            return;
        switch (ws::peekPeer(control)) {
        case ws::PeerState::Closed:
            serverClosed();
            return;
        case ws::PeerState::DataWaiting:
            rewatchTimer->start();
            return;
        case ws::PeerState::Quiet:
            rewatchControl();
            return;
        }
        return;
    }
    inControlReadable = true;
    // A server that times out an idle session says so (421) before it closes.
    ws::setNonBlocking(control, true);
    if (controlTls)
        controlTls->setNonBlocking(true);
    char buffer[ReceiveBufferSize];
    int n = 0;
    QStringList said;
    // A few blocks, then back to the event loop (the notifier fires again while
    // data waits): a server that never stops sending must not freeze the window.
    for (int blocks = 0; blocks < 16; ++blocks) {
        if ((n = controlRecv(buffer, ReceiveBufferSize)) <= 0)
            break;
        reader.feed(QByteArrayView(buffer, n));
        while (const std::optional<RawReply> raw = reader.next())
            for (const QString &text : decoded(*raw).lines)
                if (!text.isEmpty())
                    said << text;
        if (reader.overflowed())
            break;
    }
    const bool overflowed = reader.overflowed();
    const bool stillOpen = !overflowed && (n > 0 || (n < 0 && ws::lastError() == ws::WSAEWOULDBLOCK));
    if (controlTls)
        controlTls->setNonBlocking(false);
    if (control != ws::InvalidSocket)
        ws::setNonBlocking(control, false);
    // The connection's fate is settled before a word of it reaches the window:
    // the log's slot pumps events, and this handler must not run again for a
    // connection that is gone.
    if (!stillOpen && control != ws::InvalidSocket && !overflowed)
        shutAllForServer();
    inControlReadable = false;
    for (const QString &text : said)
        emit transcript(TranscriptSide::Host, text);
    if (overflowed) {
        refuseOverlongReply();
        return;
    }
    if (!stillOpen) {
        if (hungUp && control == ws::InvalidSocket)
            serverClosed(ServerHungUp);
        return;
    }
    rewatchControl();
}

void Session::refuseOverlongReply()
{
    // No server sends such a line or such a reply; waiting for its end would
    // let a hostile one fill the memory. The connection is dropped like a broken one.
    const QString what = reader.overflow() == ReplyReader::Overflow::Line
        ? QStringLiteral("네트워크 오류: 응답의 한 줄이 %1 바이트를 넘어").arg(ReplyReader::MaxLineLength)
        : QStringLiteral("네트워크 오류: 응답이 %1 바이트 또는 %2 줄을 넘어")
              .arg(ReplyReader::MaxReplySize)
              .arg(ReplyReader::MaxReplyLines);
    // The session ends as when the server hangs up, with this one line said.
    serverClosed(what + QStringLiteral(" 연결을 끊었습니다."));
}

void Session::shutAllForServer()
{
    hungUp = true;
    closingQuietly = true;
    shutAll();
    closingQuietly = false;
}

void Session::serverClosed(const QString &notice)
{
    // Everything is closed (and out of every notifier) before the line goes
    // out: its slot pumps events.
    shutAllForServer();
    emit transcript(TranscriptSide::Host, notice);
    emit disconnected();
    emit closedByServer();
}

bool Session::stillThere()
{
    if (control == ws::InvalidSocket)
        return false;
    if (!controlTls && ws::peekPeer(control) == ws::PeerState::Closed) {
        serverClosed();
        return false;
    }
    return true;
}

void Session::serverClosed()
{
    serverClosed(ServerHungUp);
}

Session::LoginResult Session::login(const QString &user, const QString &password, QString *systemReply)
{
    // The name and the password never travel in clear when TLS was asked for.
    if (tlsRequired && !controlTls)
        return LoginResult::Interrupted;
    loggingIn = true;
    hungUp = false;
    type = TransferType::None;
    Reply reply = command(QStringLiteral("USER ") + user);
    if (!reply.answered)
        return LoginResult::Interrupted;
    // A server that needs no password (an anonymous mirror) logs the user in on
    // USER alone; sending PASS then would only draw an error.
    if (reply.code != 230) {
        if (reply.code != 331)
            return LoginResult::UserRefused;
        reply = command(QStringLiteral("PASS ") + password);
        if (!reply.answered)
            return LoginResult::Interrupted;
        if (reply.code != 230)
            return LoginResult::PasswordRefused;
    }
    if (controlTls) {
        protectData();
        if (!dataProtected)
            return control == ws::InvalidSocket && !hungUp ? LoginResult::DataProtectionRefused
                                                           : LoginResult::Interrupted;
    }
    reply = command(QStringLiteral("SYST"));
    if (systemReply)
        *systemReply = reply.text;
    askFeatures();
    emit loggedIn(reply.text);
    return LoginResult::LoggedIn;
}

void Session::askFeatures()
{
    const Reply reply = command(QStringLiteral("FEAT"));
    // No answer at all (the connection went, the wait was cancelled): nothing
    // is known, and nothing more is asked.
    if (control == ws::InvalidSocket || reply.isEmpty())
        return;
    feats = ServerFeatures::fromReply(reply);
    // The first name may go out next (the start directory, an upload into a
    // directory of ASCII names): a server that does not announce UTF-8 is one
    // of the old ones, which keep Korean names in code page 949.
    if (!encodingShown)
        encoding = feats.hasUtf8 ? ServerEncoding::Utf8 : ServerEncoding::Cp949;
    // Servers that list UTF8 speak it already or after this; one that answers
    // it with an error (Pure-FTPd's 504) speaks it anyway.
    if (feats.hasUtf8)
        command(QStringLiteral("OPTS UTF8 ON"));
    if (const std::optional<QString> options = mlstOptionsCommand(feats))
        command(*options);
}

bool Session::readLocalAddress()
{
    return ws::getsockname(control, &localAddress);
}

// ---- encryption --------------------------------------------------------------------

namespace {
const QString TlsError = QStringLiteral("보안 연결 오류: ");
}

quint32 Session::deadline() const
{
    const quint32 d = ws::tickCount() + quint32(std::max(1, timeLimitMs));
    return d ? d : 1;
}

int Session::controlRecv(char *buffer, int size)
{
    return controlTls ? controlTls->read(buffer, size) : ws::recv(control, buffer, size);
}

int Session::controlSend(const char *bytes, int size)
{
    return controlTls ? controlTls->write(bytes, size) : ws::send(control, bytes, size);
}

void Session::retireTls(std::unique_ptr<tls::TlsSocket> &layer)
{
    if (!layer)
        return;
    layer->shutdown(false, 0);
    retiredTls.push_back(std::move(layer));
}

bool Session::startTls()
{
    if (control == ws::InvalidSocket)
        return false;
    if (controlTls)
        return true;
    const Reply reply = command(QStringLiteral("AUTH TLS"));
    if (control == ws::InvalidSocket)
        return false;
    if (reply.code != 234) {
        emit transcript(TranscriptSide::Host,
                        TlsError + QStringLiteral("호스트가 TLS 보안 연결(AUTH TLS)을 거부했습니다. "
                                                  "로그인 정보를 보내지 않고 연결을 끊습니다."));
        drop();
        return false;
    }
    // Anything that came after the 234 in clear would be read as the server's
    // word inside TLS: it is thrown away with the reader's state.
    reader.clear();
    ++commandDepth;
    if (controlWatch)
        controlWatch->setEnabled(false);
    cancelRequested = false;
    controlTls = std::make_unique<tls::TlsSocket>(control);
    const tls::TlsSocket::Outcome outcome =
        controlTls->handshake(tlsHost, nullptr, deadline(), [this] { return cancelRequested; });
    --commandDepth;
    cancelRequested = false;
    if (control == ws::InvalidSocket)
        return false;
    if (outcome != tls::TlsSocket::Outcome::Done) {
        QString text;
        switch (outcome) {
        case tls::TlsSocket::Outcome::Closed:
            text = QStringLiteral("TLS 협상 중에 호스트가 연결을 끊었습니다.");
            break;
        case tls::TlsSocket::Outcome::TimedOut:
            text = QStringLiteral("TLS 협상이 시간제한 안에 끝나지 않았습니다.");
            break;
        case tls::TlsSocket::Outcome::Cancelled:
            text = QStringLiteral("TLS 협상을 중지했습니다.");
            break;
        default:
            text = QStringLiteral("TLS 협상에 실패했습니다. (%1)").arg(controlTls->errorText());
            break;
        }
        emit transcript(TranscriptSide::Host, TlsError + text);
        drop();
        return false;
    }
    const tls::PeerCertificate certificate = controlTls->peerCertificate();
    const bool accepted = certificateJudge ? certificateJudge(certificate) : certificate.trusted;
    if (control == ws::InvalidSocket)
        return false;
    if (!accepted) {
        emit transcript(TranscriptSide::Host,
                        TlsError + QStringLiteral("호스트의 인증서를 받아들이지 않아 연결을 끊습니다."));
        drop();
        return false;
    }
    emit transcript(TranscriptSide::Host, QStringLiteral("TLS 보안 연결: %1, %2")
                                              .arg(controlTls->protocol(), controlTls->cipher()));
    rewatchControl();
    return true;
}

void Session::protectData()
{
    // No buffer size is negotiated over TLS (RFC 4217): PBSZ 0, then private data.
    dataProtected = false;
    const Reply size = command(QStringLiteral("PBSZ 0"));
    if (!size.answered || control == ws::InvalidSocket)
        return;
    const Reply protection = size.code == 200 ? command(QStringLiteral("PROT P")) : Reply{};
    if (control == ws::InvalidSocket)
        return;
    if (protection.code != 200) {
        emit transcript(TranscriptSide::Host,
                        TlsError + QStringLiteral("호스트가 데이터 연결의 암호화(PROT P)를 거부했습니다. "
                                                  "연결을 끊습니다."));
        drop();
        return;
    }
    dataProtected = true;
}

bool Session::secureData()
{
    if (!dataProtected || !controlTls)
        return true;
    dataTls = std::make_unique<tls::TlsSocket>(data);
    const tls::TlsSocket::Outcome outcome = dataTls->handshake(tlsHost, controlTls.get(), deadline());
    if (data == ws::InvalidSocket)
        return false;
    QString problem;
    if (outcome != tls::TlsSocket::Outcome::Done) {
        problem = QStringLiteral("데이터 연결의 TLS 협상에 실패했습니다. (%1)").arg(dataTls->errorText());
    } else if (dataTls->peerCertificate().fingerprint != controlTls->peerCertificate().fingerprint) {
        // Whoever answers the data connection must be the server checked on the control one.
        problem = QStringLiteral("데이터 연결의 인증서가 제어 연결의 인증서와 다릅니다.");
    }
    if (problem.isEmpty())
        return true;
    if (outcome != tls::TlsSocket::Outcome::Cancelled)
        emit transcript(TranscriptSide::Host, TlsError + problem);
    closeSocket(data);
    return false;
}

// ---- upkeep ------------------------------------------------------------------------

void Session::setAntiIdle(bool on)
{
    antiIdleOn = on;
}

void Session::keepAlive()
{
    noop->stop();
    if (!loggingIn || !antiIdleOn)
        return;
    if ((otherWork && otherWork()) || dataTransferUnderWay()) {
        noop->start();
        return;
    }
    command(QStringLiteral("NOOP"));
}

} // namespace kav
