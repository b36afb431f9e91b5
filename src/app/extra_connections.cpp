#include "extra_connections.h"

#include "connect_flow.h"

#include "ftp/session.h"
#include "platform/tls_socket.h"
#include "remotefs/ftp_fs.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace kav {

namespace {

// A further connection: the session and its file system, owned together.
struct Connection {
    Session session;
    FtpFs fs{session};
};

// Everything a worker needs to log in, copied on the window's thread.
struct LoginValues {
    ws::SocketAddress address;
    int timeLimitMs = 15000;
    Session::DataMode mode = Session::DataMode::Active;
    Session::ServerEncoding encoding = Session::ServerEncoding::Undecided;
    bool tls = false;
    QString tlsHost, certificate, user, password, directory;
};

} // namespace

ExtraConnections::ExtraConnections(Session &session, RemoteFs &connection, ConnectFlow &flow, ConnectWindow &window)
    : session(session), connection(connection), flow(flow), window(window)
{
}

int ExtraConnections::connections() const
{
    // SFTP moves its files on its one SSH connection; the window's connection
    // must be an FTP login for a further one to copy it.
    if (connection.protocol() != FsProtocol::Ftp || !session.isConnected() || flow.loginSecrets().tlsHost.isEmpty())
        return 1;
    return std::clamp(flow.profile.Connection.Parallel, 1, MaxParallel);
}

QString ExtraConnections::numberedLine(int number, TranscriptSide side, const QString &text)
{
    return transcriptLine(side, QStringLiteral("[연결 %1] ").arg(number) + text);
}

ConnectionSource::Opener ExtraConnections::opener(const QString &directory)
{
    LoginValues v;
    v.address = session.serverAddress();
    v.timeLimitMs = std::max(1, flow.profile.Timeout) * 1000;
    v.mode = sessionDataMode(flow.profile.Connection.Mode);
    v.encoding = session.serverEncodingShown() ? session.serverEncoding() : Session::ServerEncoding::Undecided;
    v.tls = session.isEncrypted();
    v.tlsHost = flow.loginSecrets().tlsHost;
    v.certificate = flow.loginSecrets().certificate;
    v.user = flow.profile.UserId;
    v.password = flow.loginSecrets().password;
    v.directory = directory;
    // Lines go to the window's thread, where the log lives.
    QPointer<Session> context(&session);
    ConnectWindow *log = &window;
    return [v, context, log](int number, const std::function<bool()> &stopped) -> std::shared_ptr<RemoteFs> {
        auto c = std::make_shared<Connection>();
        Session &s = c->session;
        QObject::connect(&s, &Session::transcript, &s, [context, log, number](TranscriptSide side, const QString &text) {
            const QString line = numberedLine(number, side, text);
            if (context)
                QMetaObject::invokeMethod(context.data(), [log, line] { log->AppendLog(line); }, Qt::QueuedConnection);
        });
        // A cancel while this connection is still being made ends its wait.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &s, [&s, &stopped] {
            if (stopped()) {
                s.cancel();
                s.interruptWait();
            }
        });
        watch.start(10);
        const auto failed = [&](const QString &why) -> std::shared_ptr<RemoteFs> {
            if (!why.isEmpty())
                s.log(TranscriptSide::Local, why);
            s.drop();
            return nullptr;
        };
        const QString notOpened = QStringLiteral("동시 전송 연결을 만들지 못했습니다.");
        s.setDataMode(v.mode, v.timeLimitMs);
        if (s.openControl(v.address, v.timeLimitMs) != Session::ConnectResult::Connected)
            return failed(notOpened);
        Reply greeting = s.readReply();
        if (greeting.code == 220 && greeting.text.size() == 3) {
            s.log(TranscriptSide::Host, greeting.text);
            greeting = s.readReply();
        }
        if (stopped() || !s.hasControlConnection() || greeting.code != 220)
            return failed(stopped() ? QString() : notOpened);
        s.log(TranscriptSide::Host, greeting.text);
        s.setTlsRequired(v.tls, v.tlsHost);
        if (v.tls) {
            const QString accepted = v.certificate;
            s.setCertificateJudge([accepted](const tls::PeerCertificate &c) {
                return !accepted.isEmpty() && tls::storedFingerprint(c.fingerprint) == accepted;
            });
            if (!s.startTls())
                return failed(notOpened);
        }
        QString systemReply;
        if (s.login(v.user, v.password, &systemReply) != Session::LoginResult::LoggedIn || stopped())
            return failed(stopped() ? QString() : notOpened);
        // Active mode announces the control connection's own address.
        if (!s.readLocalAddress())
            return failed(notOpened);
        // Names go out in the bytes the window's session found the server's to be.
        if (v.encoding != Session::ServerEncoding::Undecided)
            s.setServerEncoding(v.encoding);
        if (!v.directory.isEmpty() && !c->fs.changeDirectory(v.directory).ok())
            return failed(notOpened);
        watch.stop();
        return std::shared_ptr<RemoteFs>(c, &c->fs);
    };
}

} // namespace kav
