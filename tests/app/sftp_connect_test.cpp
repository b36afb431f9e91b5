// An SFTP profile through the main window against OpenSSH's sshd on
// 127.0.0.1:22 of this executable's own network and mount namespaces
// (sshd_server.h holds the recipe): the connect flow builds the SFTP file
// system, asks about the host key, logs in and the host pane lists through
// it; Stop and Disconnect end a connect that hangs; a changed key is a
// warning and nothing is sent; ~/.ssh/config aliases and a key with a
// passphrase are the user's own set-up, in a home of the test's own.
#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "app/composition.h"
#include "app/settings_bridge.h"
#include "config/configuration.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "blackhole_peer.h"
#include "sshd_server.h"
#include "wait_until.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QProcess>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kav;

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

// A main window with a settings file and a home of its own (its ~/.ssh
// empty), the SFTP profile "사내 SFTP" for root on 127.0.0.1 stored.
struct SftpWindow {
    QTemporaryDir settings, home;
    std::unique_ptr<TMainForm> f;
    SessionProfile profile;

    explicit SftpWindow(const QString &password)
    {
        scripted().clear();
        qputenv("KAVRIN_HOME", settings.path().toUtf8());
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("SSH_AUTH_SOCK");
        f = std::make_unique<TMainForm>();
        profile.HostName = QStringLiteral("사내 SFTP");
        profile.HostIP = QStringLiteral("127.0.0.1");
        profile.UserId = QStringLiteral("root");
        profile.Password = password;
        profile.Connection.Kind = Protocol::Sftp;
        profile.Connection.Port = DefaultSftpPort;
        f->settings().configuration().SaveSessionProfile(profile);
        f->show();
        kavtest::waitUntil([this] { return f->firstActivated(); }, 5000);
    }
    QString knownHosts() const { return home.path() + QStringLiteral("/.ssh/known_hosts"); }
    // The profile's connect, as the start-up connect runs it.
    void connect()
    {
        f->connectFlow().profile = profile;
        f->connectFlow().BB_ConnectClick(false);
        QCoreApplication::processEvents();
    }
    bool connected() const { return f->sessionParts().fs.connected(); }
    QStringList log() const { return f->messages().texts(); }
    QStringList hostFiles() const
    {
        QStringList names;
        for (int i = 0; i < f->form()->RFileListBox->count(); ++i)
            names << f->form()->RFileListBox->text(i);
        return names;
    }
    std::string transcript() const { return log().join('\n').toStdString(); }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QString fingerprintOf(const std::string &publicKey)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ssh-keygen"),
            {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"), QStringLiteral("-f"), QStringLiteral("-")});
    p.write(QByteArray::fromStdString(publicKey + "\n"));
    p.closeWriteChannel();
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' ')).value(1);
}

class SftpConnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ws::startup());
        ASSERT_TRUE(sshd.start()) << sshd.log();
        root = QString::fromStdString(sshd.home());
        writeFile(root + QStringLiteral("/한글 이름.txt"), "가나다");
        writeFile(root + QStringLiteral("/with blank.txt"), "x");
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("하위 폴더")));
    }
    kavtest::SshdServer sshd;
    QString root;
};

// An unknown key is asked about with its type and OpenSSH's fingerprint;
// accepted once, the session logs in and the host pane lists the SFTP start
// directory, Korean names and blanks as they are; FTP's own commands are
// greyed; Disconnect ends it. known_hosts stays untouched.
TEST_F(SftpConnect, AcceptedOnceListsTheHostAndDisconnects)
{
    SftpWindow w(QString::fromStdString(sshd.password()));
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected() && w.hostFiles().size() >= 2; }, 15000))
        << w.transcript() << sshd.log();
    ASSERT_EQ(scripted().hostKeys.size(), 1u);
    const HostKeyQuestion &q = scripted().hostKeys[0];
    EXPECT_FALSE(q.changed);
    EXPECT_EQ(q.keyType, QStringLiteral("ED25519"));
    EXPECT_EQ(q.fingerprint, fingerprintOf(sshd.hostPublicKey()));
    EXPECT_EQ(q.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(q.knownHostsFile, w.knownHosts());
    EXPECT_TRUE(w.hostFiles().contains(QStringLiteral("한글 이름.txt"))) << w.hostFiles().join('|').toStdString();
    EXPECT_TRUE(w.hostFiles().contains(QStringLiteral("with blank.txt")));
    EXPECT_EQ(w.f->form()->CB_CurName->currentText(), root);
    EXPECT_TRUE(w.log().contains(QStringLiteral("Connecting to 127.0.0.1  port 22"))) << w.transcript();
    EXPECT_TRUE(w.log().contains(QStringLiteral("[L] - 암호로 인증합니다.")));
    EXPECT_TRUE(w.f->windowTitle().contains(QStringLiteral("SFTP")));
    EXPECT_EQ(w.f->sessionParts().fs.protocol(), FsProtocol::Sftp);
    EXPECT_FALSE(QFile::exists(w.knownHosts()));
    EXPECT_FALSE(w.f->form()->BB_Connect->isEnabled());
    EXPECT_TRUE(w.f->form()->BB_Disconnect->isEnabled());
    EXPECT_FALSE(w.f->form()->BB_Stop->isEnabled());

    w.f->form()->BB_Disconnect->click();
    EXPECT_FALSE(w.connected());
    EXPECT_TRUE(w.f->form()->BB_Connect->isEnabled());
    EXPECT_EQ(w.f->form()->RFileListBox->count(), 0);
    EXPECT_EQ(w.f->sessionParts().fs.protocol(), FsProtocol::Ftp);
}

// Accepted always: one line in OpenSSH's format in ~/.ssh/known_hosts (the
// directory made), and the next connect asks nothing. Cancelled: nothing is
// sent, not even the password. A changed key: a red warning with nothing to
// accept, and again nothing is sent.
TEST_F(SftpConnect, HostKeyKeptRefusedAndChanged)
{
    SftpWindow w(QString::fromStdString(sshd.password()));
    scripted().pushHostKey(HostKeyChoice::Cancel);
    w.connect();
    EXPECT_FALSE(w.connected());
    EXPECT_EQ(scripted().hostKeys.size(), 1u);
    EXPECT_TRUE(w.log().contains(QStringLiteral("Connection failed 127.0.0.1"))) << w.transcript();
    EXPECT_FALSE(w.log().contains(QStringLiteral("[L] - 암호로 인증합니다.")));
    EXPECT_TRUE(w.f->form()->BB_Connect->isEnabled());
    EXPECT_FALSE(w.f->form()->BB_Disconnect->isEnabled());

    scripted().clear();
    scripted().pushHostKey(HostKeyChoice::AcceptAlways);
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected(); }, 15000)) << w.transcript();
    QFile known(w.knownHosts());
    ASSERT_TRUE(known.open(QIODevice::ReadOnly));
    const QByteArray line = known.readAll();
    known.close();
    EXPECT_TRUE(line.startsWith("127.0.0.1 ssh-ed25519 ")) << line.toStdString();
    EXPECT_EQ(QFileInfo(QFileInfo(w.knownHosts()).absolutePath()).permissions() & 0x0077, 0);
    w.f->form()->BB_Disconnect->click();

    scripted().clear();
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected(); }, 15000)) << w.transcript();
    EXPECT_TRUE(scripted().hostKeys.empty());
    w.f->form()->BB_Disconnect->click();

    // The server's key changes.
    sshd.stop();
    ASSERT_TRUE(sshd.newHostKey());
    ASSERT_TRUE(sshd.start()) << sshd.log();
    scripted().clear();
    w.f->clearMessages();
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);   // offered nothing to accept: ignored
    w.connect();
    EXPECT_FALSE(w.connected());
    ASSERT_EQ(scripted().hostKeys.size(), 1u);
    EXPECT_TRUE(scripted().hostKeys[0].changed);
    EXPECT_EQ(scripted().hostKeys[0].fingerprint, fingerprintOf(sshd.hostPublicKey()));
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_TRUE(scripted().asked.back().value.startsWith(QStringLiteral("경고:")));
    EXPECT_FALSE(w.log().contains(QStringLiteral("[L] - 암호로 인증합니다."))) << w.transcript();
    EXPECT_TRUE(w.log().contains(QStringLiteral("Connection failed 127.0.0.1")));
    known.open(QIODevice::ReadOnly);
    EXPECT_EQ(known.readAll(), line);
}

// A ~/.ssh/config alias names the host and a key file with a passphrase:
// the passphrase is asked as a dialog and the profile needs no password.
TEST_F(SftpConnect, ConfigAliasAndKeyPassphrase)
{
    SftpWindow w{QString()};
    const QString sshDir = w.home.path() + QStringLiteral("/.ssh");
    ASSERT_TRUE(QDir().mkpath(sshDir));
    writeFile(sshDir + QStringLiteral("/config"),
              "Host 사무실\n    HostName 127.0.0.1\n    IdentityFile " + QByteArray::fromStdString(sshd.lockedClientKey())
                  + "\n    IdentitiesOnly yes\n");
    w.profile.HostIP = QStringLiteral("사무실");
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);
    scripted().pushAccept(QString::fromStdString(kavtest::SshdServer::lockedKeyPassphrase()));
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected() && !w.hostFiles().isEmpty(); }, 15000))
        << w.transcript() << sshd.log();
    bool askedPassphrase = false;
    for (const auto &a : scripted().asked)
        if (a.kind == ScriptedDialogs::Kind::Password && a.text.contains(QString::fromStdString(sshd.lockedClientKey())))
            askedPassphrase = true;
    EXPECT_TRUE(askedPassphrase);
    EXPECT_EQ(scripted().hostKeys.at(0).host, QStringLiteral("127.0.0.1"));
    w.f->form()->BB_Disconnect->click();
}

// A server that logs in by keyboard-interactive questions only, and a
// profile without a password: the question is asked as a masked dialog.
TEST(SftpKeyboardInteractive, QuestionsAskedAsDialogs)
{
    ASSERT_TRUE(ws::startup());
    kavtest::SshdServer sshd;
    sshd.setKeyboardInteractive(true).setPasswordLogin(false);
    ASSERT_TRUE(sshd.start()) << sshd.log();
    SftpWindow w{QString()};
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);
    scripted().pushAccept(QString::fromStdString(sshd.password()));
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected(); }, 15000)) << w.transcript() << sshd.log();
    ASSERT_GE(scripted().asked.size(), 2u);
    const auto &question = scripted().asked[1];
    EXPECT_EQ(question.kind, ScriptedDialogs::Kind::Password);
    EXPECT_EQ(question.caption, QStringLiteral("SSH 인증"));
    EXPECT_TRUE(question.text.contains(QStringLiteral("assword"))) << question.text.toStdString();
    w.f->form()->BB_Disconnect->click();
}

// A server that takes the connection and never says a word: Stop ends the
// wait, and so does Disconnect; the window is ready for the next connect.
TEST_F(SftpConnect, StopAndDisconnectEndAConnectThatHangs)
{
    sshd.stop();
    ws::Socket listener = ws::socket();
    ASSERT_NE(listener, ws::InvalidSocket);
    ASSERT_EQ(ws::bind(listener, 0x7f000001, 22), 0);
    ASSERT_EQ(ws::listen(listener, 5), 0);
    for (const char *button : {"BB_Stop", "BB_Disconnect"}) {
        SCOPED_TRACE(button);
        SftpWindow w(QStringLiteral("pw"));
        QPushButton *target = w.f->findChild<QPushButton *>(QString::fromLatin1(button));
        ASSERT_TRUE(target);
        bool wasEnabled = false;
        QTimer::singleShot(500, [&] {
            wasEnabled = target->isEnabled();
            target->click();
        });
        QElapsedTimer t;
        t.start();
        w.connect();
        EXPECT_LT(t.elapsed(), 5000);
        EXPECT_TRUE(wasEnabled);
        EXPECT_FALSE(w.connected());
        EXPECT_TRUE(w.f->form()->BB_Connect->isEnabled());
        EXPECT_FALSE(w.f->form()->BB_Disconnect->isEnabled());
        EXPECT_FALSE(w.f->form()->BB_Stop->isEnabled());
        EXPECT_TRUE(scripted().hostKeys.empty());
        EXPECT_EQ(w.f->sessionParts().fs.protocol(), FsProtocol::Ftp);
    }
    ws::closesocket(listener);
}

// A server whose connect never completes is tried again up to the profile's
// number of attempts, each for its time limit, and then said to be out of
// time; a refused connect is final at once.
TEST_F(SftpConnect, AttemptsOnTheTimeLimitAndNoneAfterARefusal)
{
    sshd.stop();
    for (const bool hangs : {true, false}) {
        SCOPED_TRACE(hangs ? "hangs" : "refused");
        std::unique_ptr<kavtest::BlackholePeer> hole;
        if (hangs) {
            hole = std::make_unique<kavtest::BlackholePeer>(22);
            ASSERT_TRUE(hole->start());
        }
        SftpWindow w(QStringLiteral("pw"));
        w.profile.Timeout = 1;
        w.profile.TrialTimes = 2;
        QElapsedTimer t;
        t.start();
        w.connect();
        ASSERT_TRUE(kavtest::waitUntil([&] { return w.f->form()->BB_Connect->isEnabled() && !w.f->form()->BB_Stop->isEnabled(); }, 10000));
        const qint64 took = t.elapsed();
        EXPECT_EQ(w.log().count(QStringLiteral("[L] - SSH 접속: 127.0.0.1  port 22")), hangs ? 2 : 1) << w.transcript();
        if (hangs) {
            EXPECT_GE(took, 1900);
            EXPECT_LT(took, 4500);
        }
        ASSERT_FALSE(scripted().asked.empty());
        const QString box = scripted().asked.back().text;
        EXPECT_TRUE(box.startsWith(QStringLiteral("호스트의 SFTP 서버(22/TCP)에 연결을 못했습니다."))) << box.toStdString();
        EXPECT_EQ(box.endsWith(QStringLiteral("(시간제한 초과)")), hangs) << box.toStdString();
        EXPECT_FALSE(w.connected());
        EXPECT_TRUE(scripted().hostKeys.empty());
    }
}

// On SFTP the controls only FTP has are greyed with a hint saying why, and
// come back with the next FTP session; the permission window reads the mode
// from the listing and sets it through SFTP; Copy URL names sftp://.
TEST_F(SftpConnect, FtpControlsGreyedChmodAndUrl)
{
    SftpWindow w(QString::fromStdString(sshd.password()));
    Ui::TMainForm &ui = *w.f->form();
    ASSERT_TRUE(ui.GB_TransMode->isEnabled());
    const QString transferHint = ui.GB_TransMode->toolTip();
    ASSERT_TRUE(QFile::setPermissions(root + QStringLiteral("/with blank.txt"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected() && w.hostFiles().size() >= 2; }, 15000))
        << w.transcript();
    for (QObject *c : {static_cast<QObject *>(ui.GB_TransMode), static_cast<QObject *>(ui.N_RDirectoryList),
                       static_cast<QObject *>(ui.N_RAntiIdle)}) {
        SCOPED_TRACE(c->objectName().toStdString());
        EXPECT_FALSE(c->property("enabled").toBool());
        EXPECT_TRUE(c->property("toolTip").toString().contains(FtpOnlyHint));
    }
    EXPECT_TRUE(ui.N_RChangeMode->isEnabled());

    const int row = int(w.hostFiles().indexOf(QStringLiteral("with blank.txt")));
    ASSERT_GE(row, 0);
    ui.RFileListBox->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    QString shownMode;
    w.f->sessionParts().hostFileOps->runModal = [&](QDialog &d) {
        shownMode = d.findChild<QLabel *>(QStringLiteral("P_permission"))->text();
        d.findChild<QCheckBox *>(QStringLiteral("CB_OwnerExecute"))->click();
        d.findChild<QCheckBox *>(QStringLiteral("CB_OtherRead"))->click();
        return int(QDialog::Accepted);
    };
    ui.N_RChangeMode->trigger();
    EXPECT_EQ(shownMode, QStringLiteral("640"));
    EXPECT_EQ(QFileInfo(root + QStringLiteral("/with blank.txt")).permissions() & 0x7077, 0x7044);

    const int again = int(w.hostFiles().indexOf(QStringLiteral("with blank.txt")));
    ASSERT_GE(again, 0);
    ui.RFileListBox->setCurrentRow(again, QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();
    ui.N_RCopyURL->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("sftp://127.0.0.1") + root + QStringLiteral("/with blank.txt"));

    ui.BB_Disconnect->click();
    EXPECT_TRUE(ui.GB_TransMode->isEnabled());
    EXPECT_TRUE(ui.N_RDirectoryList->isEnabled());
    EXPECT_EQ(ui.GB_TransMode->toolTip(), transferHint);
}

// The server goes away under a logged-in session: the next request finds it
// gone and the window's session ends as on FTP.
TEST_F(SftpConnect, ServerGoneEndsTheSession)
{
    SftpWindow w(QString::fromStdString(sshd.password()));
    scripted().pushHostKey(HostKeyChoice::AcceptOnce);
    w.connect();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.connected() && !w.hostFiles().isEmpty(); }, 15000))
        << w.transcript();
    sshd.kill();
    w.f->form()->RBrefresh->click();
    ASSERT_TRUE(kavtest::waitUntil([&] { return !w.connected() && w.f->form()->BB_Connect->isEnabled(); }, 15000))
        << w.transcript();
    EXPECT_EQ(w.f->form()->RFileListBox->count(), 0);
}

} // namespace
