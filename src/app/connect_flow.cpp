#include "connect_flow.h"

#include "ftp/data_address.h"
#include "ftp/session.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/keyring.h"
#include "platform/tls_socket.h"
#include "platform/winsock.h"

#include <QObject>

#include <algorithm>

namespace kav {

namespace {
Session::DataMode sessionDataMode(DataMode mode)
{
    switch (mode) {
    case DataMode::Passive: return Session::DataMode::Passive;
    case DataMode::Automatic: return Session::DataMode::Automatic;
    case DataMode::Active: break;
    }
    return Session::DataMode::Active;
}

Session::ConnectResult connectToAny(Session &session, const QList<ws::SocketAddress> &addresses, int limitMs)
{
    // A name with addresses of both families (or several of one) may be
    // reachable on only some of them: each is tried in the system's order.
    bool timedOut = false, refused = false;
    for (const ws::SocketAddress &address : addresses) {
        switch (const Session::ConnectResult result = session.openControl(address, limitMs)) {
        case Session::ConnectResult::Connected:
        case Session::ConnectResult::Cancelled:
            return result;
        case Session::ConnectResult::TimedOut:
            timedOut = true;
            break;
        case Session::ConnectResult::Refused:
            refused = true;
            break;
        case Session::ConnectResult::NoSocket:   // this family may not exist here
            break;
        }
    }
    if (timedOut)
        return Session::ConnectResult::TimedOut;
    return refused ? Session::ConnectResult::Refused : Session::ConnectResult::NoSocket;
}

// The box names the port really tried: 21 unless the profile says otherwise.
QString refusedText(int port)
{
    return QStringLiteral("호스트의 FTP 서버(%1/TCP)에 연결을 못했습니다.").arg(port);
}
}

ConnectFlow::ConnectFlow(Session &session, ConnectWindow &window)
    : session(session), window(window)
{
    QObject::connect(&session, &Session::transcript, &session,
                     [&window](TranscriptSide side, const QString &text) {
                         window.AppendLog(transcriptLine(side, text));
                     });
    QObject::connect(&session, &Session::disconnected, &session,
                     [&window] { window.setConnectEnabled(true); });
    // The stop button also ends a data connect that hangs.
    QObject::connect(&session, &Session::dataConnectWaiting, &session,
                     [&window](bool waiting) { window.setStopEnabled(waiting); });
    // A server that hangs up ends the session as the disconnect button does,
    // once the handler under way has returned.
    QObject::connect(&session, &Session::closedByServer, &session,
                     [this] { BB_DisconnectClick(); }, Qt::QueuedConnection);
    session.setCertificateJudge([this](const tls::PeerCertificate &c) { return judgeCertificate(c); });
}

bool ConnectFlow::judgeCertificate(const tls::PeerCertificate &certificate)
{
    const QString seen = tls::storedFingerprint(certificate.fingerprint);
    const QString trusted = tls::storedFingerprint(profile.Connection.TrustedCertificate);
    if (!trusted.isEmpty() && trusted == seen)
        return true;
    // A certificate other than the one the user trusted is never taken silently,
    // even one that passes the check now.
    const bool keyChanged = !trusted.isEmpty();
    if (certificate.trusted && !keyChanged)
        return true;
    CertificateQuestion question;
    question.host = profile.HostIP;
    question.problem = certificate.problem.isEmpty() && keyChanged
        ? QStringLiteral("이 프로필이 신뢰하는 인증서가 아닙니다.")
        : certificate.problem;
    question.subject = certificate.subject;
    question.issuer = certificate.issuer;
    question.validFrom = certificate.validFrom;
    question.validUntil = certificate.validUntil;
    question.fingerprint = certificate.fingerprint;
    question.keyChanged = keyChanged;
    if (keyChanged)
        window.AppendLog(certificateWarning(question));
    switch (dialogs().certificateQuestion(nullptr, question)) {
    case CertificateChoice::ConnectOnce:
        return true;
    case CertificateChoice::TrustAlways:
        profile.Connection.TrustedCertificate = seen;
        window.storeTrustedCertificate(profile);
        return true;
    case CertificateChoice::Cancel:
        break;
    }
    return false;
}

void ConnectFlow::logFailedConnect(const QString &box, bool toFront)
{
    window.setStopEnabled(false);
    if (toFront)
        window.bringToFront();
    window.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
    informationBox(box);
}

void ConnectFlow::BB_ConnectClick(bool fromButton)
{
    if (window.stopEnabled())
        return;
    // The connect button stays enabled while the greeting is awaited; a second
    // connect then would orphan the connection being opened.
    if (session.hasControlConnection())
        return;
    if (fromButton) {
        profile.HostIP.clear();
        window.runConnectDialog();
    }
    PumpMessages(1);
    if (profile.HostIP.isEmpty())
        return;
    if (profile.UserId.isEmpty()) {
        informationBox(QStringLiteral("로그인 명이 없으면 호스트에 연결할 수 없습니다."));
        return;
    }
    // Asked before any connection is opened, so that no server waits on the user.
    QString password;
    if (!loginPassword(password))
        return;
    // A port written after the address ("host:2121", "[::1]:2121") is the
    // user's latest word and wins over the profile's.
    const HostInput input = splitHostInput(profile.HostIP);
    QList<ws::SocketAddress> addresses;
    if (!input.valid || !ws::lookupHost(input.host, &addresses)) {
        informationBox(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
        return;
    }
    const int port = input.port ? input.port : profile.Connection.Port;
    for (ws::SocketAddress &a : addresses)
        a.port = quint16(port);

    tag = StopTag::Waiting;
    window.setStopEnabled(true);
    const QString refused = refusedText(port);
    window.AppendLog(QStringLiteral("Connecting to ") + input.shown + QStringLiteral("  port ")
                     + QString::number(port));
    PumpMessages(1);

    const int attempts = std::max(1, profile.TrialTimes);
    const int limitMs = std::max(1, profile.Timeout) * 1000;
    session.setDataMode(sessionDataMode(profile.Connection.Mode), limitMs);
    for (int attempt = 1;; ++attempt) {
        const Session::ConnectResult result = connectToAny(session, addresses, limitMs);
        if (result == Session::ConnectResult::Connected) {
            tag = StopTag::Connected;
            break;
        }
        switch (result) {
        case Session::ConnectResult::NoSocket:
            logFailedConnect(QStringLiteral("네트워크 오류: 소켓핸들을 얻을 수 없습니다."), true);
            return;
        case Session::ConnectResult::Cancelled:
            window.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
            window.setStopEnabled(false);
            return;
        case Session::ConnectResult::Refused:
            tag = StopTag::Failed;
            logFailedConnect(refused, true);
            return;
        default:
            break;
        }
        if (attempt >= attempts) {
            logFailedConnect(refused + QStringLiteral(" (시간제한 초과)"), true);
            return;
        }
    }

    window.AppendLog(QStringLiteral("Connected to ") + input.shown + QStringLiteral("  port ")
                     + QString::number(port));
    // The greeting and the login can hang like the connect (a server that
    // sends a byte now and then, or nothing): until the login ends, Stop ends
    // the wait and Disconnect the session, and the time limit covers it.
    window.setConnectEnabled(false);
    window.setDisconnectEnabled(true);
    struct LoginWait {
        ConnectFlow &flow;
        explicit LoginWait(ConnectFlow &f) : flow(f) { flow.loginWaiting = true; }
        ~LoginWait()
        {
            flow.loginWaiting = false;
            flow.window.setStopEnabled(false);
        }
    } loginWait(*this);
    // Whatever ended the wait other than the server's word: the server's end
    // (already said, and the session ends by itself), the user's disconnect
    // (done), or Stop, which ends the attempt as a disconnect does.
    const auto interrupted = [this] {
        if (!session.hasControlConnection())
            return true;
        if (tag == StopTag::Stopped) {
            window.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
            BB_DisconnectClick();
            return true;
        }
        return false;
    };

    // A bare "220" line comes before the greeting's text on some servers.
    Reply greeting = session.readReply();
    if (interrupted())
        return;
    if (greeting.answered) {
        if (greeting.code == 220 && greeting.text.size() == 3) {
            session.log(TranscriptSide::Host, greeting.text);
            greeting = session.readReply();
            if (interrupted())
                return;
        } else if (greeting.code != 220) {
            window.bringToFront();
            window.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
            informationBox(refused);
            session.drop();
            window.setDisconnectEnabled(false);
            return;
        }
    }
    if (!greeting.isEmpty())
        session.log(TranscriptSide::Host, greeting.text);

    window.enterLocalStartDirectory(profile);
    window.loadHostLists(profile.HostName);
    if (interrupted())
        return;

    if (profile.Connection.Encryption == Security::Tls) {
        // The handshake may hang like a connect: the stop button ends it.
        tag = StopTag::Waiting;
        session.setTlsRequired(true, input.host);
        const bool secured = session.startTls();
        if (!secured) {
            if (tag != StopTag::Stopped)
                informationBox(QStringLiteral("보안 연결(TLS)을 만들지 못해 연결을 끊었습니다. 메시지 창을 확인하십시요."));
            BB_DisconnectClick();
            return;
        }
        tag = StopTag::Connected;
    } else {
        session.setTlsRequired(false, input.host);
    }

    QString systemReply;
    const Session::LoginResult loggedIn = session.login(profile.UserId, password, &systemReply);
    password.clear();
    switch (loggedIn) {
    case Session::LoginResult::Interrupted:
        interrupted();
        return;
    case Session::LoginResult::UserRefused:
        informationBox(QStringLiteral("로그인 실패, 로그인 명을 확인하십시요."));
        BB_DisconnectClick();
        return;
    case Session::LoginResult::PasswordRefused:
        informationBox(QStringLiteral("로그인 실패, 비밀번호를 확인하십시요."));
        BB_DisconnectClick();
        return;
    case Session::LoginResult::DataProtectionRefused:
        informationBox(QStringLiteral("보안 연결(TLS)을 만들지 못해 연결을 끊었습니다. 메시지 창을 확인하십시요."));
        BB_DisconnectClick();
        return;
    case Session::LoginResult::LoggedIn:
        afterLogin(systemReply);
        return;
    }
}

bool ConnectFlow::loginPassword(QString &password)
{
    password = profile.Password;
    if (!password.isEmpty() || profile.KeyringEntry.isEmpty())
        return true;
    // Taken from the keyring for this login only: the profile never holds it,
    // so no save can carry it into the file.
    const KeyringResult stored = keyring().read(profile.KeyringEntry);
    if (stored.ok()) {
        password = stored.password;
        return true;
    }
    window.AppendLog(QStringLiteral("[키링] ") + profile.HostName + QStringLiteral("의 비밀번호를 키링에서 읽지 못했습니다: ")
                     + keyringStatusText(stored.status));
    QString typed;
    const QString prompt = keyringStatusText(stored.status) + QStringLiteral(".\n") + profile.UserId
        + QLatin1Char('@') + profile.HostIP + QStringLiteral("의 비밀번호를 입력하세요.");
    if (!dialogs().passwordQuery(nullptr, QStringLiteral("비밀번호"), prompt, typed))
        return false;
    password = typed;
    return true;
}

void ConnectFlow::afterLogin(const QString &systemReply)
{
    PumpMessages(5);
    const QString sessionTitle = profile.HostName + QStringLiteral(" (") + profile.HostIP
        + QStringLiteral(", ") + profile.UserId + QLatin1Char(')');
    bool unixCommands = true;
    if (!systemReply.contains(QLatin1String("215 UNIX"))) {
        const QString upper = systemReply.toUpper();
        for (const char *name : {"WINDOWS", "WIN32", "WIN95", "WIN98"})
            if (upper.contains(QLatin1String(name)))
                unixCommands = false;
    }
    window.setUnixCommandsEnabled(unixCommands);
    // A lock marks a session whose every connection is encrypted.
    const QString lock = session.isEncrypted() ? QStringLiteral(" \U0001F512") : QString();
    window.setTitles(window.baseTitle() + QStringLiteral(" - ") + sessionTitle + lock, sessionTitle + lock);

    if (profile.UseLastPath)
        session.command(QStringLiteral("CWD ") + profile.LastHostDir);
    else if (!profile.RemotePath.isEmpty())
        session.command(QStringLiteral("CWD ") + profile.RemotePath);

    if (!session.readLocalAddress()) {
        informationBox(QStringLiteral("네트워크 오류: Packet Driver 에러로 로컬주소를 얻지못했습니다."));
        BB_DisconnectClick();
        return;
    }
    if (profile.UseLastPath)
        window.setSelectAfterRefresh(profile.LastHostFile);
    window.refreshHostLists();
}

void ConnectFlow::BB_DisconnectClick()
{
    session.hangUp();
    window.saveConfiguration();
    window.resetSessionProfile();
    window.clearMessages();
    window.clearHostPane();
    window.setConnectEnabled(true);
    window.setDisconnectEnabled(false);
    PumpMessages(1);
    window.setTitles(window.baseTitle(), window.baseTitle());
    window.moveCursorToConnect();
    window.resetCancelTags();
}

void ConnectFlow::BB_StopClick()
{
    tag = StopTag::Stopped;
    session.cancel();
    // During the greeting and the login, Stop ends the reply's wait too.
    if (loginWaiting)
        session.interruptWait();
}

void ConnectFlow::RB_asciiClick()
{
    if (!session.isConnected())
        return;
    window.clearAutoMode();
    session.command(QStringLiteral("TYPE A"));
}

void ConnectFlow::RB_binaryClick()
{
    if (!session.isConnected())
        return;
    window.clearAutoMode();
    session.command(QStringLiteral("TYPE I"));
}

} // namespace kav
