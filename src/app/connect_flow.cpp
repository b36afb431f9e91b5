#include "connect_flow.h"

#include "ftp/data_address.h"
#include "ftp/session.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/keyring.h"
#include "platform/tls_socket.h"
#include "platform/winsock.h"
#include "remotefs/connection_fs.h"
#include "remotefs/sftp_fs.h"
#include "remotefs/ssh_config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <algorithm>
#include <optional>

namespace kav {

Session::DataMode sessionDataMode(DataMode mode)
{
    switch (mode) {
    case DataMode::Passive: return Session::DataMode::Passive;
    case DataMode::Automatic: return Session::DataMode::Automatic;
    case DataMode::Active: break;
    }
    return Session::DataMode::Active;
}

namespace {

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

// The user's own SSH set-up for the host a profile names, as OpenSSH takes
// it from ~/.ssh/config: the real host name of an alias, the port and user
// where the profile gives none of its own, the identity files (else the usual
// ones) and the known_hosts file.
SshLogin sshLoginFor(const SessionProfile &profile, const HostInput &input, const QString &password)
{
    const QString home = QDir::homePath();
    const QString sshDir = home + QStringLiteral("/.ssh");
    QString text;
    QFile config(sshDir + QStringLiteral("/config"));
    if (config.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(config.readAll());
    const SshHostConfig c = resolveSshConfig(text, input.host, home, qEnvironmentVariable("USER"));
    SshLogin l;
    l.host = c.hostName.isEmpty() ? input.host : c.hostName;
    // A port typed after the address wins, then the profile's own, then the config's.
    if (input.port)
        l.port = input.port;
    else if (profile.Connection.Port != DefaultSftpPort || c.port == 0)
        l.port = profile.Connection.Port;
    else
        l.port = c.port;
    l.user = profile.UserId.isEmpty() ? c.user : profile.UserId;
    l.password = password;
    l.identityFiles = c.identityFiles;
    if (l.identityFiles.isEmpty())
        for (const char *name : {"id_ed25519", "id_ecdsa", "id_rsa"})
            l.identityFiles << sshDir + QLatin1Char('/') + QLatin1String(name);
    l.useAgent = !c.identitiesOnly;
    l.knownHostsFile = c.userKnownHostsFiles.value(0, sshDir + QStringLiteral("/known_hosts"));
    l.hostKeyAlias = c.hostKeyAlias;
    return l;
}

HostKeyQuestion questionOf(const SshHostKey &key, const SshLogin &login)
{
    HostKeyQuestion q;
    q.host = !login.hostKeyAlias.isEmpty() ? login.hostKeyAlias
           : login.port == DefaultSftpPort ? login.host
                                           : QStringLiteral("[%1]:%2").arg(login.host).arg(login.port);
    q.keyType = key.type;
    q.fingerprint = key.fingerprint;
    q.knownHostsFile = key.knownHostsFile;
    q.changed = key.standing == SshHostKey::Standing::Changed;
    return q;
}
}

// From the connect to the end of the login: Stop ends the wait in progress.
struct ConnectFlow::LoginWait {
    ConnectFlow &flow;
    explicit LoginWait(ConnectFlow &f) : flow(f) { flow.loginWaiting = true; }
    ~LoginWait()
    {
        flow.loginWaiting = false;
        flow.window.setStopEnabled(false);
    }
};

ConnectFlow::ConnectFlow(Session &session, ConnectWindow &window, const Sftp &fs)
    : session(session), window(window), fs(fs)
{
    QObject::connect(&fs.sftp, &SftpFs::transcript, &fs.sftp,
                     [&window](TranscriptSide side, const QString &text) {
                         window.AppendLog(transcriptLine(side, text));
                     });
    // An SFTP session that ends by itself (the server gone, the connection
    // broken) ends the window's session, once the handler under way has returned.
    QObject::connect(&fs.sftp, &SftpFs::disconnected, &fs.sftp, [this] {
        if (!sftpLoggedIn)
            return;
        sftpLoggedIn = false;
        QMetaObject::invokeMethod(&this->fs.sftp, [this] { BB_DisconnectClick(); }, Qt::QueuedConnection);
    });
    this->fs.sftp.askPassphrase = [](const QString &keyFile, QString *passphrase) {
        return dialogs().passwordQuery(nullptr, QStringLiteral("키 파일 암호"),
                                       keyFile + QStringLiteral(" 의 암호를 입력하세요."), *passphrase);
    };
    this->fs.sftp.askPrompt = [](const QString &prompt, bool echo, QString *answer) {
        const QString caption = QStringLiteral("SSH 인증");
        return echo ? dialogs().inputQuery(nullptr, caption, prompt, *answer)
                    : dialogs().passwordQuery(nullptr, caption, prompt, *answer);
    };
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
    const bool accepted = judgeCertificateOf(certificate, seen);
    // The further connections of this login take this certificate and no other.
    secrets.certificate = accepted ? seen : QString();
    return accepted;
}

bool ConnectFlow::judgeCertificateOf(const tls::PeerCertificate &certificate, const QString &seen)
{
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
    if (session.hasControlConnection() || fs.sftp.connected() || loginWaiting)
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
    if (profile.Connection.Kind == Protocol::Sftp) {
        if (!input.valid) {
            informationBox(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
            return;
        }
        connectSftp(input, password);
        return;
    }
    useProtocol(fs.ftp);
    secrets = {};
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
    const LoginWait loginWait(*this);
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
    if (loggedIn == Session::LoginResult::LoggedIn) {
        secrets.password = password;
        secrets.tlsHost = input.host;
    }
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

void ConnectFlow::connectSftp(const HostInput &input, const QString &typedPassword)
{
    SftpFs &sftp = fs.sftp;
    SshLogin login = sshLoginFor(profile, input, typedPassword);
    QList<ws::SocketAddress> addresses;
    if (!ws::lookupHost(login.host, &addresses)) {
        informationBox(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
        return;
    }
    useProtocol(sftp);
    tag = StopTag::Waiting;
    loginDisconnected = false;
    window.AppendLog(QStringLiteral("Connecting to ") + input.shown + QStringLiteral("  port ")
                     + QString::number(login.port));
    // From the connect to the end of the login Stop ends the wait in progress
    // and Disconnect the attempt, as on FTP.
    window.setStopEnabled(true);
    window.setConnectEnabled(false);
    window.setDisconnectEnabled(true);
    const LoginWait loginWait(*this);
    PumpMessages(1);

    // A changed key is only shown once the connection is closed: nothing of
    // the user's goes to that server.
    std::optional<SshHostKey> changedKey;
    sftp.hostKeyChanged = [&changedKey](const SshHostKey &key) { changedKey = key; };
    sftp.judgeHostKey = [this, &login](const SshHostKey &key) {
        switch (dialogs().hostKeyQuestion(nullptr, questionOf(key, login))) {
        case HostKeyChoice::AcceptOnce:
            return HostKeyVerdict::AcceptOnce;
        case HostKeyChoice::AcceptAlways:
            // The user's ~/.ssh may not exist yet: made as OpenSSH makes it.
            if (const QString dir = QFileInfo(login.knownHostsFile).absolutePath(); !QDir(dir).exists()) {
                QDir().mkpath(dir);
                QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
            return HostKeyVerdict::AcceptAlways;
        case HostKeyChoice::Cancel:
            break;
        }
        return HostKeyVerdict::Cancel;
    };

    // As on FTP, a connect that finds no answer within the time limit is
    // tried again, up to the profile's number of attempts; a refusal is final.
    const int limitMs = std::max(1, profile.Timeout) * 1000;
    const int attempts = std::max(1, profile.TrialTimes);
    SftpFs::ConnectResult result = SftpFs::ConnectResult::ConnectFailed;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        for (ws::SocketAddress address : addresses) {
            address.port = quint16(login.port);
            login.address = address;
            result = sftp.connectTo(login, limitMs);
            if ((result != SftpFs::ConnectResult::ConnectFailed && result != SftpFs::ConnectResult::TimedOut)
                || tag == StopTag::Stopped || loginDisconnected)
                break;
        }
        if (result != SftpFs::ConnectResult::TimedOut || tag == StopTag::Stopped || loginDisconnected)
            break;
    }
    login.password.clear();
    sftp.judgeHostKey = nullptr;
    sftp.hostKeyChanged = nullptr;
    if (loginDisconnected) {   // the user's disconnect: already done
        useProtocol(fs.ftp);
        return;
    }

    const auto failed = [&](const QString &box) {
        useProtocol(fs.ftp);
        window.AppendLog(QStringLiteral("Connection failed ") + profile.HostIP);
        window.setConnectEnabled(true);
        window.setDisconnectEnabled(false);
        if (!box.isEmpty()) {
            window.bringToFront();
            informationBox(box);
        }
    };
    if (tag == StopTag::Stopped || result == SftpFs::ConnectResult::Cancelled) {
        tag = StopTag::Stopped;
        failed({});
        return;
    }
    switch (result) {
    case SftpFs::ConnectResult::Connected:
        break;
    case SftpFs::ConnectResult::ConnectFailed:
        tag = StopTag::Failed;
        failed(QStringLiteral("호스트의 SFTP 서버(%1/TCP)에 연결을 못했습니다.").arg(login.port));
        return;
    case SftpFs::ConnectResult::TimedOut:
        tag = StopTag::Failed;
        failed(QStringLiteral("호스트의 SFTP 서버(%1/TCP)에 연결을 못했습니다. (시간제한 초과)").arg(login.port));
        return;
    case SftpFs::ConnectResult::HandshakeFailed:
        tag = StopTag::Failed;
        failed(QStringLiteral("SSH 연결을 만들지 못했습니다. 메시지 창을 확인하십시요."));
        return;
    case SftpFs::ConnectResult::HostKeyRefused:
        tag = StopTag::Failed;
        failed({});
        if (changedKey) {
            window.bringToFront();
            dialogs().hostKeyQuestion(nullptr, questionOf(*changedKey, login));
        }
        return;
    case SftpFs::ConnectResult::LoginRefused:
        tag = StopTag::Failed;
        failed(QStringLiteral("로그인 실패, 로그인 명과 비밀번호(또는 키)를 확인하십시요."));
        return;
    case SftpFs::ConnectResult::Cancelled:
        return;
    }

    tag = StopTag::Connected;
    sftpLoggedIn = true;
    window.AppendLog(QStringLiteral("Connected to ") + input.shown + QStringLiteral("  port ")
                     + QString::number(login.port));
    window.enterLocalStartDirectory(profile);
    window.loadHostLists(profile.HostName);
    if (!sftp.connected())
        return;
    afterSftpLogin();
}

void ConnectFlow::afterSftpLogin()
{
    PumpMessages(5);
    if (!fs.sftp.connected())
        return;
    const QString sessionTitle = profile.HostName + QStringLiteral(" (") + profile.HostIP
        + QStringLiteral(", ") + profile.UserId + QStringLiteral(", SFTP)");
    // Permissions are SFTP's own attributes: the mode command works on any server.
    window.setUnixCommandsEnabled(true);
    // SSH encrypts the whole session.
    const QString lock = QStringLiteral(" \U0001F512");
    window.setTitles(window.baseTitle() + QStringLiteral(" - ") + sessionTitle + lock, sessionTitle + lock);
    const QString start = profile.UseLastPath ? profile.LastHostDir : profile.RemotePath;
    if (!start.isEmpty())
        fs.sftp.changeDirectory(start);
    if (!fs.sftp.connected())
        return;
    if (profile.UseLastPath)
        window.setSelectAfterRefresh(profile.LastHostFile);
    window.refreshHostLists();
}

void ConnectFlow::useProtocol(RemoteFs &protocol)
{
    fs.connection.use(protocol);
    window.showFtpControls(protocol.ftp() != nullptr);
}

void ConnectFlow::BB_DisconnectClick()
{
    secrets = {};
    if (loginWaiting)
        loginDisconnected = true;
    sftpLoggedIn = false;
    if (fs.connection.protocol() == FsProtocol::Sftp) {
        fs.sftp.hangUp();
        // An idle window is FTP's, as before any SFTP profile was used.
        if (!loginWaiting)
            useProtocol(fs.ftp);
    } else {
        session.hangUp();
    }
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
    if (fs.connection.protocol() == FsProtocol::Sftp) {
        fs.sftp.cancel();
        return;
    }
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
