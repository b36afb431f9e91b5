// The remote file system over SFTP against OpenSSH's sshd (internal-sftp) on
// 127.0.0.1:22 of this executable's own network namespace (sshd_server.h
// holds the recipe): the cases every protocol passes (fs_contract.h), then
// SFTP's own: logins by password, key file, key with passphrase and agent;
// unknown, accepted and changed host keys in OpenSSH's known_hosts format.

#include "fs_contract.h"
#include "sshd_server.h"

#include "platform/winsock.h"
#include "remotefs/sftp_fs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

struct SftpPeer {
    kavtest::SshdServer sshd;
    kavtest::ScratchDir client;
    SftpFs fs;
    QStringList log;
    QString root = QString::fromStdString(sshd.home());
    QString knownHosts = QString::fromStdString(client.file("known_hosts"));
    int questions = 0;
    SshHostKey asked;
    HostKeyVerdict verdict = HostKeyVerdict::AcceptOnce;

    SftpPeer()
    {
        EXPECT_TRUE(ws::startup());
        QObject::connect(&fs, &SftpFs::transcript, [this](TranscriptSide side, const QString &text) {
            log << transcriptLine(side, text);
        });
        fs.judgeHostKey = [this](const SshHostKey &key) {
            ++questions;
            asked = key;
            return verdict;
        };
    }
    SshLogin login(bool withPassword = true, QStringList keys = {})
    {
        SshLogin l;
        l.host = QStringLiteral("127.0.0.1");
        EXPECT_TRUE(ws::parseAddress(l.host, &l.address));
        l.address.port = 22;
        l.user = QStringLiteral("root");
        if (withPassword)
            l.password = QString::fromStdString(sshd.password());
        l.identityFiles = keys;
        l.useAgent = false;
        l.knownHostsFile = knownHosts;
        return l;
    }
    ::testing::AssertionResult connect(const SshLogin &l)
    {
        const SftpFs::ConnectResult r = fs.connectTo(l, 10000);
        if (r != SftpFs::ConnectResult::Connected || !fs.connected())
            return ::testing::AssertionFailure() << int(r) << "\n" << log.join('\n').toStdString() << "\n" << sshd.log();
        return ::testing::AssertionSuccess();
    }
    // The fingerprint of the server's key as OpenSSH's ssh-keygen -l prints it.
    QString fingerprint() const
    {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/ssh-keygen"),
                {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"), QStringLiteral("-f"), QStringLiteral("-")});
        p.write(QByteArray::fromStdString(sshd.hostPublicKey() + "\n"));
        p.closeWriteChannel();
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' ')).value(1);
    }
    QByteArray knownHostsText() const
    {
        QFile f(knownHosts);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

#define CONTRACT_CASE(name)                      \
    TEST(SftpFsContract, name)                   \
    {                                            \
        SftpPeer peer;                           \
        ASSERT_TRUE(peer.sshd.start());          \
        ASSERT_TRUE(peer.connect(peer.login())); \
        kavtest::name({peer.fs, peer.root});     \
    }

CONTRACT_CASE(listsEntriesWithTheirFacts)
CONTRACT_CASE(changesAndReportsDirectories)
CONTRACT_CASE(makesRenamesAndRemoves)
CONTRACT_CASE(refusesWhatCannotBe)
CONTRACT_CASE(changesModeAndTimes)
CONTRACT_CASE(readsFromAnOffset)
CONTRACT_CASE(writesWholeAtAnOffsetAndAppending)
CONTRACT_CASE(stopsAListingAndGoesOn)
CONTRACT_CASE(declinesDataBeforeItFlows)

} // namespace

// Each way in: the password, a key file, a key file with its passphrase
// asked, and the agent.
TEST(SftpLogin, ByPasswordKeyFilePassphraseAndAgent)
{
    SftpPeer peer;
    ASSERT_TRUE(peer.sshd.start());
    const QString key = QString::fromStdString(peer.sshd.clientKey());
    const QString locked = QString::fromStdString(peer.sshd.lockedClientKey());

    ASSERT_TRUE(peer.connect(peer.login(true)));
    EXPECT_TRUE(peer.log.contains(QStringLiteral("[L] - 암호로 인증합니다.")));
    peer.fs.drop();

    ASSERT_TRUE(peer.connect(peer.login(false, {key})));
    EXPECT_TRUE(peer.log.contains(QStringLiteral("[L] - 키 파일로 인증합니다: ") + key));
    peer.fs.drop();

    QStringList askedFor;
    peer.fs.askPassphrase = [&](const QString &file, QString *passphrase) {
        askedFor << file;
        *passphrase = QString::fromStdString(kavtest::SshdServer::lockedKeyPassphrase());
        return true;
    };
    ASSERT_TRUE(peer.connect(peer.login(false, {locked})));
    EXPECT_EQ(askedFor, QStringList{locked});
    peer.fs.drop();

    // A wrong passphrase and no password: refused, and closed.
    peer.fs.askPassphrase = [](const QString &, QString *passphrase) {
        *passphrase = QStringLiteral("wrong");
        return true;
    };
    EXPECT_EQ(peer.fs.connectTo(peer.login(false, {locked}), 10000), SftpFs::ConnectResult::LoginRefused);
    EXPECT_FALSE(peer.fs.connected());

    // The agent, with the key added to a private one.
    kavtest::ScratchDir agentDir;
    const QString socket = QString::fromStdString(agentDir.file("agent.sock"));
    QProcess agent;
    agent.start(QStringLiteral("/usr/bin/ssh-agent"), {QStringLiteral("-D"), QStringLiteral("-a"), socket});
    ASSERT_TRUE(agent.waitForStarted());
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QThread::msleep(20);
    QProcess add;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SSH_AUTH_SOCK"), socket);
    add.setProcessEnvironment(env);
    // The agent's socket appears before it listens: a refused connection is tried again.
    for (int i = 0; i < 100; ++i) {
        add.start(QStringLiteral("/usr/bin/ssh-add"), {key});
        ASSERT_TRUE(add.waitForFinished());
        if (add.exitCode() == 0)
            break;
        QThread::msleep(50);
    }
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    qputenv("SSH_AUTH_SOCK", socket.toUtf8());
    SshLogin viaAgent = peer.login(false);
    viaAgent.useAgent = true;
    ASSERT_TRUE(peer.connect(viaAgent));
    EXPECT_TRUE(std::any_of(peer.log.begin(), peer.log.end(),
                            [](const QString &l) { return l.startsWith(QStringLiteral("[L] - 에이전트의 키로 인증합니다")); }));
    peer.fs.drop();
    qunsetenv("SSH_AUTH_SOCK");
    agent.kill();
    agent.waitForFinished();
}

// An unknown key is asked about with its type and OpenSSH's fingerprint:
// once leaves known_hosts alone, always adds one line in OpenSSH's format
// (and is then known), cancel sends nothing more.
TEST(SftpHostKey, UnknownAcceptedAndChanged)
{
    SftpPeer peer;
    ASSERT_TRUE(peer.sshd.start());
    QFile existing(peer.knownHosts);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("# the user's own line\nother.example ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIGQkX7zW3o7bq3Tz5y8P2b4m6H1y5cY9j0tE1c2u3v4w\n");
    existing.close();
    const QByteArray before = peer.knownHostsText();

    peer.verdict = HostKeyVerdict::Cancel;
    EXPECT_EQ(peer.fs.connectTo(peer.login(), 10000), SftpFs::ConnectResult::HostKeyRefused);
    EXPECT_EQ(peer.questions, 1);
    EXPECT_EQ(peer.asked.standing, SshHostKey::Standing::Unknown);
    EXPECT_EQ(peer.asked.type, QStringLiteral("ED25519"));
    EXPECT_EQ(peer.asked.fingerprint, peer.fingerprint());
    EXPECT_FALSE(peer.fs.connected());

    peer.verdict = HostKeyVerdict::AcceptOnce;
    ASSERT_TRUE(peer.connect(peer.login()));
    EXPECT_EQ(peer.questions, 2);
    EXPECT_EQ(peer.knownHostsText(), before);
    peer.fs.drop();

    peer.verdict = HostKeyVerdict::AcceptAlways;
    ASSERT_TRUE(peer.connect(peer.login()));
    EXPECT_EQ(peer.questions, 3);
    const QByteArray after = peer.knownHostsText();
    EXPECT_TRUE(after.startsWith(before));
    const QByteArray added = after.mid(before.size());
    EXPECT_TRUE(added.startsWith("127.0.0.1 ssh-ed25519 AAAA")) << added.toStdString();
    peer.fs.drop();

    // Known now: no question. OpenSSH's own client agrees with the line.
    ASSERT_TRUE(peer.connect(peer.login()));
    EXPECT_EQ(peer.questions, 3);
    peer.fs.drop();
    QProcess check;
    check.start(QStringLiteral("/usr/bin/ssh-keygen"), {QStringLiteral("-F"), QStringLiteral("127.0.0.1"),
                                                        QStringLiteral("-f"), peer.knownHosts});
    ASSERT_TRUE(check.waitForFinished());
    EXPECT_EQ(check.exitCode(), 0);

    // The server's key changes: a warning, no question, and no login tried.
    peer.sshd.stop();
    ASSERT_TRUE(peer.sshd.newHostKey());
    ASSERT_TRUE(peer.sshd.start());
    int warned = 0;
    peer.fs.hostKeyChanged = [&](const SshHostKey &key) {
        ++warned;
        EXPECT_EQ(key.standing, SshHostKey::Standing::Changed);
    };
    const qsizetype mark = peer.log.size();
    EXPECT_EQ(peer.fs.connectTo(peer.login(), 10000), SftpFs::ConnectResult::HostKeyRefused);
    EXPECT_EQ(warned, 1);
    EXPECT_EQ(peer.questions, 3);
    EXPECT_FALSE(peer.log.mid(mark).contains(QStringLiteral("[L] - 암호로 인증합니다.")));
    EXPECT_EQ(peer.sshd.log().find("Failed password"), std::string::npos) << peer.sshd.log();
}

// A host key alias (OpenSSH's HostKeyAlias) names the key in known_hosts
// instead of the address and port: accepted always, the line carries the
// alias; known under it, nothing is asked; the address itself stays unknown.
TEST(SftpHostKey, AliasNamesTheKeyInKnownHosts)
{
    SftpPeer peer;
    ASSERT_TRUE(peer.sshd.start());
    SshLogin aliased = peer.login();
    aliased.hostKeyAlias = QStringLiteral("backup-key");
    peer.verdict = HostKeyVerdict::AcceptAlways;
    ASSERT_TRUE(peer.connect(aliased));
    EXPECT_EQ(peer.questions, 1);
    EXPECT_TRUE(peer.knownHostsText().startsWith("backup-key ssh-ed25519 AAAA")) << peer.knownHostsText().toStdString();
    EXPECT_FALSE(peer.knownHostsText().contains("127.0.0.1"));
    peer.fs.drop();

    ASSERT_TRUE(peer.connect(aliased));
    EXPECT_EQ(peer.questions, 1);
    peer.fs.drop();

    peer.verdict = HostKeyVerdict::Cancel;
    EXPECT_EQ(peer.fs.connectTo(peer.login(), 10000), SftpFs::ConnectResult::HostKeyRefused);
    EXPECT_EQ(peer.questions, 2);
    EXPECT_EQ(peer.asked.standing, SshHostKey::Standing::Unknown);
}

// Korean names and names with blanks arrive as the bytes on disk; a name
// that is not UTF-8 still names its file: read as code page 949 where it is
// the first foreign name the server shows, kept as escaped bytes otherwise.
TEST(SftpNames, KoreanBlanksAndForeignBytes)
{
    SftpPeer peer;
    ASSERT_TRUE(peer.sshd.start());
    const QByteArray foreign = QByteArray("\xc7\xd1\xb1\xdb.txt");   // "한글.txt" in code page 949
    ASSERT_TRUE(QDir(peer.root).mkpath(QStringLiteral("legacy")));
    {
        QFile f(peer.root + QStringLiteral("/ 한글 이름 .txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray path = QFile::encodeName(peer.root) + "/legacy/" + foreign;
        FILE *raw = fopen(path.constData(), "w");
        ASSERT_NE(raw, nullptr);
        fputs("cp949", raw);
        fclose(raw);
    }
    const auto names = [&peer] {
        QStringList out;
        peer.fs.list([&out](QList<RemoteEntry> &&entries, qsizetype) {
            for (const RemoteEntry &e : entries)
                out << e.name;
            return true;
        });
        out.sort();
        return out;
    };
    const auto fetch = [&peer](const QString &name) {
        QByteArray got;
        peer.fs.retrieve(name, 0, [&got](const char *d, int n) {
            got.append(d, n);
            return true;
        });
        return got;
    };

    ASSERT_TRUE(peer.connect(peer.login()));
    EXPECT_EQ(names(), (QStringList{QStringLiteral(" 한글 이름 .txt"), QStringLiteral("legacy")}));
    ASSERT_TRUE(peer.fs.changeDirectory(QStringLiteral("legacy")).ok());
    const QStringList escaped = names();
    ASSERT_EQ(escaped.size(), 1);
    EXPECT_EQ(peer.fs.encodeName(escaped.first()), foreign);
    EXPECT_EQ(fetch(escaped.first()), "cp949");
    peer.fs.drop();

    ASSERT_TRUE(peer.connect(peer.login()));
    ASSERT_TRUE(peer.fs.changeDirectory(QStringLiteral("legacy")).ok());
    EXPECT_EQ(names(), QStringList{QStringLiteral("한글.txt")});
    EXPECT_EQ(fetch(QStringLiteral("한글.txt")), "cp949");
}
