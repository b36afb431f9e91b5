// The host pane against a byte-level peer on 127.0.0.1:21: listings, the
// server's encoding, navigation, and the data connection's failure paths.

#include "wired_session.h"
#include "reply_peer.h"

#include "browse/host_pane.h"
#include "platform/cp949.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QTimer>
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;
using kavtest::ReplyPeer;

namespace {

QByteArray line(const QByteArray &perm, const QByteArray &name)
{
    return perm + "   1 ftp      ftp            12 Dec 10 03:04 " + name + "\r\n";
}

using kavtest::PaneUi;

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

struct Pane : kavtest::WiredSession {
    Pane()
    {
        QObject::connect(&sortByName, &QAction::triggered, [this] { pane->N_RSortByNameClick(); });
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = QStringLiteral("u");
        flow.profile.Password = QStringLiteral("p");
    }

    QStringList fileNames() const
    {
        QStringList out;
        for (int i = 0; i < files.count(); ++i)
            out << files.item(i)->text();
        return out;
    }
    QStringList dirNames() const
    {
        QStringList out;
        for (int i = 0; i < dirs.count(); ++i)
            out << dirs.item(i)->text();
        return out;
    }
    void login() { flow.BB_ConnectClick(false); }
    void doubleClickDir(const QString &name)
    {
        const auto found = dirs.findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        dirs.setCurrentItem(found.first());
        pane->RDirListBoxDblClick();
    }
};

// A server whose root lists `listing`, answering PWD with `pwd`.
void serve(ReplyPeer &peer, const QByteArray &pwd, const QList<QByteArray> &listing)
{
    peer.answerAsLoggedInServer(pwd);
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.data = listing;
    list.final = "226 Transfer complete\r\n";
    peer.onData("LIST", list);
}



} // namespace

// Dark pixels of `image` inside `area` (device-independent coordinates).
int inkIn(const QImage &image, const QRect &area)
{
    const qreal dpr = image.devicePixelRatio();
    const QRect px(QPoint(int(area.left() * dpr), int(area.top() * dpr)), area.size() * dpr);
    int ink = 0;
    for (int y = std::max(0, px.top()); y <= std::min(image.height() - 1, px.bottom()); ++y)
        for (int x = std::max(0, px.left()); x <= std::min(image.width() - 1, px.right()); ++x)
            ink += qGray(image.pixel(x, y)) < 160;
    return ink;
}

// A row shows its whole name: descenders ("jpg", "_") and the final consonants of Hangul
// ("문서") are not cut, whatever the font's size and the screen's scale.
TEST(HostPane, RowsHoldTheWholeNameAtEveryScale)
{
    Pane p;
    const QStringList names{QStringLiteral("photo.jpg"), QStringLiteral("문서"), QStringLiteral("a_b_q"),
                            QStringLiteral("뷁 갉 jpg_")};
    for (const QString &name : names)
        p.files.addItem(name);
    for (int pixels : {11, 12, 13, 16, 20, 24}) {
        for (qreal scale : {1.0, 2.0}) {
            SCOPED_TRACE(pixels);
            SCOPED_TRACE(scale);
            QFont font(QStringLiteral("굴림체"));
            font.setPixelSize(pixels);
            p.files.setFont(font);
            p.files.resize(400, 300);
            p.files.show();
            p.files.doItemsLayout();
            QCoreApplication::processEvents();
            QImage shown(p.files.viewport()->size() * scale, QImage::Format_RGB32);
            shown.setDevicePixelRatio(scale);
            shown.fill(Qt::white);
            p.files.viewport()->render(&shown);
            for (int row = 0; row < names.size(); ++row) {
                SCOPED_TRACE(names[row].toStdString());
                const QRect cell = p.files.visualRect(p.files.model()->index(row, 0));
                EXPECT_GE(cell.height(), kav::HostPane::rowHeight(font));
                // The same name drawn with room to spare.
                QImage free(QSize(400, 200) * scale, QImage::Format_RGB32);
                free.setDevicePixelRatio(scale);
                free.fill(Qt::white);
                {
                    QPainter painter(&free);
                    painter.setFont(font);
                    painter.setPen(Qt::black);
                    painter.drawText(QRect(21, 50 + 1, 379, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                                     names[row]);
                }
                const int whole = inkIn(free, QRect(21, 0, 379, 200));
                ASSERT_GT(whole, 0);
                EXPECT_EQ(inkIn(shown, cell.adjusted(21, 0, 0, 0)), whole);
            }
        }
    }
}

TEST(HostPane, ListsFilesAndDirectoriesAfterLogin)
{
    ReplyPeer peer(21);
    serve(peer, "/",
          {"total 3\r\n" + line("drwxr-xr-x", "pub") + line("-rwxr-xr-x", "run me.sh")
           + line("-rw-r--r--", "Zeta.txt") + line("-rw-r--r--", "alpha.txt")
           + line("lrwxrwxrwx", "link -> pub")});
    Pane p;
    p.login();
    EXPECT_EQ(p.dirNames(), (QStringList{ParentEntry, "pub", "link"}));
    EXPECT_EQ(p.fileNames(), (QStringList{"alpha.txt", "run me.sh", "Zeta.txt"}));   // sorted, case ignored
    EXPECT_EQ(p.files.item(1)->data(Qt::UserRole + 1).toInt(), int(EntryKind::ExecutableFile));
    EXPECT_EQ(p.curName.currentText(), QStringLiteral("/"));
    EXPECT_EQ(p.ui.log.last(), QStringLiteral("[H] - 226 Transfer complete"));
    EXPECT_FALSE(p.session.dataTransferUnderWay());
    // PORT names the control connection's own address.
    const QByteArray port = peer.commands.at(peer.commands.indexOf("LIST") - 1);
    EXPECT_TRUE(port.startsWith("PORT 127,0,0,1,")) << port.toStdString();
}

// A server that refuses active mode outright (netkit ftpd: 500 to PORT): the user is told
// in a box to choose passive or automatic mode, and the way up stays in the list.
TEST(HostPane, ARefusedActiveModeIsExplainedAndKeepsTheWayUp)
{
    for (const QByteArray &refusal : {QByteArray("500 Illegal PORT command.\r\n"),
                                      QByteArray("501 Syntax error in parameters.\r\n")}) {
        SCOPED_TRACE(refusal.toStdString());
        ReplyPeer peer(21);
        serve(peer, "/", {line("-rw-r--r--", "a.txt")});
        peer.on("PORT", {refusal});
        peer.on("EPRT", {refusal});
        scripted().clear();
        Pane p;
        p.login();
        EXPECT_EQ(p.dirNames(), QStringList{ParentEntry});
        EXPECT_TRUE(p.fileNames().isEmpty());
        EXPECT_EQ(scripted().messageTexts(), QStringList{ActiveModeRefusedText});
        EXPECT_TRUE(ActiveModeRefusedText.contains(QStringLiteral("패시브 (PASV)")));
        EXPECT_TRUE(ActiveModeRefusedText.contains(QStringLiteral("자동 (패시브 우선)")));
    }
}

TEST(HostPane, ServerEncodingIsDetectedAndNamesGoBackAsTheyCame)
{
    struct Case {
        const char *what;
        QByteArray dirBytes;
        QString shown;
    };
    const QList<Case> cases = {
        {"code page 949", cp949::encode(u"자료실"), QStringLiteral("자료실")},
        {"UTF-8", QStringLiteral("자료실").toUtf8(), QStringLiteral("자료실")},
        {"neither", QByteArray("\xff\xfe\x80x"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ReplyPeer peer(21);
        serve(peer, "/", {line("drwxr-xr-x", c.dirBytes) + line("-rw-r--r--", c.dirBytes + ".txt")});
        Pane p;
        p.login();
        ASSERT_EQ(p.dirs.count(), 2);
        const QString name = p.dirs.item(1)->text();
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(name, c.shown);
        }
        p.doubleClickDir(name);
        EXPECT_TRUE(peer.commands.contains("CWD " + c.dirBytes));
    }
}

TEST(HostPane, KoreanDirectoryReplyOnAUtf8Server)
{
    ReplyPeer peer(21);
    serve(peer, QStringLiteral("/홈/자료").toUtf8(), {line("-rw-r--r--", QStringLiteral("보고서.hwp").toUtf8())});
    Pane p;
    p.login();
    EXPECT_EQ(p.curName.currentText(), QStringLiteral("/홈/자료"));
    EXPECT_EQ(p.fileNames(), QStringList{QStringLiteral("보고서.hwp")});
    EXPECT_EQ(p.session.serverEncoding(), Session::ServerEncoding::Utf8);
}

TEST(HostPane, ByteLevelListingCases)
{
    {
        SCOPED_TRACE("150 and 226 in one segment");
        ReplyPeer peer(21);
        serve(peer, "/", {});
        ReplyPeer::DataReply list;
        list.preliminary = "150 Opening\r\n226 Done early\r\n";
        list.data = {line("-rw-r--r--", "a.txt")};
        peer.onData("LIST", list);
        Pane p;
        p.login();
        EXPECT_EQ(p.fileNames(), QStringList{"a.txt"});
        EXPECT_EQ(p.ui.log.count(QStringLiteral("[H] - 226 Done early")), 1);
        EXPECT_EQ(p.ui.log.last(), QStringLiteral("[H] - 226 Done early"));
    }
    {
        SCOPED_TRACE("a last line without LF is dropped, segments split lines");
        ReplyPeer peer(21);
        serve(peer, "/", {"-rw-r--r--   1 ftp ftp 1 Dec 10 03:04 on", "e.txt\r\n" + line("-rw-r--r--", "two.txt").chopped(2)});
        Pane p;
        p.login();
        EXPECT_EQ(p.fileNames(), QStringList{"one.txt"});
    }
    {
        SCOPED_TRACE("lines ended by LF alone keep their last character");
        ReplyPeer peer(21);
        serve(peer, "/", {"-rw-r--r--   1 ftp ftp 1 Dec 10 03:04 abc\n"});
        Pane p;
        p.login();
        EXPECT_EQ(p.fileNames(), QStringList{"abc"});
    }
}

TEST(HostPane, ReceiveErrorKeepsWhatArrivedAndDropsTheConnection)
{
    ReplyPeer peer(21);
    serve(peer, "/", {});
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here\r\n";
    list.data = {line("-rw-r--r--", "kept.txt"), "-rw-r--r--   1 ftp ftp 1 Dec"};
    list.gapMs = 50;
    list.reset = true;
    peer.onData("LIST", list);
    Pane p;
    p.login();
    EXPECT_TRUE(p.ui.log.contains(QStringLiteral("[H] - 네트워크 오류: 데이타를 수신할 수 없는 상태입니다.")));
    EXPECT_EQ(p.fileNames(), QStringList{"kept.txt"});
    EXPECT_FALSE(p.session.isConnected());
    EXPECT_FALSE(p.session.hasControlConnection());
    EXPECT_FALSE(p.session.dataTransferUnderWay());
}

TEST(HostPane, RefusedPortOrListLeavesNothingOpen)
{
    {
        SCOPED_TRACE("PORT answered 500");
        ReplyPeer peer(21);
        serve(peer, "/", {line("-rw-r--r--", "a.txt")});
        peer.on("PORT", {"500 PORT not allowed\r\n"});
        Pane p;
        p.login();
        EXPECT_FALSE(peer.commands.contains("LIST"));
        EXPECT_FALSE(p.session.dataTransferUnderWay());
        EXPECT_EQ(p.dirNames(), QStringList{ParentEntry});   // the way up stays
        EXPECT_TRUE(p.session.isConnected());
    }
    {
        SCOPED_TRACE("LIST answered 550");
        ReplyPeer peer(21);
        serve(peer, "/", {});
        ReplyPeer::DataReply refused;
        refused.preliminary = "550 Permission denied\r\n";
        refused.connectBack = false;
        peer.onData("LIST", refused);
        Pane p;
        p.login();
        EXPECT_EQ(p.dirNames(), QStringList{ParentEntry});
        EXPECT_FALSE(p.session.dataTransferUnderWay());
        EXPECT_TRUE(p.session.isConnected());
        EXPECT_EQ(p.ui.log.last(), QStringLiteral("[H] - 550 Permission denied"));
    }
}

TEST(HostPane, AServerThatNeverConnectsBackIsEndedByDisconnect)
{
    ReplyPeer peer(21);
    serve(peer, "/", {});
    ReplyPeer::DataReply silent;
    silent.preliminary = "150 Opening\r\n";
    silent.connectBack = false;
    peer.onData("LIST", silent);
    Pane p;
    QTimer::singleShot(500, [&p] { p.flow.BB_DisconnectClick(); });
    p.login();
    EXPECT_FALSE(p.session.isConnected());
    EXPECT_FALSE(p.session.dataTransferUnderWay());
    EXPECT_EQ(p.ui.caption, QStringLiteral("Kavrin Version 2.2"));
}

TEST(HostPane, DataConnectionsFromAThirdPartyAreRefused)
{
    ReplyPeer peer(21);
    serve(peer, "/", {});
    ReplyPeer::DataReply list;
    list.preliminary = "150 Opening\r\n";
    list.intruderFrom = 0x7f000002;   // 127.0.0.2 is not the server
    list.intruderData = line("-rw-r--r--", "evil.txt");
    list.data = {line("-rw-r--r--", "good.txt")};
    list.final = "226 Done\r\n";
    peer.onData("LIST", list);
    Pane p;
    p.login();
    EXPECT_EQ(p.fileNames(), QStringList{"good.txt"});
}

namespace {

// A server with a small tree: "/" holds pub/ and ..old/, "/pub" holds two files.
void serveTree(ReplyPeer &peer)
{
    serve(peer, "/", {line("drwxr-xr-x", "pub") + line("drwxr-xr-x", "..old") + line("-rw-r--r--", "b.txt")
                      + line("-rw-r--r--", "A.txt") + line("-rw-r--r--", "c.txt")});
}

} // namespace

TEST(HostPane, ParentEntryAndDotNamesGoUp)
{
    ReplyPeer peer(21);
    serveTree(peer);
    Pane p;
    p.login();
    for (const QString &name : {ParentEntry, QStringLiteral("..old")}) {
        peer.commands.clear();
        p.doubleClickDir(name);
        EXPECT_EQ(peer.commands.value(0), QByteArray("CWD .."));
    }
    peer.commands.clear();
    p.doubleClickDir(QStringLiteral("pub"));
    EXPECT_EQ(peer.commands.value(0), QByteArray("CWD pub"));
    EXPECT_TRUE(peer.commands.contains("LIST"));   // refreshed after 250
}

// Links are listed with the directories under their own name; one that leads
// to a directory is entered, one the server cannot enter becomes a file.
TEST(HostPane, LinksAreEnteredOrTakenAsFiles)
{
    ReplyPeer peer(21);
    serve(peer, "/", {line("lrwxrwxrwx", "pub -> /srv/pub") + line("lrwxrwxrwx", "latest.tar -> v2.tar")
                      + line("-rw-r--r--", " both ends ")});
    Pane p;
    p.login();
    EXPECT_EQ(p.dirNames(), (QStringList{ParentEntry, "pub", "latest.tar"}));
    EXPECT_EQ(p.fileNames(), (QStringList{" both ends "}));

    peer.commands.clear();
    p.doubleClickDir(QStringLiteral("pub"));
    EXPECT_EQ(peer.commands.value(0), QByteArray("CWD pub"));
    EXPECT_TRUE(peer.commands.contains("LIST"));

    peer.on("CWD latest.tar", {"550 Not a directory\r\n"});
    peer.commands.clear();
    p.doubleClickDir(QStringLiteral("latest.tar"));
    EXPECT_EQ(peer.commands, QList<QByteArray>{"CWD latest.tar"});
    EXPECT_EQ(p.dirNames(), (QStringList{ParentEntry, "pub"}));
    EXPECT_EQ(p.fileNames(), (QStringList{" both ends ", "latest.tar"}));
}

TEST(HostPane, FailedCwdKeepsTheLists)
{
    ReplyPeer peer(21);
    serveTree(peer);
    peer.on("CWD", {"550 No such directory\r\n"});
    Pane p;
    p.login();
    peer.commands.clear();
    p.doubleClickDir(QStringLiteral("pub"));
    EXPECT_EQ(peer.commands, QList<QByteArray>{"CWD pub"});
    EXPECT_EQ(p.dirs.count(), 3);
}

TEST(HostPane, HistoryComboAndTypedDirectory)
{
    ReplyPeer peer(21);
    serveTree(peer);
    Pane p;
    p.login();
    p.pane->hostDirectoryReported(QStringLiteral("/pub"));
    p.pane->hostDirectoryReported(QStringLiteral("/"));   // known: selected, not added
    EXPECT_EQ(p.curName.count(), 2);
    EXPECT_EQ(p.curName.currentText(), QStringLiteral("/"));
    EXPECT_EQ(p.curName.toolTip(), QStringLiteral("/"));

    // Picking an item sends CWD and refreshes whatever the reply.
    peer.on("CWD", {"550 Gone\r\n"});
    peer.commands.clear();
    p.curName.setCurrentIndex(0);
    p.pane->CB_CurNameChange();
    EXPECT_EQ(peer.commands.value(0), QByteArray("CWD /"));
    EXPECT_TRUE(peer.commands.contains("PWD"));

    auto &boxes = static_cast<ScriptedDialogs &>(dialogs());
    // The same directory typed again sends nothing.
    peer.commands.clear();
    boxes.pushAccept(QStringLiteral("/"));
    p.pane->N_RSpecifyadirectoryClick();
    EXPECT_TRUE(peer.commands.isEmpty());
    EXPECT_EQ(boxes.asked.back().caption, QStringLiteral("Input Directory"));
    EXPECT_EQ(boxes.asked.back().text, QStringLiteral("Directory Name: "));
    // Another one is entered; a refusal refreshes nothing.
    boxes.pushAccept(QStringLiteral("/nope"));
    p.pane->N_RSpecifyadirectoryClick();
    EXPECT_EQ(peer.commands, QList<QByteArray>{"CWD /nope"});
    peer.on("CWD", {"250 OK\r\n"});
    peer.commands.clear();
    boxes.pushAccept(QStringLiteral("/pub"));
    p.pane->N_RSpecifyadirectoryClick();
    EXPECT_TRUE(peer.commands.contains("LIST"));
}

TEST(HostPane, UrlsAndSelectionChecks)
{
    ReplyPeer peer(21);
    serveTree(peer);
    Pane p;
    p.login();
    QApplication::clipboard()->clear();
    p.pane->N_RCopyURLClick();
    EXPECT_EQ(p.ui.log.last(), QStringLiteral("[H] - 먼저 파일을 선택하세요."));
    p.files.selectAll();
    p.pane->N_RCopyURLClick();
    EXPECT_EQ(p.ui.log.last(), QStringLiteral("[H] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"));

    p.files.clearSelection();
    p.files.setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    p.pane->N_RCopyURLClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ftp://127.0.0.1/A.txt"));
    p.pane->hostDirectoryReported(QStringLiteral("/pub"));
    p.pane->N_RCopyURLClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ftp://127.0.0.1/pub/A.txt"));
    p.pane->SB_HostToClipClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("/pub"));
}

TEST(HostPane, SortingOffAndOnKeepsTheSelection)
{
    ReplyPeer peer(21);
    serveTree(peer);
    Pane p;
    p.login();
    EXPECT_EQ(p.fileNames(), (QStringList{"A.txt", "b.txt", "c.txt"}));
    p.files.findItems(QStringLiteral("c.txt"), Qt::MatchExactly).first()->setSelected(true);
    p.files.findItems(QStringLiteral("A.txt"), Qt::MatchExactly).first()->setSelected(true);

    p.sortByName.trigger();   // off: listing order returns
    EXPECT_FALSE(p.sortByName.isChecked());
    EXPECT_EQ(p.fileNames(), (QStringList{"b.txt", "A.txt", "c.txt"}));
    QStringList selected;
    for (const auto &item : p.files.selectedItems())
        selected << item->text();
    selected.sort();
    EXPECT_EQ(selected, (QStringList{"A.txt", "c.txt"}));

    p.sortByName.trigger();   // on again
    EXPECT_EQ(p.fileNames(), (QStringList{"A.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(p.files.selectedItems().size(), 2);

    // Not connected: the toggle does nothing.
    p.flow.BB_DisconnectClick();
    p.sortByName.trigger();
    EXPECT_TRUE(p.sortByName.isChecked());
}

TEST(HostPane, RefreshReselectsTheNamedFile)
{
    ReplyPeer peer(21);
    serveTree(peer);
    Pane p;
    p.login();
    p.selectAfterRefresh = QStringLiteral("c.TXT");
    p.pane->RBrefreshClick();
    ASSERT_TRUE(p.files.currentItem());
    EXPECT_EQ(p.files.currentItem()->text(), QStringLiteral("c.txt"));
    EXPECT_TRUE(p.files.currentItem()->isSelected());
    EXPECT_TRUE(p.selectAfterRefresh.isEmpty());
}

TEST(HostPane, DirectoryReportGoesToTheViewer)
{
    ReplyPeer peer(21);
    serve(peer, "/pub", {"total 1\r\n" + line("-rw-r--r--", "a.txt"), "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 sub\n"});
    Pane p;
    QString caption, fileName;
    QStringList lines;
    p.pane->showReport = [&](const QString &c, const QStringList &l, const QString &f) {
        caption = c;
        lines = l;
        fileName = f;
    };
    p.login();
    p.pane->N_RDirectoryListClick();
    const int bytes = int(QByteArray("total 1\r\n" + line("-rw-r--r--", "a.txt")).size()
                          + QByteArray("drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 sub\n").size());
    EXPECT_EQ(caption, QStringLiteral("[Host] - DirInfo (/pub, %1 Bytes)").arg(bytes));
    EXPECT_EQ(fileName, QStringLiteral("DirInfo.txt"));
    // The CR of CR LF is dropped; a line ended by LF alone keeps its last character.
    EXPECT_EQ(lines, (QStringList{"total 1", QString::fromLatin1(line("-rw-r--r--", "a.txt").chopped(2)),
                                  "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 sub"}));
    EXPECT_FALSE(p.session.dataTransferUnderWay());
}
