// The real main window against real FTP servers on 127.0.0.1:21 of this
// test's own network namespace: login, browsing a tree with Korean names,
// disconnect.

#include "ftp_server.h"
#include "wait_until.h"
#include "qt_printers.h"
#include "ui_main_form.h"

#include "app/main_form.h"
#include "app/message_log.h"
#include "browse/host_pane.h"
#include "local/local_pane.h"
#include "config/connect_form.h"
#include "ftp/session.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/settings_dir.h"
#include "platform/termination.h"
#include "platform/winsock.h"

#include <QComboBox>
#include "platform/cp949.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

namespace {

template <class List>
QStringList items(List *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList messages(TMainForm &f)
{
    return f.messages().texts();
}

// Builds the served tree: Korean names, an executable, a name with blanks.
void makeTree(const QString &root)
{
    QDir d(root);
    d.mkpath(QStringLiteral("자료실/하위 폴더"));
    d.mkpath(QStringLiteral("pub"));
    auto write = [&](const QString &rel, bool exec = false) {
        QFile f(d.filePath(rel));
        f.open(QIODevice::WriteOnly);
        f.write("data\n");
        f.close();
        if (exec)
            ::chmod(QFile::encodeName(d.filePath(rel)).constData(), 0755);
    };
    write(QStringLiteral("읽어보세요.txt"));
    write(QStringLiteral("setup prog.sh"), true);
    write(QStringLiteral("자료실/보고서 2026.hwp"));
    write(QStringLiteral("자료실/하위 폴더/깊은 파일.txt"));
}

class Window {
public:
    Window()
    {
        static_cast<ScriptedDialogs &>(dialogs()).asked.clear();
        EXPECT_TRUE(ws::startup());
        f = std::make_unique<TMainForm>();
        f->FormActivate();   // the window's first activation: sockets, titles
        f->clearMessages();
    }
    void connect(const QString &user, const QString &password)
    {
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("시험 서버");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = user;
        p.Password = password;
        f->connectFlow().BB_ConnectClick(false);
    }
    HostListView *files() const { return f->form()->RFileListBox; }
    HostListView *dirs() const { return f->form()->RDirListBox; }
    QComboBox *curName() const { return f->form()->CB_CurName; }
    void enter(const QString &dir)
    {
        const auto found = dirs()->findItems(dir, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << dir.toStdString();
        dirs()->setCurrentItem(found.first());
        f->hostPaneOf()->RDirListBoxDblClick();
    }
    void pressEnterOn(const QString &dir)
    {
        const auto found = dirs()->findItems(dir, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << dir.toStdString();
        dirs()->setCurrentItem(found.first());
        QTest::keyClick(dirs(), Qt::Key_Return);
    }
    std::unique_ptr<TMainForm> f;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// What every browse test checks after each move. The entries come in the
// server's order (pyftpdlib's MLSD keeps the disk's), the way up first.
void expectListing(Window &w, const QString &dir, const QStringList &dirs, const QStringList &files)
{
    EXPECT_EQ(w.curName()->currentText(), dir);
    ASSERT_GE(w.dirs()->count(), 1);
    EXPECT_EQ(w.dirs()->item(0)->text(), ParentEntry);
    EXPECT_EQ(sorted(items(w.dirs()).mid(1)), sorted(dirs));
    EXPECT_EQ(sorted(items(w.files())), sorted(files));
}

void browseTree(Window &w)
{
    expectListing(w, QStringLiteral("/"), {QStringLiteral("pub"), QStringLiteral("자료실")},
                  {QStringLiteral("setup prog.sh"), QStringLiteral("읽어보세요.txt")});
    // Executables are marked.
    const auto exe = w.files()->findItems(QStringLiteral("setup prog.sh"), Qt::MatchExactly);
    ASSERT_FALSE(exe.isEmpty());
    EXPECT_EQ(exe.first()->data(Qt::UserRole + 1).toInt(), int(EntryKind::ExecutableFile));

    w.enter(QStringLiteral("자료실"));
    expectListing(w, QStringLiteral("/자료실"), {QStringLiteral("하위 폴더")},
                  {QStringLiteral("보고서 2026.hwp")});
    w.pressEnterOn(QStringLiteral("하위 폴더"));
    expectListing(w, QStringLiteral("/자료실/하위 폴더"), {}, {QStringLiteral("깊은 파일.txt")});
    w.enter(ParentEntry);
    EXPECT_EQ(w.curName()->currentText(), QStringLiteral("/자료실"));

    // The history: pick the root again.
    const int root = w.curName()->findText(QStringLiteral("/"));
    ASSERT_GE(root, 0);
    EXPECT_EQ(w.curName()->count(), 3);
    w.curName()->setCurrentIndex(root);
    w.f->hostPaneOf()->CB_CurNameChange();
    EXPECT_EQ(sorted(items(w.files())), (QStringList{QStringLiteral("setup prog.sh"), QStringLiteral("읽어보세요.txt")}));

    // A typed path.
    static_cast<ScriptedDialogs &>(dialogs()).pushAccept(QStringLiteral("/자료실/하위 폴더"));
    w.f->hostPaneOf()->N_RSpecifyadirectoryClick();
    expectListing(w, QStringLiteral("/자료실/하위 폴더"), {}, {QStringLiteral("깊은 파일.txt")});
}

} // namespace

TEST(PyftpdlibSession, LoginLogsTheExactLines)
{
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setBanner("Kavrin test server");
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    const QStringList log = messages(*w.f);
    const QStringList login = {
        "Connecting to 127.0.0.1  port 21",
        "Connected to 127.0.0.1  port 21",
        "[H] - 220 Kavrin test server",
        "[L] - USER kim",
        "[H] - 331 Username ok, send password.",
        "[L] - PASS (hidden)",
        "[H] - 230 Login successful.",
        "[L] - SYST",
        "[H] - 215 UNIX Type: L8",
        "[L] - FEAT",
        "[H] - 211-Features supported:",
        "[H] - EPRT",
        "[H] - EPSV",
        "[H] - MDTM",
        "[H] - MFMT",
        "[H] - MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;unix.gid;",
        "[H] - REST STREAM",
        "[H] - SIZE",
        "[H] - TVFS",
        "[H] - UTF8",
        "[H] - 211 End FEAT.",
        // pyftpdlib speaks UTF-8 always and refuses the option's form.
        "[L] - OPTS UTF8 ON",
        "[H] - 501 Invalid argument.",
        // Without the mode no file of an MLSD listing would be executable.
        "[L] - OPTS MLST type;size;modify;perm;unix.mode;",
        "[H] - 200 MLST OPTS type;size;modify;perm;unix.mode;",
        "[L] - PWD",
        "[H] - 257 \"/\" is the current directory.",
        "[L] - TYPE A",
        "[H] - 200 Type set to: ASCII.",
    };
    const qsizetype n = login.size();
    ASSERT_GE(log.size(), n + 5) << log.join('\n').toStdString();
    EXPECT_EQ(log.mid(0, n), login);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[L\\] - PORT 127,0,0,1,\\d+,\\d+$")).match(log.at(n)).hasMatch())
        << log.at(n).toStdString();
    EXPECT_EQ(log.at(n + 1), QStringLiteral("[H] - 200 Active data connection established."));
    // pyftpdlib offers MLST: the entries come by MLSD.
    EXPECT_EQ(log.at(n + 2), QStringLiteral("[L] - MLSD"));
    EXPECT_TRUE(log.at(n + 3).startsWith(QStringLiteral("[H] - 125 ")) || log.at(n + 3).startsWith(QStringLiteral("[H] - 150 ")));
    EXPECT_EQ(log.at(n + 4), QStringLiteral("[H] - 226 Transfer complete."));
    EXPECT_EQ(w.f->windowTitle(), QStringLiteral("Kavrin Version 2.2 - 시험 서버 (127.0.0.1, kim)"));
    EXPECT_EQ(applicationTitle(), QStringLiteral("시험 서버 (127.0.0.1, kim)"));
    EXPECT_FALSE(log.join('\n').contains(QStringLiteral("secret")));
    EXPECT_TRUE(static_cast<ScriptedDialogs &>(dialogs()).asked.empty());

    // Disconnect: captions, lists and the message list are reset.
    w.f->connectFlow().BB_DisconnectClick();
    EXPECT_EQ(w.f->windowTitle(), QStringLiteral("Kavrin Version 2.2"));
    EXPECT_EQ(applicationTitle(), QStringLiteral("Kavrin Version 2.2"));
    EXPECT_EQ(w.f->messages().count(), 0);
    EXPECT_EQ(w.dirs()->count(), 0);
    EXPECT_EQ(w.curName()->count(), 0);
    EXPECT_TRUE(w.f->form()->BB_Connect->isEnabled());
    EXPECT_FALSE(w.f->form()->BB_Disconnect->isEnabled());
}

TEST(PyftpdlibSession, AnonymousLogin)
{
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    server.allowAnonymous(home.path());
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("anonymous"), TConnectForm::AnonymousPassword);
    const QStringList log = messages(*w.f);
    ASSERT_GE(log.size(), 7);
    EXPECT_EQ(log.at(3), QStringLiteral("[L] - USER anonymous"));
    EXPECT_EQ(log.at(5), QStringLiteral("[L] - PASS (hidden)"));
    EXPECT_EQ(log.at(6), QStringLiteral("[H] - 230 Login successful."));
    EXPECT_EQ(w.f->windowTitle(), QStringLiteral("Kavrin Version 2.2 - 시험 서버 (127.0.0.1, anonymous)"));
}

TEST(PyftpdlibSession, WrongPassword)
{
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("kim"), QStringLiteral("wrong"));
    EXPECT_EQ(static_cast<ScriptedDialogs &>(dialogs()).messageTexts(),
              QStringList{QStringLiteral("로그인 실패, 비밀번호를 확인하십시요.")});
    EXPECT_FALSE(w.f->session().isConnected());
    EXPECT_EQ(w.f->messages().count(), 0);
}

TEST(PyftpdlibSession, BrowsesAKoreanTree)
{
    kavtest::ScratchDir home;
    makeTree(QString::fromStdString(home.path()));
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    browseTree(w);
    EXPECT_EQ(w.f->session().serverEncoding(), Session::ServerEncoding::Utf8);
}

TEST(VsftpdSession, LogsInAndBrowsesAKoreanTree)
{
    if (std::string why; !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    kavtest::ScratchDir home;
    makeTree(QString::fromStdString(home.path()));
    kavtest::VsftpdServer server;
    server.addUser("kim", "secret", home.path()).setBanner("vsftpd for Kavrin");
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    const QStringList log = messages(*w.f);
    ASSERT_GE(log.size(), 9) << log.join('\n').toStdString();
    EXPECT_EQ(log.at(2), QStringLiteral("[H] - 220 vsftpd for Kavrin"));
    EXPECT_EQ(log.at(6), QStringLiteral("[H] - 230 Login successful."));
    EXPECT_EQ(log.at(8), QStringLiteral("[H] - 215 UNIX Type: L8"));
    EXPECT_TRUE(w.f->form()->N_RChangeMode->isEnabled());
    browseTree(w);
}

// vsftpd's anonymous login without a password: USER is answered with 230,
// no PASS goes out and the session is usable.
TEST(VsftpdSession, AnonymousLoginWithoutPassword)
{
    if (std::string why; !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    kavtest::ScratchDir home, anon;
    makeTree(QString::fromStdString(anon.path()));
    ASSERT_EQ(::chmod(anon.path().c_str(), 0755), 0);
    kavtest::VsftpdServer server;
    server.addUser("kim", "secret", home.path())
        .addConfig("anonymous_enable=YES")
        .addConfig("no_anon_password=YES")
        .addConfig("anon_root=" + anon.path());
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("anonymous"), QStringLiteral("guest@"));
    const QStringList log = messages(*w.f);
    EXPECT_TRUE(w.f->session().isConnected()) << log.join('\n').toStdString() << server.log();
    EXPECT_TRUE(log.contains(QStringLiteral("[H] - 230 Login successful."))) << log.join('\n').toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("[L] - PASS (hidden)")));
    EXPECT_TRUE(log.contains(QStringLiteral("[H] - 215 UNIX Type: L8")));
    EXPECT_EQ(items(w.files()), (QStringList{QStringLiteral("setup prog.sh"), QStringLiteral("읽어보세요.txt")}));
}

// Links on a real server: pyftpdlib's MLSD describes what a link leads to, so
// one to a directory is listed and entered as a directory, one to a file is
// listed as a file; names with blanks at both ends are fetched under their
// exact names. (Links of a LIST, which tells no target's kind, are tested
// against the scripted server.)
TEST(PyftpdlibSession, LinksAndNamesWithBlanksAtTheEnds)
{
    QDir::setCurrent(QDir::tempPath());
    kavtest::ScratchDir home, local;
    const QString root = QString::fromStdString(home.path());
    makeTree(root);
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/pub"), root + QStringLiteral("/mirror")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/읽어보세요.txt"), root + QStringLiteral("/latest")));
    for (const QString &name : {QStringLiteral(" leading.txt"), QStringLiteral("trailing.txt ")}) {
        QFile f(root + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(name.toUtf8());
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    Window w;
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(QString::fromStdString(local.path())));
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    EXPECT_TRUE(items(w.dirs()).contains(QStringLiteral("mirror")));
    EXPECT_TRUE(items(w.files()).contains(QStringLiteral("latest")));

    w.files()->clearSelection();
    for (const QString &name : {QStringLiteral(" leading.txt"), QStringLiteral("trailing.txt ")}) {
        const auto found = w.files()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << items(w.files()).join('|').toStdString();
        found.first()->setSelected(true);
    }
    w.f->form()->SB_RightLeft->click();
    for (const QString &name : {QStringLiteral(" leading.txt"), QStringLiteral("trailing.txt ")}) {
        QFile got(QString::fromStdString(local.path()) + QLatin1Char('/') + name);
        ASSERT_TRUE(got.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(got.readAll(), name.toUtf8());
    }

    w.enter(QStringLiteral("mirror"));
    EXPECT_EQ(w.curName()->currentText(), QStringLiteral("/mirror"));
}

TEST(PyftpdlibSession, TransfersThroughTheMainWindow)
{
    kavtest::ScratchDir home, local;
    makeTree(QString::fromStdString(home.path()));
    const QString localDir = QString::fromStdString(local.path());
    {
        QFile f(localDir + QStringLiteral("/올림.txt"));
        f.open(QIODevice::WriteOnly);
        f.write("up\n");
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    Window w;
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(localDir));
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));

    // Download: the host selection lands in the local pane's directory and is selected there.
    const auto remote = w.files()->findItems(QStringLiteral("읽어보세요.txt"), Qt::MatchExactly);
    ASSERT_EQ(remote.size(), 1);
    remote.first()->setSelected(true);
    w.f->form()->SB_RightLeft->click();
    EXPECT_TRUE(QFile::exists(localDir + QStringLiteral("/읽어보세요.txt")));
    QListWidget *localFiles = w.f->form()->LFileListBox;
    ASSERT_NE(localFiles->currentItem(), nullptr);
    EXPECT_EQ(localFiles->currentItem()->text(), QStringLiteral("읽어보세요.txt"));

    // Upload: the local selection goes to the current host directory and is selected there.
    localFiles->clearSelection();
    const auto up = localFiles->findItems(QStringLiteral("올림.txt"), Qt::MatchExactly);
    ASSERT_EQ(up.size(), 1);
    up.first()->setSelected(true);
    w.f->form()->SB_LeftRight->click();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(home.path()) + QStringLiteral("/올림.txt")));
    ASSERT_TRUE(w.files()->currentItem());
    EXPECT_EQ(w.files()->currentItem()->text(), QStringLiteral("올림.txt"));
    EXPECT_FALSE(w.f->transferOrPrintShowing());
    EXPECT_TRUE(w.f->session().isConnected());
}

TEST(PyftpdlibSession, ACodePage949ServerIsBrowsedAndTransfersKeepItsNameBytes)
{
    // The server passes names through as raw bytes, stored in code page 949.
    // It starts in this process's directory, which must still exist (an earlier
    // case's local pane may have left it in a directory since removed).
    QDir::setCurrent(QDir::tempPath());
    kavtest::ScratchDir home, local;
    const QByteArray root = QByteArray::fromStdString(home.path());
    const QByteArray dirName = cp949::encode(u"자료실");
    const QByteArray fileName = cp949::encode(u"읽어보세요.txt");
    // Made with the bytes themselves: a file name API of text would re-encode them.
    ASSERT_EQ(::mkdir((root + "/" + dirName).constData(), 0755), 0);
    {
        const int fd = ::open((root + "/" + fileName).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "cp949 data\n", 11), 11);
        ::close(fd);
    }
    const QString localDir = QString::fromStdString(local.path());
    {
        QFile f(localDir + QStringLiteral("/올림.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("up\n");
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setNames(kavtest::FtpServer::Names::RawBytes);
    ASSERT_TRUE(server.start());
    Window w;
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(localDir));
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    EXPECT_EQ(w.f->session().serverEncoding(), Session::ServerEncoding::Cp949);
    EXPECT_EQ(items(w.dirs()), (QStringList{ParentEntry, QStringLiteral("자료실")}));
    EXPECT_EQ(items(w.files()), QStringList{QStringLiteral("읽어보세요.txt")});

    // Download: the Korean name goes back in its own bytes.
    w.files()->item(0)->setSelected(true);
    w.f->form()->SB_RightLeft->click();
    QFile got(localDir + QStringLiteral("/읽어보세요.txt"));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), QByteArray("cp949 data\n"));

    // Upload: the new name reaches the server's disk in code page 949.
    QListWidget *localFiles = w.f->form()->LFileListBox;
    localFiles->clearSelection();
    const auto up = localFiles->findItems(QStringLiteral("올림.txt"), Qt::MatchExactly);
    ASSERT_EQ(up.size(), 1);
    up.first()->setSelected(true);
    w.f->form()->SB_LeftRight->click();
    struct stat st {};
    EXPECT_EQ(::stat((root + "/" + cp949::encode(u"올림.txt")).constData(), &st), 0)
        << "the uploaded name is not in code page 949 on the server's disk";

    // Browsing into the directory names it in its own bytes too.
    w.enter(QStringLiteral("자료실"));
    EXPECT_EQ(w.curName()->currentText(), QStringLiteral("/자료실")) << server.log();
}

// A session manager's SIGTERM during a download: the transfer is cancelled as
// its cancel button does, the settings are saved and the window closes, within
// a second.
TEST(PyftpdlibSession, TerminationDuringADownloadCancelsSavesAndCloses)
{
    QDir::setCurrent(QDir::tempPath());
    kavtest::ScratchDir home, local;
    {
        QFile big(QString::fromStdString(home.path()) + QStringLiteral("/big.bin"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        const QByteArray block(1024 * 1024, 'k');
        for (int i = 0; i < 64; ++i)
            big.write(block);
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    Window w;
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(QString::fromStdString(local.path())));
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    ASSERT_TRUE(w.f->session().isConnected());
    QFile::remove(configurationFilePath());
    bool closed = false;
    QObject::connect(w.f.get(), &TMainForm::closed, [&closed] { closed = true; });
    ASSERT_TRUE(termination::install([&w](int) { w.f->terminationRequested(); }));

    QElapsedTimer sinceSignal;
    bool transferShowing = false;
    // Once the download is under way and past its first megabyte.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QFileInfo part(QString::fromStdString(local.path()) + QStringLiteral("/big.bin"));
        if (sinceSignal.isValid() || part.size() < 1024 * 1024)
            return;
        transferShowing = w.f->transferOrPrintShowing();
        sinceSignal.start();
        ::raise(SIGTERM);
    });
    poll.start(0);
    w.files()->item(0)->setSelected(true);
    w.f->form()->SB_RightLeft->click();
    poll.stop();
    ASSERT_TRUE(sinceSignal.isValid()) << "the download ended before the signal";
    EXPECT_TRUE(transferShowing);
    EXPECT_TRUE(kavtest::waitUntil([&] { return closed; }, 3000));
    EXPECT_LT(sinceSignal.elapsed(), 1000);
    EXPECT_LT(QFileInfo(QString::fromStdString(local.path()) + QStringLiteral("/big.bin")).size(), 64 * 1024 * 1024);
    EXPECT_TRUE(QFile::exists(configurationFilePath())) << "the settings were not saved";
    EXPECT_FALSE(w.f->isVisible());
}

// Local files named in code page 949 (an old Korean archive) or in bytes of no
// encoding are listed, shown readably, and uploaded to a code page 949 server
// under exactly the bytes they have.
TEST(PyftpdlibSession, LocalNamesInOtherEncodingsAreListedAndUploadedByteExact)
{
    QDir::setCurrent(QDir::tempPath());
    kavtest::ScratchDir home, local;
    const QByteArray root = QByteArray::fromStdString(home.path());
    const QByteArray localRoot = QByteArray::fromStdString(local.path());
    // The server's own Korean name decides its encoding: code page 949.
    ASSERT_EQ(::mkdir((root + "/" + cp949::encode(u"자료실")).constData(), 0755), 0);
    const QByteArray korean = "\xc7\xd1\xb1\xdb.txt";   // "한글.txt" in code page 949
    const QByteArray foreign = "x\xff.txt";                 // valid in no encoding here
    for (const QByteArray &name : {korean, foreign}) {
        const int fd = ::open((localRoot + "/" + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, name.constData(), size_t(name.size())), name.size());
        ::close(fd);
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setNames(kavtest::FtpServer::Names::RawBytes);
    ASSERT_TRUE(server.start());
    Window w;
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(QString::fromStdString(local.path())));
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    ASSERT_EQ(w.f->session().serverEncoding(), Session::ServerEncoding::Cp949);

    QListWidget *localFiles = w.f->form()->LFileListBox;
    EXPECT_EQ(items(localFiles), (QStringList{QStringLiteral("x\\xFF.txt"), QStringLiteral("한글.txt")}));
    for (int i = 0; i < localFiles->count(); ++i)
        localFiles->item(i)->setSelected(true);
    w.f->form()->SB_LeftRight->click();
    for (const QByteArray &name : {korean, foreign}) {
        QFile got;
        FILE *raw = std::fopen((root + "/" + name).constData(), "rb");
        ASSERT_NE(raw, nullptr) << name.toHex().toStdString() << " is not on the server's disk\n"
                                << messages(*w.f).join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(got.open(raw, QIODevice::ReadOnly));
        EXPECT_EQ(got.readAll(), name);
        got.close();
        std::fclose(raw);
    }
}

#include "reply_peer.h"

TEST(ClosingTheWindow, WhileAHandlerWaitsForTheServer)
{
    // A server that announces the listing but never connects back: the refresh
    // of the login waits in accept when the user closes the program.
    kavtest::ReplyPeer peer(21);
    peer.answerAsLoggedInServer();
    kavtest::ReplyPeer::DataReply silent;
    silent.preliminary = "150 Opening\r\n";
    silent.connectBack = false;
    peer.onData("LIST", silent);

    Window w;
    w.f->show();
    QTimer::singleShot(300, w.f.get(), [&w] { w.f->BB_ExitClick(); });
    w.connect(QStringLiteral("kim"), QStringLiteral("secret"));
    // The wait ended, the sockets are shut, the settings were written once.
    EXPECT_FALSE(w.f->isVisible());
    EXPECT_FALSE(w.f->session().dataTransferUnderWay());
    EXPECT_TRUE(QFile::exists(kav::configurationFilePath()));
    EXPECT_TRUE(messages(*w.f).contains(QStringLiteral("[H] - Cancelled blocking call")));
}
