// Explicit TLS (AUTH TLS) against real servers in this test's own network
// namespace: vsftpd and pyftpdlib with certificates made here by `openssl`
// (a CA of the test's own, trusted through SSL_CERT_FILE, and self-signed
// ones), plus scripted peers for refusals, hang-ups and handshakes that never end.

#include "recording_ui.h"
#include "ftp_server.h"
#include "reply_peer.h"
#include "qt_printers.h"

#include "app/extra_connections.h"
#include "config/ascii_extensions.h"
#include "ftp/session.h"
#include "platform/scripted_dialogs.h"
#include "transfer/parallel_transfer.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_host.h"
#include "platform/tls_socket.h"
#include "platform/winsock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace kav;

namespace {

ScriptedDialogs &boxes()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

// The test's certificates: a CA and a server certificate it signed for
// localhost and 127.0.0.1, one it signed for another name, and two
// self-signed ones for localhost and 127.0.0.1 (two keys: a "changed" server).
class Certificates {
public:
    Certificates()
    {
        ok = run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
                  "-days", "2", "-subj", "/CN=Kavrin Test CA"})
            && sign("server", "/CN=localhost", "subjectAltName=DNS:localhost,IP:127.0.0.1")
            && sign("elsewhere", "/CN=elsewhere.example", "subjectAltName=DNS:elsewhere.example")
            && selfSigned("selfA") && selfSigned("selfB");
        // The system's trust store of this process: the test's CA alone.
        qputenv("SSL_CERT_FILE", QFile::encodeName(file("ca.pem")));
        qputenv("SSL_CERT_DIR", QFile::encodeName(dir.path().c_str()));
    }
    std::string cert(const std::string &name) const { return dir.file(name + ".pem"); }
    std::string key(const std::string &name) const { return dir.file(name + ".key"); }
    QString file(const std::string &name) const { return qs(dir.file(name)); }
    // openssl's own SHA-256 fingerprint of a certificate ("AB:CD:...").
    QString fingerprint(const std::string &name) const
    {
        QProcess p;
        p.setWorkingDirectory(qs(dir.path()));
        p.start(QStringLiteral("openssl"), {"x509", "-noout", "-fingerprint", "-sha256", "-in", qs(cert(name))});
        p.waitForFinished();
        return QString::fromLatin1(p.readAllStandardOutput()).section(QLatin1Char('='), 1).trimmed();
    }
    bool ok = false;

private:
    bool run(const QStringList &args) const
    {
        QProcess p;
        p.setWorkingDirectory(qs(dir.path()));
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("openssl"), args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            ADD_FAILURE() << "openssl " << args.join(' ').toStdString() << ": " << p.readAll().toStdString();
            return false;
        }
        return true;
    }
    bool sign(const QString &name, const QString &subject, const QString &extension) const
    {
        QFile ext(file(name.toStdString() + ".ext"));
        ext.open(QIODevice::WriteOnly);
        ext.write(extension.toUtf8() + "\n");
        ext.close();
        return run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
                    "-subj", subject})
            && run({"x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-out", name + ".pem", "-days", "2", "-extfile", name + ".ext"});
    }
    bool selfSigned(const QString &name) const
    {
        return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
                    name + ".pem", "-days", "2", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    }
    kavtest::ScratchDir dir;
};

Certificates &certificates()
{
    static Certificates c;
    return c;
}

// Every byte that crosses the loopback interface, both ways, all connections
// (a packet socket on "lo": the namespace's own tcpdump).
class LoopbackCapture {
public:
    LoopbackCapture()
    {
        fd = ::socket(AF_PACKET, SOCK_RAW, htons(ETH_P_ALL));
        if (fd < 0)
            return;
        int size = 16 << 20;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        timeval tv{0, 50000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_ll where{};
        where.sll_family = AF_PACKET;
        where.sll_protocol = htons(ETH_P_ALL);
        where.sll_ifindex = int(if_nametoindex("lo"));
        if (::bind(fd, reinterpret_cast<sockaddr *>(&where), sizeof where) != 0) {
            ::close(fd);
            fd = -1;
            return;
        }
        worker = std::thread([this] {
            std::vector<char> buffer(1 << 17);
            // After stop(), the packets still queued are read before the end.
            for (;;) {
                const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(m);
                    seen.append(buffer.data(), n);
                } else if (done) {
                    break;
                }
            }
        });
    }
    ~LoopbackCapture() { stop(); }
    bool running() const { return fd >= 0; }
    QByteArray stop()
    {
        if (worker.joinable()) {
            done = true;
            worker.join();
        }
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        std::lock_guard<std::mutex> lock(m);
        return seen;
    }

private:
    int fd = -1;
    std::atomic<bool> done{false};
    std::thread worker;
    std::mutex m;
    QByteArray seen;
};

struct Client : kavtest::RecordedSession {
    Client()
    {
        boxes().clear();
        EXPECT_TRUE(ws::startup());
        prepare();
    }
    // The profile again (a disconnect resets it).
    void prepare(const QString &host = QStringLiteral("127.0.0.1"), const QString &trusted = {})
    {
        profile().HostName = QStringLiteral("보안 서버");
        profile().HostIP = host;
        profile().UserId = QStringLiteral("kim");
        profile().Password = QStringLiteral("Secret-Pw-42");
        profile().Timeout = 5;
        profile().TrialTimes = 1;
        profile().Connection.Encryption = Security::Tls;
        profile().Connection.TrustedCertificate = trusted;
    }
    void connect() { flow.BB_ConnectClick(false); }
    void disconnect() { flow.BB_DisconnectClick(); }
    QStringList sent() const
    {
        QStringList out;
        for (const QString &line : ui.log)
            if (line.startsWith(QLatin1String("[L] - ")))
                out << line.mid(6).section(QLatin1Char(' '), 0, 0);
        return out;
    }
    int count(const QString &prefix) const
    {
        int n = 0;
        for (const QString &line : ui.log)
            n += line.startsWith(prefix);
        return n;
    }

    QByteArray download(const QString &name)
    {
        session.command(QStringLiteral("TYPE I"));
        const DataOpening o = session.openData(QStringLiteral("RETR ") + name);
        EXPECT_TRUE(o.opened()) << ui.log.join('\n').toStdString();
        QByteArray bytes;
        if (o.opened()) {
            char buffer[65536];
            int n;
            while ((n = session.receiveData(buffer, sizeof buffer)) > 0)
                bytes.append(buffer, n);
            EXPECT_EQ(n, 0) << ws::lastError();
            EXPECT_EQ(session.finishData().code, 226) << ui.log.join('\n').toStdString();
        }
        return bytes;
    }
    QByteArray listing()
    {
        const DataOpening o = session.openData(QStringLiteral("LIST"));
        EXPECT_TRUE(o.opened());
        QByteArray bytes;
        char buffer[4096];
        int n;
        while (o.opened() && (n = session.receiveData(buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        if (o.opened()) {
            EXPECT_EQ(session.finishData().code, 226);
        }
        return bytes;
    }
    void upload(const QString &name, const QByteArray &bytes)
    {
        session.command(QStringLiteral("TYPE I"));
        const DataOpening o = session.openData(QStringLiteral("STOR ") + name);
        ASSERT_TRUE(o.opened()) << ui.log.join('\n').toStdString();
        for (qsizetype at = 0; at < bytes.size(); at += 65536)
            ASSERT_GT(session.sendData(bytes.constData() + at, int(qMin<qsizetype>(65536, bytes.size() - at))), 0);
        EXPECT_EQ(session.finishData().code, 226) << ui.log.join('\n').toStdString();
    }
};

QByteArray randomBytes(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(size);
    for (char &c : b)
        c = char(gen.generate() & 0xff);
    return b;
}

// Text that a capture would show if it crossed in clear.
QByteArray plainFile()
{
    QByteArray b;
    while (b.size() < 300000)
        b += "KAVRIN-CLEAR-TEXT-MARKER line of the secret file\r\n";
    return b;
}

void writeFile(const std::string &path, const QByteArray &bytes)
{
    QFile f(qs(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const std::string &path)
{
    QFile f(qs(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

enum class ServerKind { Vsftpd, Pyftpdlib };

// A TLS-requiring server of either kind with the given certificate, serving `home`.
struct TlsServer {
    ServerKind kind;
    kavtest::FtpServer py;
    kavtest::VsftpdServer vs;
    std::string home;

    TlsServer(ServerKind k, const std::string &homeDir, const std::string &certName = "server")
        : kind(k), home(homeDir)
    {
        Certificates &c = certificates();
        if (kind == ServerKind::Pyftpdlib) {
            py.addUser("kim", "Secret-Pw-42", home).requireTls(c.cert(certName), c.key(certName));
        } else {
            vs.addUser("kim", "Secret-Pw-42", home)
                .addConfig("ssl_enable=YES")
                .addConfig("force_local_logins_ssl=YES")
                .addConfig("force_local_data_ssl=YES")
                .addConfig("rsa_cert_file=" + c.cert(certName))
                .addConfig("rsa_private_key_file=" + c.key(certName))
                // vsftpd's own default (DES-CBC3-SHA) is one OpenSSL 3 no longer offers.
                .addConfig("ssl_ciphers=HIGH")
                .addConfig("require_ssl_reuse=YES")
                // Uploads and downloads must end with close_notify, both ways.
                .addConfig("strict_ssl_read_eof=YES")
                .addConfig("strict_ssl_write_shutdown=YES");
        }
    }
    ::testing::AssertionResult start()
    {
        if (kind == ServerKind::Vsftpd) {
            if (std::string why; !kavtest::VsftpdServer::available(&why))
                return ::testing::AssertionFailure() << why;
            return vs.start();
        }
        return py.start();
    }
    std::string log() const { return kind == ServerKind::Vsftpd ? vs.log() : py.log(); }
    // The served copy of a file (vsftpd's home belongs to its "ftp" user).
    std::string path(const std::string &name) const { return home + "/" + name; }
};

class Transfers : public ::testing::TestWithParam<std::tuple<ServerKind, DataMode>> {};

} // namespace

TEST_P(Transfers, LoginBrowseDownloadAndUploadAllEncrypted)
{
    ASSERT_TRUE(certificates().ok);
    kavtest::ScratchDir home;
    const QByteArray original = randomBytes(3 * 1024 * 1024 + 17);
    writeFile(home.file("random.bin"), original);
    writeFile(home.file("plain.txt"), plainFile());
    const auto [kind, mode] = GetParam();
    TlsServer server(kind, home.path());
    ASSERT_TRUE(server.start());

    LoopbackCapture capture;
    ASSERT_TRUE(capture.running()) << "no packet socket on lo";
    Client c;
    // By name for one server, by address for the other: both are checked.
    c.prepare(kind == ServerKind::Pyftpdlib ? QStringLiteral("localhost") : QStringLiteral("127.0.0.1"));
    c.profile().Connection.Mode = mode;
    c.connect();
    ASSERT_TRUE(c.session.isConnected()) << c.ui.log.join('\n').toStdString() << server.log();
    EXPECT_TRUE(c.session.isEncrypted());
    EXPECT_TRUE(boxes().asked.empty());
    // AUTH TLS before anything of the login, the data protected before any data connection.
    const QStringList sent = c.sent();
    ASSERT_GE(sent.size(), 6);
    EXPECT_EQ(sent.mid(0, 6), (QStringList{"AUTH", "USER", "PASS", "PBSZ", "PROT", "SYST"}));
    EXPECT_TRUE(c.ui.log.contains(QStringLiteral("[L] - PASS (hidden)")));
    EXPECT_EQ(c.count(QStringLiteral("[H] - TLS 보안 연결: TLSv1.")), 1) << c.ui.log.join('\n').toStdString();
    EXPECT_TRUE(c.ui.caption.endsWith(QStringLiteral(" \U0001F512"))) << c.ui.caption.toStdString();
    EXPECT_TRUE(c.ui.appTitle.endsWith(QStringLiteral(" \U0001F512")));

    EXPECT_TRUE(c.listing().contains("random.bin"));
    EXPECT_EQ(c.download(QStringLiteral("random.bin")), original);
    EXPECT_EQ(c.download(QStringLiteral("plain.txt")), plainFile());
    const QByteArray upload = randomBytes(2 * 1024 * 1024 + 5);
    c.upload(QStringLiteral("up.bin"), upload);
    EXPECT_EQ(readFile(server.path("up.bin")), upload);
    c.upload(QStringLiteral("up.txt"), plainFile());
    EXPECT_EQ(readFile(server.path("up.txt")), plainFile());
    // The session still answers after the data connections closed.
    EXPECT_EQ(c.session.command(QStringLiteral("NOOP")).code, 200);
    // Every data connection went the profile's way.
    const QStringList all = c.sent();
    EXPECT_EQ(all.contains(QStringLiteral("EPSV")), mode == DataMode::Passive) << all.join(' ').toStdString();
    EXPECT_EQ(all.contains(QStringLiteral("PORT")), mode == DataMode::Active) << all.join(' ').toStdString();
    c.disconnect();

    const QByteArray wire = capture.stop();
    ASSERT_GT(wire.size(), 3 * 1024 * 1024);
    EXPECT_FALSE(wire.contains("Secret-Pw-42"));
    EXPECT_FALSE(wire.contains("PASS "));
    EXPECT_FALSE(wire.contains("USER kim"));
    EXPECT_FALSE(wire.contains("KAVRIN-CLEAR-TEXT-MARKER"));
    EXPECT_FALSE(wire.contains(original.mid(1000000, 64)));
    EXPECT_FALSE(wire.contains(upload.mid(1000000, 64)));
}

INSTANTIATE_TEST_SUITE_P(Servers, Transfers,
                         ::testing::Combine(::testing::Values(ServerKind::Vsftpd, ServerKind::Pyftpdlib),
                                            ::testing::Values(DataMode::Active, DataMode::Passive)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) == ServerKind::Vsftpd ? "Vsftpd" : "Pyftpdlib")
                                 + (std::get<1>(info.param) == DataMode::Passive ? "Passive" : "Active");
                         });

// The capture itself sees what crosses in clear: the same session without TLS.
TEST(Capture, APlainSessionShowsItsPasswordOnTheWire)
{
    kavtest::ScratchDir home;
    writeFile(home.file("plain.txt"), plainFile());
    kavtest::FtpServer server;
    server.addUser("kim", "Secret-Pw-42", home.path());
    ASSERT_TRUE(server.start());
    LoopbackCapture capture;
    ASSERT_TRUE(capture.running());
    Client c;
    c.profile().Connection.Encryption = Security::Plain;
    c.connect();
    ASSERT_TRUE(c.session.isConnected());
    EXPECT_FALSE(c.session.isEncrypted());
    EXPECT_FALSE(c.ui.caption.contains(QStringLiteral("\U0001F512")));
    EXPECT_EQ(c.download(QStringLiteral("plain.txt")), plainFile());
    c.disconnect();
    const QByteArray wire = capture.stop();
    EXPECT_TRUE(wire.contains("PASS Secret-Pw-42"));
    EXPECT_TRUE(wire.contains("KAVRIN-CLEAR-TEXT-MARKER"));
}

TEST(Refusal, AServerWithoutTlsNeverSeesTheLogin)
{
    kavtest::ScratchDir home;
    kavtest::FtpServer server;  // plain pyftpdlib: AUTH is an unknown command
    server.addUser("kim", "Secret-Pw-42", home.path());
    ASSERT_TRUE(server.start());
    LoopbackCapture capture;
    ASSERT_TRUE(capture.running());
    Client c;
    c.connect();
    const QByteArray wire = capture.stop();
    EXPECT_FALSE(c.session.isConnected());
    EXPECT_FALSE(c.session.hasControlConnection());
    EXPECT_EQ(c.sent(), QStringList{"AUTH"});
    EXPECT_TRUE(c.ui.log.contains(QStringLiteral(
        "[H] - 보안 연결 오류: 호스트가 TLS 보안 연결(AUTH TLS)을 거부했습니다. 로그인 정보를 보내지 않고 연결을 끊습니다.")))
        << c.ui.log.join('\n').toStdString();
    EXPECT_EQ(boxes().messageTexts(),
              QStringList{QStringLiteral("보안 연결(TLS)을 만들지 못해 연결을 끊었습니다. 메시지 창을 확인하십시요.")});
    EXPECT_TRUE(c.ui.connectEnabled);
    EXPECT_FALSE(c.ui.disconnectEnabled);
    EXPECT_TRUE(wire.contains("AUTH TLS"));
    EXPECT_FALSE(wire.contains("USER"));
    EXPECT_FALSE(wire.contains("PASS"));
    EXPECT_FALSE(wire.contains("Secret-Pw-42"));
}

// A server that takes the login over TLS but will not encrypt the data: no
// file may cross in clear, so the session ends as a disconnect does.
TEST(Refusal, AServerThatWillNotProtectTheDataIsLeft)
{
    ASSERT_TRUE(certificates().ok);
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    server.addUser("kim", "Secret-Pw-42", home.path())
        .requireTls(certificates().cert("server"), certificates().key("server"))
        .answer("PROT", "536 Requested PROT level not supported by mechanism.");
    ASSERT_TRUE(server.start());
    Client c;
    c.connect();
    EXPECT_FALSE(c.session.hasControlConnection());
    EXPECT_EQ(c.sent(), (QStringList{"AUTH", "USER", "PASS", "PBSZ", "PROT"})) << c.ui.log.join('\n').toStdString();
    EXPECT_TRUE(c.ui.log.contains(QStringLiteral(
        "[H] - 보안 연결 오류: 호스트가 데이터 연결의 암호화(PROT P)를 거부했습니다. 연결을 끊습니다.")))
        << c.ui.log.join('\n').toStdString();
    EXPECT_EQ(boxes().messageTexts(),
              QStringList{QStringLiteral("보안 연결(TLS)을 만들지 못해 연결을 끊었습니다. 메시지 창을 확인하십시요.")});
    EXPECT_TRUE(c.ui.connectEnabled);
    EXPECT_FALSE(c.ui.disconnectEnabled);
    EXPECT_FALSE(c.ui.caption.contains(QStringLiteral("\U0001F512")));
}

// Handshakes that do not finish: the server hangs up, nothing ever comes
// (the stop button, the time limit).
TEST(Handshake, HangUpStopAndTimeLimit)
{
    struct Case {
        const char *name;
        enum { HangUp, Stop, TimeLimit } what;
        QString line;
        bool box;
    };
    const Case cases[] = {
        {"hang-up", Case::HangUp, QStringLiteral("[H] - 보안 연결 오류: TLS 협상 중에 호스트가 연결을 끊었습니다."), true},
        {"stop", Case::Stop, QStringLiteral("[H] - 보안 연결 오류: TLS 협상을 중지했습니다."), false},
        {"time limit", Case::TimeLimit, QStringLiteral("[H] - 보안 연결 오류: TLS 협상이 시간제한 안에 끝나지 않았습니다."), true},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        kavtest::ReplyPeer peer(21);
        peer.greet("220 Test FTP ready\r\n");
        peer.on("AUTH", {"234 Proceed with negotiation.\r\n"});
        peer.on("USER", {"331 Password required\r\n"});
        peer.on("PASS", {"230 Logged in\r\n"});
        Client c;
        c.profile().Timeout = k.what == Case::TimeLimit ? 1 : 20;
        if (k.what == Case::HangUp)
            QTimer::singleShot(300, &peer, [&peer] { peer.hangUp(); });
        bool stopWasEnabled = false;
        if (k.what == Case::Stop)
            QTimer::singleShot(300, &peer, [&c, &stopWasEnabled] {
                stopWasEnabled = c.ui.stop;
                c.flow.BB_StopClick();
            });
        QElapsedTimer clock;
        clock.start();
        c.connect();
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_TRUE(c.ui.log.contains(k.line)) << c.ui.log.join('\n').toStdString();
        EXPECT_EQ(c.sent(), QStringList{"AUTH"});
        QList<QByteArray> expected{"AUTH TLS"};
        EXPECT_EQ(peer.commands, expected);
        EXPECT_EQ(boxes().asked.size(), k.box ? 1u : 0u);
        EXPECT_FALSE(c.ui.stop);
        if (k.what == Case::Stop) {
            EXPECT_TRUE(stopWasEnabled);
            EXPECT_EQ(c.flow.stopTag(), StopTag::Stopped);
        }
    }
}

// A certificate for another name, self-signed ones answered each way, and a
// trusted one that changes: the question, what is stored, the red warning.
TEST(Certificates, TheQuestionAndTheTrustedFingerprint)
{
    ASSERT_TRUE(certificates().ok);
    kavtest::ScratchDir home;
    writeFile(home.file("a.txt"), "a\n");

    {   // Signed by the trusted CA, but for elsewhere.example.
        TlsServer server(ServerKind::Vsftpd, home.path(), "elsewhere");
        ASSERT_TRUE(server.start());
        Client c;
        boxes().pushCertificate(CertificateChoice::Cancel);
        c.connect();
        ASSERT_EQ(boxes().certificates.size(), 1u);
        EXPECT_EQ(boxes().certificates[0].problem,
                  QStringLiteral("인증서가 이 호스트의 이름이나 주소에 발급된 것이 아닙니다."));
        EXPECT_EQ(boxes().certificates[0].subject, QStringLiteral("CN=elsewhere.example"));
        EXPECT_EQ(boxes().certificates[0].issuer, QStringLiteral("CN=Kavrin Test CA"));
        EXPECT_FALSE(boxes().certificates[0].keyChanged);
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_EQ(c.sent(), QStringList{"AUTH"});
        EXPECT_TRUE(c.ui.log.contains(
            QStringLiteral("[H] - 보안 연결 오류: 호스트의 인증서를 받아들이지 않아 연결을 끊습니다.")));
        EXPECT_TRUE(c.ui.trustedStored.isEmpty());
    }

    const QString fingerprintA = certificates().fingerprint("selfA");
    ASSERT_EQ(fingerprintA.size(), 95);
    {
        TlsServer server(ServerKind::Pyftpdlib, home.path(), "selfA");
        ASSERT_TRUE(server.start());
        Client c;
        // Cancel: nothing of the login is sent.
        boxes().pushCertificate(CertificateChoice::Cancel);
        c.connect();
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_EQ(c.sent(), QStringList{"AUTH"});
        ASSERT_EQ(boxes().certificates.size(), 1u);
        const CertificateQuestion &q = boxes().certificates[0];
        EXPECT_EQ(q.problem, QStringLiteral("자체 서명된 인증서입니다."));
        EXPECT_EQ(q.fingerprint, fingerprintA);
        EXPECT_EQ(q.subject, QStringLiteral("CN=localhost"));
        EXPECT_FALSE(q.validFrom.isEmpty());
        EXPECT_FALSE(q.validUntil.isEmpty());
        EXPECT_EQ(boxes().asked[0].caption, QStringLiteral("호스트 인증서 확인"));
        EXPECT_TRUE(boxes().asked[0].text.contains(fingerprintA));
        EXPECT_TRUE(boxes().asked[0].value.isEmpty());  // no red warning

        // Once: logged in, nothing stored, asked again next time.
        boxes().clear();
        c.prepare();
        boxes().pushCertificate(CertificateChoice::ConnectOnce);
        c.connect();
        ASSERT_TRUE(c.session.isConnected()) << c.ui.log.join('\n').toStdString();
        EXPECT_EQ(c.download(QStringLiteral("a.txt")), QByteArray("a\n"));
        EXPECT_TRUE(c.ui.trustedStored.isEmpty());
        c.disconnect();
        boxes().clear();
        c.prepare();
        boxes().pushCertificate(CertificateChoice::TrustAlways);
        c.connect();
        ASSERT_TRUE(c.session.isConnected());
        EXPECT_EQ(boxes().certificates.size(), 1u);
        EXPECT_EQ(c.ui.trustedStored, QStringList{tls::storedFingerprint(fingerprintA)});
        c.disconnect();

        // Trusted from now on: no question.
        boxes().clear();
        c.prepare(QStringLiteral("127.0.0.1"), c.ui.trustedStored.value(0));
        c.connect();
        EXPECT_TRUE(c.session.isConnected());
        EXPECT_TRUE(boxes().asked.empty());
        c.disconnect();
    }
    {   // The same profile, and the server now shows another key.
        TlsServer server(ServerKind::Pyftpdlib, home.path(), "selfB");
        ASSERT_TRUE(server.start());
        for (CertificateChoice answer : {CertificateChoice::Cancel, CertificateChoice::ConnectOnce}) {
            Client c;
            c.prepare(QStringLiteral("127.0.0.1"), tls::storedFingerprint(fingerprintA));
            boxes().pushCertificate(answer);
            c.connect();
            ASSERT_EQ(boxes().certificates.size(), 1u);
            EXPECT_TRUE(boxes().certificates[0].keyChanged);
            EXPECT_EQ(boxes().certificates[0].fingerprint, certificates().fingerprint("selfB"));
            EXPECT_EQ(boxes().asked[0].icon, MsgIcon::Warning);
            EXPECT_TRUE(boxes().asked[0].value.startsWith(QStringLiteral("경고: 호스트의 키가 바뀌었습니다!")));
            EXPECT_TRUE(c.ui.log.contains(boxes().asked[0].value));
            EXPECT_EQ(c.session.isConnected(), answer == CertificateChoice::ConnectOnce);
            c.disconnect();
        }
    }
    {   // A stored fingerprint also guards a server whose certificate passes the check.
        TlsServer server(ServerKind::Pyftpdlib, home.path(), "server");
        ASSERT_TRUE(server.start());
        Client c;
        c.prepare(QStringLiteral("127.0.0.1"), tls::storedFingerprint(fingerprintA));
        c.connect();
        ASSERT_EQ(boxes().certificates.size(), 1u);
        EXPECT_TRUE(boxes().certificates[0].keyChanged);
        EXPECT_FALSE(c.session.hasControlConnection());
    }
}

namespace {
// The local side of a batch: image type, nothing else asked.
struct PlainLocal : TransferHost {
    AsciiExtensionList ascii;
    QStringList selectedLocalFiles() const override { return {}; }
    QString localDirectory() const override { return {}; }
    void refreshLocal() override {}
    void focusLocalFiles() override {}
    void setStayOnTop(bool) override {}
    bool stayOnTopChecked() const override { return false; }
    TypeControls typeControls() const override { return TypeControls{false, false, true}; }
    const AsciiExtensionList &asciiExtensions() const override { return ascii; }
    void setSelectAfterRefresh(const QString &) override {}
    void disconnectFromHost() override {}
};
} // namespace

// The further connections of a batch log in as the window's did: encrypted,
// the data protected (vsftpd requires the data's TLS session to reuse the
// control's), with the certificate the user accepted for the window's login
// and without asking again.
TEST(Parallel, FurtherConnectionsAreEncryptedWithTheAcceptedCertificate)
{
    ASSERT_TRUE(certificates().ok);
    kavtest::ScratchDir home, local;
    QList<QByteArray> contents;
    QList<TransferJob> jobs;
    for (int i = 0; i < 6; ++i) {
        contents << randomBytes(100000 + i * 4099);
        const QString name = QStringLiteral("f%1.bin").arg(i);
        writeFile(home.file(name.toStdString()), contents.last());
        jobs << TransferJob{false, name, QString::fromStdString(local.path()) + "/" + name, true, contents.last().size()};
    }
    TlsServer server(ServerKind::Vsftpd, home.path(), "selfA");
    ASSERT_TRUE(server.start());
    Client c;
    c.profile().Connection.Mode = DataMode::Passive;
    c.profile().Connection.Parallel = 3;
    boxes().pushCertificate(CertificateChoice::ConnectOnce);
    c.connect();
    ASSERT_TRUE(c.session.isConnected()) << c.ui.log.join('\n').toStdString() << server.log();
    ASSERT_EQ(boxes().certificates.size(), 1u);

    ExtraConnections extra(c.session, c.core.fs, c.flow, c.ui);
    ASSERT_EQ(extra.connections(), 3);
    TTransForm window;
    PlainLocal host;
    ParallelTransfer batch(extra, window, host, c.core.fs);
    const ParallelTransfer::Outcome o = batch.run(jobs, extra.connections(), QStringLiteral("/"));
    EXPECT_EQ(o.opened, 3) << c.ui.log.join('\n').toStdString() << server.log();
    EXPECT_TRUE(o.failed.isEmpty());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(readFile(jobs[i].destination.toStdString()), contents[i]) << i;
    EXPECT_EQ(boxes().certificates.size(), 1u);   // never asked again
    for (int n = 1; n <= 3; ++n) {
        const QString tag = QStringLiteral("[H] - [연결 %1] TLS 보안 연결: TLSv1.").arg(n);
        EXPECT_EQ(c.count(tag), 1) << n << c.ui.log.join('\n').toStdString();
        EXPECT_FALSE(c.ui.log.contains(QStringLiteral("[L] - [연결 %1] PASS secret").arg(n)));
    }

    // A certificate other than the one accepted is never taken by a further connection.
    TlsServer other(ServerKind::Vsftpd, home.path(), "selfB");
    server.vs.stop();
    ASSERT_TRUE(other.start());
    const ConnectionSource::Opener open = extra.opener(QStringLiteral("/"));
    EXPECT_EQ(open(4, [] { return false; }), nullptr);
    EXPECT_EQ(boxes().certificates.size(), 1u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(c.ui.log.contains(QStringLiteral("[H] - [연결 4] 보안 연결 오류: 호스트의 인증서를 받아들이지 않아 연결을 끊습니다.")))
        << c.ui.log.join('\n').toStdString();
}
