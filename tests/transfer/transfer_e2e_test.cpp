// Uploads and downloads against pyftpdlib and vsftpd on 127.0.0.1:21 of this
// test's own network namespace.

#include "ftp_server.h"
#include "qt_printers.h"
#include "served.h"
#include "transfer_fixture.h"
#include "ui_trans_form.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

using namespace kav;
using kavtest::Transfers;
using kavtest::Served;
using kavtest::Server;
using kavtest::digest;
using kavtest::randomBytes;
using kavtest::readAll;
using kavtest::writeAll;

namespace {

// Runs `action` once, as soon as the first bytes of a transfer have moved.
void onceMoving(kav::TTransForm &window, std::function<void()> action)
{
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [poll, &window, action] {
        if (window.moved() > 0) {
            poll->stop();
            poll->deleteLater();
            action();
        }
    });
    poll->start(1);
}

// Presses the transfer window's cancel button as soon as the first bytes moved.
void cancelOnceMoving(kav::TTransForm &window)
{
    onceMoving(window, [&window] { window.BB_abortClick(); });
}

class BothServers : public ::testing::TestWithParam<Server> {};

} // namespace

TEST_P(BothServers, ImageTypeIsByteExactBothWays)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    ASSERT_TRUE(s.start(GetParam()));
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};   // image type
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    const QList<qint64> sizes = {0, 1, 4095, 4096, 4097, 65535, 65536, 65537, 10 * 1024 * 1024};
    for (qint64 size : sizes) {
        SCOPED_TRACE(size);
        const QByteArray data = randomBytes(size, quint32(size) + 7);
        const QString name = QStringLiteral("f%1.bin").arg(size);
        writeAll(s.localDir() + "/" + name, data);
        ASSERT_TRUE(t.engine->SendFile(name, QStringLiteral("/up_") + name));
        EXPECT_EQ(digest(readAll(s.homeDir() + "/up_" + name)), digest(data));
        ASSERT_TRUE(t.engine->ReceiveFile(QStringLiteral("up_") + name, s.localDir() + "/down_" + name, false));
        EXPECT_EQ(digest(readAll(s.localDir() + "/down_" + name)), digest(data));
        EXPECT_EQ(t.window.gauge(), 100);
        EXPECT_FALSE(t.session.dataTransferUnderWay());
    }
    EXPECT_EQ(t.session.transferType(), TransferType::Image);
}

TEST_P(BothServers, AsciiTypeConvertsLineEndsOnly)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    ASSERT_TRUE(s.start(GetParam()));
    Transfers t(s.localDir());
    t.host.ascii.add(QStringLiteral("TXT"));
    t.login();
    // LF line ends, a lone CR, a tab, Korean text: only the line ends change.
    const QByteArray local = QStringLiteral("첫 줄\nsecond\tline\nlone\rCR\n\nlast").toUtf8();
    writeAll(s.localDir() + "/notes.txt", local);
    ASSERT_TRUE(t.engine->SendFile(QStringLiteral("notes.txt"), QStringLiteral("notes.txt")));
    EXPECT_EQ(t.session.transferType(), TransferType::Ascii);
    const QByteArray onServer = readAll(s.homeDir() + "/notes.txt");
    if (GetParam() == Server::Vsftpd)   // stores what it was sent
        EXPECT_EQ(onServer, QByteArray(local).replace("\n", "\r\n"));
    else                                // stores text with its own line ends
        EXPECT_EQ(onServer, local);
    ASSERT_TRUE(t.engine->ReceiveFile(QStringLiteral("notes.txt"), s.localDir() + "/back.txt", false));
    EXPECT_EQ(readAll(s.localDir() + "/back.txt"), local);
}

INSTANTIATE_TEST_SUITE_P(Servers, BothServers, ::testing::Values(Server::Pyftpdlib, Server::Vsftpd),
                         [](const auto &info) {
                             return std::string(info.param == Server::Pyftpdlib ? "pyftpdlib" : "vsftpd");
                         });

TEST(Transfers, AsciiUploadKeepsACrLfSplitBetweenTwoFileBlocks)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    Transfers t(s.localDir());
    t.host.ascii.add(QStringLiteral("TXT"));
    t.login();
    // The CR is the last byte of the first 64 KiB block read, its LF the first of the next.
    const QByteArray text = QByteArray(TransferEngine::BlockSize - 1, 'x') + "\r\ny\n";
    writeAll(s.localDir() + "/split.txt", text);
    ASSERT_TRUE(t.engine->SendFile(QStringLiteral("split.txt"), QStringLiteral("split.txt")));
    // One line end on the network (CR LF), stored by the server as its own (LF).
    EXPECT_EQ(readAll(s.homeDir() + "/split.txt"), QByteArray(TransferEngine::BlockSize - 1, 'x') + "\ny\n");
}

TEST(Transfers, RefusedDownloadLeavesTheLocalFileAlone)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    Transfers t(s.localDir());
    t.login();
    writeAll(s.localDir() + "/keep.txt", "precious");
    EXPECT_FALSE(t.engine->ReceiveFile(QStringLiteral("missing.txt"), s.localDir() + "/keep.txt", false));
    EXPECT_EQ(readAll(s.localDir() + "/keep.txt"), QByteArray("precious"));
    EXPECT_TRUE(t.ui.log.last().startsWith(QStringLiteral("[H] - 550")));
    EXPECT_FALSE(t.session.dataTransferUnderWay());
    EXPECT_TRUE(t.session.isConnected());
}

TEST(Transfers, UnreadableLocalFileSendsNothing)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    Transfers t(s.localDir());
    t.login();
    EXPECT_FALSE(t.engine->SendFile(QStringLiteral("nothing-here.bin"), QStringLiteral("x.bin")));
    EXPECT_EQ(t.ui.log.last(), QStringLiteral("[L] - 파일 'nothing-here.bin' 읽기에러"));
}

TEST(Transfers, BatchStopsAtTheFirstFailure)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    for (const char *n : {"a.bin", "c.bin"})
        writeAll(s.homeDir() + "/" + n, "data");
    Transfers t(s.localDir());
    t.login();
    // b.bin is listed but gone by the time it is fetched.
    writeAll(s.homeDir() + "/b.bin", "data");
    t.pane->RBrefreshClick();
    QFile::remove(s.homeDir() + "/b.bin");
    t.selectHost({"a.bin", "b.bin", "c.bin"});
    t.commands->SB_RightLeftClick();
    EXPECT_TRUE(QFile::exists(s.localDir() + "/a.bin"));
    EXPECT_FALSE(QFile::exists(s.localDir() + "/b.bin"));
    EXPECT_FALSE(QFile::exists(s.localDir() + "/c.bin"));
    EXPECT_TRUE(t.session.isConnected());
    EXPECT_EQ(t.host.localRefreshes, 1);
    EXPECT_FALSE(t.window.isVisible());
}

TEST(Transfers, CancelledUploadBatchKeepsTheConnection)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    Transfers t(s.localDir());
    t.login();
    const QByteArray big = randomBytes(64 * 1024 * 1024, 3);
    for (const char *n : {"u1.bin", "u2.bin", "u3.bin"})
        writeAll(s.localDir() + "/" + n, big);
    t.host.selected = {"u1.bin", "u2.bin", "u3.bin"};
    cancelOnceMoving(t.window);
    t.commands->SB_LeftRightClick();
    EXPECT_TRUE(QFile::exists(s.homeDir() + "/u1.bin"));
    EXPECT_FALSE(QFile::exists(s.homeDir() + "/u2.bin"));
    EXPECT_TRUE(t.session.isConnected());
    EXPECT_EQ(t.window.cancelFlag(), 0);
    EXPECT_FALSE(t.ui.log.contains(QStringLiteral("[H] - transfer failed")));
}

TEST(Transfers, CancelledDownloadClosesTheConnection)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.homeDir() + "/big.bin", randomBytes(128 * 1024 * 1024, 5));
    Transfers t(s.localDir());
    t.login();
    t.selectHost({"big.bin"});
    cancelOnceMoving(t.window);
    t.commands->SB_RightLeftClick();
    EXPECT_FALSE(t.session.isConnected());
    const QStringList tail = t.ui.log.mid(t.ui.log.size() - 2);
    EXPECT_EQ(tail, (QStringList{"[H] - transfer failed", "[H] - 전송이 취소되어 호스트에 다시 접속하셔야 합니다"}));
    const qint64 partial = QFileInfo(s.localDir() + "/big.bin").size();
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, 128 * 1024 * 1024);
}

TEST(Transfers, DisconnectDuringATransferEndsIt)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.homeDir() + "/big.bin", randomBytes(128 * 1024 * 1024, 9));
    Transfers t(s.localDir());
    t.login();
    onceMoving(t.window, [&t] { t.flow.BB_DisconnectClick(); });
    EXPECT_FALSE(t.engine->ReceiveFile(QStringLiteral("big.bin"), s.localDir() + "/big.bin", true));
    EXPECT_FALSE(t.session.isConnected());
    EXPECT_FALSE(t.session.dataTransferUnderWay());
}

TEST(Transfers, ServerKilledMidTransferIsAFailure)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.homeDir() + "/big.bin", randomBytes(256 * 1024 * 1024, 11));
    Transfers t(s.localDir());
    t.login();
    onceMoving(t.window, [&s] { s.stop(); });
    EXPECT_FALSE(t.engine->ReceiveFile(QStringLiteral("big.bin"), s.localDir() + "/big.bin", true));
    EXPECT_FALSE(t.session.dataTransferUnderWay());
}

TEST(Transfers, FullLocalDiskIsAFailure)
{
    // A 1 MiB file system of this test's own, in a mount namespace of its own.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        FAIL() << "no private mount namespace here (needs real root)";
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.homeDir() + "/big.bin", randomBytes(4 * 1024 * 1024, 13));
    kavtest::ScratchDir small;
    ASSERT_EQ(::mount("tmpfs", small.path().c_str(), "tmpfs", 0, "size=1m"), 0);
    Transfers t(QString::fromStdString(small.path()));
    t.login();
    const QString target = QString::fromStdString(small.path()) + "/big.bin";
    EXPECT_FALSE(t.engine->ReceiveFile(QStringLiteral("big.bin"), target, true));
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 로컬에 파일 '") + target + QStringLiteral("' 를 쓸 수 없습니다.")));
    EXPECT_FALSE(t.session.dataTransferUnderWay());
    QDir::setCurrent(QStringLiteral("/"));
    ::umount(small.path().c_str());
}

TEST(Transfers, ShellDropCountsFoldersButMovesFiles)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    Transfers t(s.localDir());
    t.login();
    QDir(s.localDir()).mkdir(QStringLiteral("folder"));
    writeAll(s.localDir() + "/one.txt", "1");
    writeAll(s.localDir() + "/two.txt", "2");
    t.commands->WMDropFiles({s.localDir() + "/folder", s.localDir() + "/one.txt", s.localDir() + "/two.txt"});
    EXPECT_EQ(readAll(s.homeDir() + "/one.txt"), QByteArray("1"));
    EXPECT_EQ(readAll(s.homeDir() + "/two.txt"), QByteArray("2"));
    EXPECT_FALSE(QFileInfo::exists(s.homeDir() + "/folder"));
    EXPECT_EQ(t.window.form()->L_Count->text(), QStringLiteral("  2/  3"));
}

TEST(Transfers, UploadPathsIntoRootAndSubdirectory)
{
    EXPECT_EQ(TransferCommands::hostDestination(QStringLiteral("/"), QStringLiteral("a")), QStringLiteral("/a"));
    EXPECT_EQ(TransferCommands::hostDestination(QStringLiteral("/pub"), QStringLiteral("a")), QStringLiteral("/pub/a"));
    EXPECT_EQ(TransferCommands::localDestination(QStringLiteral("/"), QStringLiteral("/pub/a.txt")), QStringLiteral("/a.txt"));
    EXPECT_EQ(TransferCommands::localDestination(QStringLiteral("/tmp"), QStringLiteral("a.txt")), QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(TTransForm::countText(1, 1), QStringLiteral("  1/  1"));
    EXPECT_EQ(TTransForm::percent(3000000000LL, 6000000000LL), 50);
    EXPECT_EQ(TTransForm::percent(5, 0), 0);
}

#include "reply_peer.h"

TEST(Transfers, HostileListingNamesNeverLeaveTheLocalDirectory)
{
    kavtest::ScratchDir base;
    const QString localDir = QString::fromStdString(base.path()) + "/inside";
    QDir().mkpath(localDir);
    kavtest::ReplyPeer peer(21);
    peer.answerAsLoggedInServer();
    kavtest::ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.data = {"-rw-r--r--   1 ftp ftp 5 Dec 10 03:04 ../escaped.txt\r\n"
                 "-rw-r--r--   1 ftp ftp 5 Dec 10 03:04 ..\r\n"};
    list.final = "226 Transfer complete\r\n";
    peer.onData("LIST", list);
    kavtest::ReplyPeer::DataReply file;
    file.preliminary = "150 Opening (5 bytes)\r\n";
    file.data = {"evil\n"};
    file.final = "226 Transfer complete\r\n";
    peer.onData("RETR", file);

    Transfers t(localDir);
    t.login();
    // A file line named ".." is no entry at all: the parent is the pane's own.
    EXPECT_TRUE(t.files.findItems(QStringLiteral(".."), Qt::MatchExactly).isEmpty());
    for (const QString &name : {QStringLiteral("../escaped.txt")}) {
        SCOPED_TRACE(name.toStdString());
        t.selectHost({name});
        ASSERT_EQ(t.files.selectedItems().size(), 1);
        t.commands->SB_RightLeftClick();
        EXPECT_FALSE(peer.commands.contains("RETR " + name.toUtf8()));
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[H] - 파일명 '") + name
                                      + QStringLiteral("' 은(는) 로컬 파일명으로 쓸 수 없어 받지 않습니다.")));
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(base.path()) + "/escaped.txt"));
    EXPECT_TRUE(t.session.isConnected());
}

TEST(Transfers, ManualUploadAndDownloadAskForTheOtherName)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.localDir() + "/보고서.txt", "local text\n");
    writeAll(s.homeDir() + "/remote.bin", "remote bytes");
    Transfers t(s.localDir());
    t.login();
    auto &boxes = static_cast<ScriptedDialogs &>(dialogs());

    t.host.selected = {QStringLiteral("보고서.txt")};
    boxes.pushAccept(QStringLiteral("/다른 이름.txt"));
    t.commands->N_LManualUploadClick();
    EXPECT_EQ(boxes.asked.back().caption, QStringLiteral("호스트로 파일 전송"));
    EXPECT_EQ(boxes.asked.back().text, QStringLiteral("호스트 파일: 보고서.txt"));
    EXPECT_EQ(readAll(s.homeDir() + "/다른 이름.txt"), QByteArray("local text\n"));
    EXPECT_EQ(t.window.form()->L_Count->text(), QStringLiteral("  1/  1"));
    EXPECT_TRUE(t.files.findItems(QStringLiteral("다른 이름.txt"), Qt::MatchExactly).size() == 1);

    t.selectHost({QStringLiteral("remote.bin")});
    t.files.setCurrentItem(t.files.findItems(QStringLiteral("remote.bin"), Qt::MatchExactly).first());
    boxes.pushAccept(s.localDir() + "/copy.bin");
    t.commands->N_RManualDownloadClick();
    EXPECT_EQ(boxes.asked.back().caption, QStringLiteral("로컬로 파일 전송"));
    EXPECT_EQ(boxes.asked.back().text, QStringLiteral("로컬 파일: remote.bin"));
    EXPECT_EQ(readAll(s.localDir() + "/copy.bin"), QByteArray("remote bytes"));
    EXPECT_TRUE(t.session.isConnected());

    // A cancelled name box transfers nothing.
    const int before = int(t.ui.log.size());
    boxes.pushCancel();
    t.commands->N_RManualDownloadClick();
    EXPECT_EQ(int(t.ui.log.size()), before);
}

TEST(Transfers, CommandsStartedDuringATransferWaitTheirTurn)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    const QByteArray data = randomBytes(96 * 1024 * 1024, 21);
    writeAll(s.homeDir() + "/big.bin", data);
    Transfers t(s.localDir());
    t.login();
    t.selectHost({"big.bin"});
    int nested = 0;
    onceMoving(t.window, [&] {
        // What a user may click in the main window while the transfer runs.
        const int logged = int(t.ui.log.size());
        t.pane->RBrefreshClick();
        t.commands->SB_RightLeftClick();
        t.commands->SB_LeftRightClick();
        nested = int(t.ui.log.size()) - logged;
    });
    t.commands->SB_RightLeftClick();
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(digest(readAll(s.localDir() + "/big.bin")), digest(data));
    EXPECT_TRUE(t.session.isConnected());
}
