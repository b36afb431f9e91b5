// The host file commands against the scripted server on 127.0.0.1:21: the
// exact boxes and log lines, the selection taken before the first command, the
// busy rule, and the permission listing's byte-level cases (options refused, a
// line in two segments, an owner name past 261 bytes).

#include "host_ops_fixture.h"
#include "reply_peer.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace kav;
using kavtest::HostOps;
using kavtest::ReplyPeer;

namespace {

QByteArray fileLine(const QByteArray &perm, const QByteArray &name, const QByteArray &owner = "ftp")
{
    return perm + "   1 " + owner + "      ftp            12 Dec 10 03:04 " + name + "\r\n";
}

ReplyPeer::DataReply listing(const QList<QByteArray> &segments, int gapMs = 0)
{
    ReplyPeer::DataReply r;
    r.preliminary = "150 Here comes the directory listing.\r\n";
    r.data = segments;
    r.final = "226 Directory send OK.\r\n";
    r.gapMs = gapMs;
    return r;
}

// A logged-in server whose directory lists `lines` until a test changes it.
void serve(ReplyPeer &peer, const QByteArray &lines, const QByteArray &system = "215 UNIX Type: L8")
{
    peer.answerAsLoggedInServer("/");
    peer.on("SYST", {system + "\r\n"});
    peer.onData("LIST", listing({lines}));
}

// The commands received since `from`, PORT left out (its port changes).
QList<QByteArray> sentSince(const ReplyPeer &peer, qsizetype from)
{
    QList<QByteArray> out;
    for (const QByteArray &c : peer.commands.mid(from))
        if (!c.startsWith("PORT "))
            out << c;
    return out;
}

using Sent = QList<QByteArray>;

const QString CrLf = QStringLiteral("\r\n");

} // namespace

TEST(HostFileOps, DeleteAsksThenDeletesTheNamesSelectedAtTheStart)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt") + fileLine("-rw-r--r--", "c.txt"));
    HostOps h;
    h.login();
    ASSERT_EQ(h.fileNames(), (QStringList{"a.txt", "b.txt", "c.txt"}));
    h.selectFiles({"a.txt", "b.txt", "c.txt"});

    // No: nothing is sent.
    qsizetype from = peer.commands.size();
    HostOps::scripted().pushButton(BtnNo);
    h.ops->N_RDeleteClick();
    ASSERT_EQ(HostOps::scripted().asked.size(), 1u);
    const auto &box = HostOps::scripted().asked[0];
    EXPECT_EQ(box.text, QStringLiteral("[주의] - 삭제") + CrLf + QStringLiteral("3 개의 파일을 호스트에서 선택했습니다.") + CrLf
                            + QStringLiteral("선택한 파일들을 삭제하시겠습니까 ?"));
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, BtnYes | BtnNo);
    EXPECT_TRUE(sentSince(peer, from).isEmpty());

    // Yes. While the first DELE waits, the list changes under the command (a
    // refresh, a change of directory): it still deletes what was selected.
    // More than one selected and the last refused: the refresh selects it.
    peer.on("DELE", {"250 Delete operation successful.\r\n"});
    peer.on("DELE c.txt", {"550 Delete operation failed.\r\n"});
    peer.onData("LIST", listing({fileLine("-rw-r--r--", "c.txt")}));
    HostOps::scripted().pushButton(BtnYes);
    QTimer::singleShot(0, [&h] {
        h.files.clear();
        h.files.addItem(QStringLiteral("other.txt"));
        h.files.item(0)->setSelected(true);
    });
    from = peer.commands.size();
    const qsizetype logFrom = h.ui.log.size();
    h.ops->N_RDeleteClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"DELE a.txt", "DELE b.txt", "DELE c.txt", "PWD", "LIST"}));
    EXPECT_EQ(h.fileNames(), QStringList{"c.txt"});
    EXPECT_EQ(h.selectedFiles(), QStringList{"c.txt"});
    EXPECT_TRUE(h.logSince(logFrom).contains(QStringLiteral("[H] - 550 Delete operation failed.")));
}

TEST(HostFileOps, DeleteReselectsByPositionOrLeavesARefusedSingleFile)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt") + fileLine("-rw-r--r--", "c.txt"));
    HostOps h;
    h.login();
    // The last file of the list: afterwards the new last item is selected.
    peer.on("DELE c.txt", {"250 Delete operation successful.\r\n"});
    peer.onData("LIST", listing({fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt")}));
    h.selectFiles({"c.txt"});
    HostOps::scripted().pushButton(BtnYes);
    h.ops->N_RDeleteClick();
    EXPECT_EQ(h.selectedFiles(), QStringList{"b.txt"});
    ASSERT_TRUE(h.files.currentItem());
    EXPECT_EQ(h.files.currentItem()->text(), QStringLiteral("b.txt"));

    // One file refused: nothing more, no refresh.
    peer.on("DELE a.txt", {"550 Permission denied.\r\n"});
    h.selectFiles({"a.txt"});
    HostOps::scripted().pushButton(BtnYes);
    const qsizetype from = peer.commands.size();
    h.ops->N_RDeleteClick();
    EXPECT_EQ(sentSince(peer, from), Sent{"DELE a.txt"});
    EXPECT_EQ(h.fileNames(), (QStringList{"a.txt", "b.txt"}));
}

// A rename that sent nothing (cancelled, unchanged, or onto a listed name) leaves no name
// behind for a later refresh: the delete that follows selects the neighbour alone, so a
// second Delete never offers a file the user did not pick.
TEST(HostFileOps, AfterARenameThatSentNothingADeleteSelectsOnlyTheNeighbour)
{
    ReplyPeer peer(21);
    const QByteArray abcd = fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt")
        + fileLine("-rw-r--r--", "c.txt") + fileLine("-rw-r--r--", "d.txt");
    serve(peer, abcd);
    HostOps h;
    h.login();
    auto &d = HostOps::scripted();
    const std::function<void()> nothingSent[] = {
        [&d] { d.pushCancel(); },
        [&d] { d.pushAccept(QStringLiteral("a.txt")); },   // unchanged
        [&d] { d.pushAccept(QStringLiteral("d.txt")); },   // a listed name
    };
    for (const auto &answer : nothingSent) {
        peer.onData("LIST", listing({abcd}));
        h.pane->RBrefreshClick();
        h.selectFiles({"a.txt"});
        answer();
        h.ops->N_RRenameClick();

        // Then c.txt is deleted: the file now in its place is selected, and only it.
        peer.on("DELE c.txt", {"250 Delete operation successful.\r\n"});
        peer.onData("LIST", listing({fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt")
                                     + fileLine("-rw-r--r--", "d.txt")}));
        h.selectFiles({"c.txt"});
        d.pushButton(BtnYes);
        h.ops->N_RDeleteClick();
        EXPECT_EQ(h.selectedFiles(), QStringList{"d.txt"});
    }
}

TEST(HostFileOps, AChangeOfDirectoryBetweenCommandsEndsTheLoop)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt") + fileLine("drwxr-xr-x", "sub"));
    peer.on("DELE", {"250 Delete operation successful.\r\n"});
    HostOps h;
    h.login();
    h.selectFiles({"a.txt", "b.txt"});
    // Right after the first DELE, while the loop lets the window breathe, the
    // user enters "sub", which holds a b.txt of its own.
    bool entered = false;
    QObject::connect(&h.session, &Session::transcript, [&](TranscriptSide, const QString &text) {
        if (entered || text != QLatin1String("250 Delete operation successful."))
            return;
        entered = true;
        QTimer::singleShot(0, [&] {
            peer.on("PWD", {"257 \"/sub\" is the current directory\r\n"});
            peer.onData("LIST", listing({fileLine("-rw-r--r--", "b.txt")}));
            h.enterDir(QStringLiteral("sub"));
        });
    });
    HostOps::scripted().pushButton(BtnYes);
    const qsizetype from = peer.commands.size();
    h.ops->N_RDeleteClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"DELE a.txt", "CWD sub", "PWD", "LIST"}));
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 디렉토리가 바뀌어서 나머지 파일은 그대로 두었습니다."));
    EXPECT_EQ(h.fileNames(), QStringList{"b.txt"});
    EXPECT_FALSE(h.ops->running());
}

TEST(HostFileOps, RenameAsksAndNeverLandsOnAListedName)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "B.txt") + fileLine("drwxr-xr-x", "sub"));
    HostOps h;
    h.login();
    h.selectFiles({"a.txt"});
    auto &d = HostOps::scripted();
    qsizetype from = peer.commands.size();
    for (const QString &taken : {QStringLiteral("B.txt"), QStringLiteral("b.TXT"), QStringLiteral("sub"),
                                 QStringLiteral("/sub")}) {
        d.pushAccept(taken);
        h.ops->N_RRenameClick();
        EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 같은 이름이 이미 있어서 이름을 바꾸지 않았습니다: a.txt -> ") + taken);
    }
    d.pushAccept(QStringLiteral("a.txt"));   // unchanged
    h.ops->N_RRenameClick();
    d.pushCancel();
    h.ops->N_RRenameClick();
    EXPECT_TRUE(sentSince(peer, from).isEmpty());
    ASSERT_FALSE(d.asked.empty());
    EXPECT_EQ(d.asked.back().kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("파일명 변경(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("파일: a.txt"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("a.txt"));

    peer.on("RNFR", {"350 Ready for RNTO.\r\n"});
    peer.on("RNTO", {"250 Rename successful.\r\n"});
    peer.onData("LIST", listing({fileLine("-rw-r--r--", "B.txt") + fileLine("-rw-r--r--", "c.txt")
                                 + fileLine("drwxr-xr-x", "sub")}));
    d.pushAccept(QStringLiteral("c.txt"));
    from = peer.commands.size();
    h.ops->N_RRenameClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"RNFR a.txt", "RNTO c.txt", "PWD", "LIST"}));
    EXPECT_EQ(h.selectedFiles(), QStringList{"c.txt"});

    // A refused RNFR ends the rename.
    peer.on("RNFR c.txt", {"550 RNFR command failed.\r\n"});
    d.pushAccept(QStringLiteral("d.txt"));
    from = peer.commands.size();
    h.ops->N_RRenameClick();
    EXPECT_EQ(sentSince(peer, from), Sent{"RNFR c.txt"});
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 550 RNFR command failed."));

    // Two selected, or none: the selection lines.
    h.files.clearSelection();
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 파일을 선택하세요."));
    h.selectFiles({"B.txt", "c.txt"});
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"));
}

TEST(HostFileOps, CaseRenamesSkipAnotherFileOfTheNewName)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "abc.txt") + fileLine("-rw-r--r--", "ABC.TXT") + fileLine("-rw-r--r--", "x.Doc"));
    HostOps h;
    h.login();
    h.selectFiles({"abc.txt", "ABC.TXT", "x.Doc"});
    auto &d = HostOps::scripted();
    d.pushButton(BtnNo);
    qsizetype from = peer.commands.size();
    h.ops->N_RUppercaseClick(QStringLiteral("N_RUppercase"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("[주의] - 이름변경") + CrLf
                                       + QStringLiteral("3 개의 파일을 호스트에서 선택했습니다.") + CrLf
                                       + QStringLiteral("선택한 파일들의 이름을 바꾸시겠습니까 ?"));
    EXPECT_TRUE(sentSince(peer, from).isEmpty());

    // abc.txt would become ABC.TXT, which is another file: skipped. ABC.TXT
    // keeps its name and is still sent.
    peer.on("RNFR", {"350 Ready for RNTO.\r\n"});
    peer.on("RNTO", {"250 Rename successful.\r\n"});
    peer.onData("LIST", listing({fileLine("-rw-r--r--", "abc.txt") + fileLine("-rw-r--r--", "ABC.TXT")
                                 + fileLine("-rw-r--r--", "X.DOC")}));
    d.pushButton(BtnYes);
    from = peer.commands.size();
    const qsizetype logFrom = h.ui.log.size();
    h.ops->N_RUppercaseClick(QStringLiteral("N_RUppercase"));
    EXPECT_EQ(sentSince(peer, from), (Sent{"RNFR ABC.TXT", "RNTO ABC.TXT", "RNFR x.Doc", "RNTO X.DOC", "PWD", "LIST"}));
    EXPECT_TRUE(h.logSince(logFrom).contains(
        QStringLiteral("[H] - 같은 이름이 이미 있어서 이름을 바꾸지 않았습니다: abc.txt -> ABC.TXT")));
    EXPECT_EQ(h.selectedFiles(), QStringList{"X.DOC"});
}

TEST(HostFileOps, SelectionTools)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.zip") + fileLine("-rw-r--r--", "b.ZIP") + fileLine("-rw-r--r--", "c.txt"));
    HostOps h;
    h.login();
    const qsizetype from = peer.commands.size();
    h.selectFiles({"a.zip"});
    h.ops->N_RInvertSelectionClick();
    EXPECT_EQ(h.selectedFiles(), (QStringList{"b.ZIP", "c.txt"}));
    EXPECT_FALSE(h.files.isHidden());

    auto &d = HostOps::scripted();
    d.pushAccept(QStringLiteral("*.zip"));
    h.ops->N_RTagwildcardClick();
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("Tag Wildcard (Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("Wildcard(eg *.zip will tag all .zip files): "));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("*"));
    EXPECT_EQ(h.selectedFiles(), (QStringList{"a.zip", "b.ZIP"}));
    d.pushAccept(QString());   // empty: nothing changes
    h.ops->N_RTagwildcardClick();
    d.pushCancel();
    h.ops->N_RTagwildcardClick();
    EXPECT_EQ(h.selectedFiles(), (QStringList{"a.zip", "b.ZIP"}));
    d.pushAccept(QStringLiteral("[!a]*"));
    h.ops->N_RTagwildcardClick();
    EXPECT_EQ(h.selectedFiles(), (QStringList{"b.ZIP", "c.txt"}));
    EXPECT_TRUE(sentSince(peer, from).isEmpty());
}

TEST(HostFileOps, DirectoriesInTheRoot)
{
    ReplyPeer peer(21);
    const QByteArray files = fileLine("-rw-r--r--", "b.txt");
    serve(peer, files + fileLine("drwxr-xr-x", "sub"));
    HostOps h;
    h.login();
    auto &d = HostOps::scripted();

    peer.on("MKD", {"257 \"/새 폴더\" created\r\n"});
    peer.onData("LIST", listing({files + fileLine("drwxr-xr-x", "sub") + fileLine("drwxr-xr-x", "새 폴더")}));
    d.pushAccept(QStringLiteral("/새 폴더"));
    qsizetype from = peer.commands.size();
    h.ops->N_RMakeDirectoryClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"MKD /새 폴더", "PWD", "LIST"}));
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("디렉토리작성(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("/"));
    EXPECT_EQ(h.dirNames(), (QStringList{"sub", "새 폴더"}));
    EXPECT_EQ(h.curName.currentText(), QStringLiteral("/"));

    // The parent entry is never a target, and nothing selected is no target.
    from = peer.commands.size();
    const qsizetype logFrom = h.ui.log.size();
    h.dirs.setCurrentRow(0);
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    h.dirs.clearSelection();
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    EXPECT_EQ(h.logSince(logFrom).size(), 3);

    // A refused RMD changes nothing.
    peer.on("RMD /sub", {"550 Remove directory operation failed.\r\n"});
    h.selectDir(QStringLiteral("sub"));
    d.pushAccept(QStringLiteral("/sub"));
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("디렉토리삭제(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /sub"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("/sub"));
    EXPECT_EQ(h.dirNames(), (QStringList{"sub", "새 폴더"}));
    EXPECT_EQ(sentSince(peer, from), Sent{"RMD /sub"});

    // Onto a listed name: skipped; cancel and the same name: nothing sent.
    from = peer.commands.size();
    h.selectDir(QStringLiteral("sub"));
    d.pushAccept(QStringLiteral("/b.txt"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 같은 이름이 이미 있어서 이름을 바꾸지 않았습니다: /sub -> /b.txt"));
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("디렉토리명 변경(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /sub"));
    d.pushCancel();
    h.ops->N_RRenameDirectoryClick();
    d.pushAccept(QStringLiteral("/sub"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_TRUE(sentSince(peer, from).isEmpty());

    peer.on("RNFR", {"350 Ready for RNTO.\r\n"});
    peer.on("RNTO", {"250 Rename successful.\r\n"});
    peer.onData("LIST", listing({files + fileLine("drwxr-xr-x", "sub2") + fileLine("drwxr-xr-x", "새 폴더")}));
    d.pushAccept(QStringLiteral("/sub2"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"RNFR /sub", "RNTO /sub2", "PWD", "LIST"}));
    EXPECT_EQ(h.dirNames(), (QStringList{"sub2", "새 폴더"}));

    // The Delete key of the directory list.
    peer.on("RMD /sub2", {"250 Remove directory operation successful.\r\n"});
    peer.onData("LIST", listing({files + fileLine("drwxr-xr-x", "새 폴더")}));
    h.selectDir(QStringLiteral("sub2"));
    d.pushAccept(QStringLiteral("/sub2"));
    QTest::keyClick(&h.dirs, Qt::Key_Delete);
    EXPECT_EQ(h.dirNames(), QStringList{"새 폴더"});
}

TEST(HostFileOps, NothingWhileBusyOrDisconnected)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt"));
    HostOps h;
    auto &d = HostOps::scripted();
    // Not connected: the Delete key and the commands do nothing.
    QTest::keyClick(&h.files, Qt::Key_Delete);
    h.ops->N_RMakeDirectoryClick();
    EXPECT_TRUE(d.asked.empty());

    h.login();
    h.selectFiles({"a.txt", "b.txt"});
    const qsizetype from = peer.commands.size();
    bool transferShowing = true;
    h.ops->otherWork = [&transferShowing] { return transferShowing; };
    QTest::keyClick(&h.files, Qt::Key_Delete);
    h.ops->N_RRenameClick();
    h.ops->N_RChangeModeClick();
    h.ops->N_RUppercaseClick(QStringLiteral("N_RLowercase"));
    EXPECT_TRUE(d.asked.empty());
    EXPECT_TRUE(sentSince(peer, from).isEmpty());

    // Another command started while one waits for the server does nothing.
    transferShowing = false;
    peer.on("DELE", {"250 Delete operation successful.\r\n"});
    peer.on("DELE a.txt", {"", "250 Delete operation successful.\r\n"}, 300);
    peer.onData("LIST", listing({}));
    bool nestedRan = false;
    QTimer::singleShot(100, [&] {
        EXPECT_TRUE(h.ops->running());
        h.ops->N_RRenameClick();
        h.ops->N_RMakeDirectoryClick();
        h.ops->N_RDeleteClick();
        nestedRan = true;
    });
    d.pushButton(BtnYes);
    QTest::keyClick(&h.files, Qt::Key_Delete);   // the Delete key deletes
    EXPECT_TRUE(nestedRan);
    EXPECT_EQ(d.asked.size(), 1u);
    EXPECT_FALSE(h.ops->running());
    EXPECT_TRUE(h.fileNames().isEmpty());
    EXPECT_EQ(sentSince(peer, from), (Sent{"DELE a.txt", "DELE b.txt", "PWD", "LIST"}));
}

TEST(HostFileOps, PermissionWindowAsksForThePlainListingWhenOptionsAreRefused)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "f.txt"));
    ReplyPeer::DataReply refused;
    refused.preliminary = "550 No such file or directory.\r\n";
    refused.connectBack = false;
    peer.onData("LIST -lai", refused);
    peer.onData("LIST f.txt", listing({fileLine("-rw-r--r--", "f.txt")}));
    HostOps h;
    h.login();
    h.selectFiles({"f.txt"});
    h.inChmodWindow = [](TChmodForm &) { return int(QDialog::Accepted); };   // OK, unchanged
    const qsizetype from = peer.commands.size();
    h.ops->N_RChangeModeClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"PWD", "LIST -lai f.txt", "LIST f.txt"}));
    ASSERT_EQ(h.shown.size(), 1);
    const auto &s = h.shown[0];
    EXPECT_EQ(s.name, QStringLiteral("f.txt"));
    EXPECT_EQ(s.owner, QStringLiteral("ftp"));
    EXPECT_EQ(s.group, QStringLiteral("ftp"));
    EXPECT_EQ(s.size, QStringLiteral("12 Bytes"));
    EXPECT_EQ(s.date, QStringLiteral("Dec 10  03:04"));
    EXPECT_EQ(s.links, QStringLiteral("1"));
    EXPECT_EQ(s.inode, QString());
    EXPECT_EQ(s.permission, QStringLiteral("644"));
    EXPECT_EQ(s.checked, (QStringList{"CB_GroupRead", "CB_OtherRead", "CB_OwnerRead", "CB_OwnerWrite"}));
    EXPECT_EQ(h.selectAfterRefresh, QStringLiteral("f.txt"));
}

TEST(HostFileOps, PermissionListingInTwoSegmentsAfterASummaryLine)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rwsr-xr-x", "run.sh"));
    peer.onData("LIST -lai", listing({"total 8\r\n1048602 -rwsr-x", "r-x   3 kim   staff   4096 Mar 04  2021 run.sh\r\n"},
                                     300));
    HostOps h;
    h.login();
    h.selectFiles({"run.sh"});
    h.inChmodWindow = [](TChmodForm &) { return int(QDialog::Accepted); };   // OK, unchanged: nothing sent
    const qsizetype from = peer.commands.size();
    h.ops->N_RChangeModeClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"PWD", "LIST -lai run.sh"}));
    ASSERT_EQ(h.shown.size(), 1);
    const auto &s = h.shown[0];
    EXPECT_EQ(s.inode, QStringLiteral("1048602"));
    EXPECT_EQ(s.links, QStringLiteral("3"));
    EXPECT_EQ(s.owner, QStringLiteral("kim"));
    EXPECT_EQ(s.group, QStringLiteral("staff"));
    EXPECT_EQ(s.size, QStringLiteral("4096 Bytes"));
    EXPECT_EQ(s.date, QStringLiteral("Mar 04  2021"));
    EXPECT_EQ(s.permission, QStringLiteral("4755"));
    EXPECT_EQ(s.checked, (QStringList{"CB_ExecutableSUID", "CB_GroupExecute", "CB_GroupRead", "CB_OtherExecute",
                                      "CB_OtherRead", "CB_OwnerExecute", "CB_OwnerRead", "CB_OwnerWrite"}));
}

TEST(HostFileOps, PermissionListingWithAnOwnerNamePast261Bytes)
{
    const QByteArray owner(300, 'o');
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "f.txt"));
    peer.on("SITE CHMOD", {"200 SITE CHMOD command ok.\r\n"});
    HostOps h;
    h.login();
    h.selectFiles({"f.txt"});
    // The refresh after the change lists the new mode; the file's own listing comes first.
    peer.onData("LIST", listing({fileLine("-rwxr-xr-x", "f.txt")}));
    peer.onData("LIST -lai", listing({fileLine("-rw-r--r--", "f.txt", owner)}));
    QString shownAfterClicks;
    h.inChmodWindow = [&shownAfterClicks](TChmodForm &form) {
        for (const char *name : {"CB_OwnerExecute", "CB_GroupExecute", "CB_OtherExecute"})
            form.findChild<QCheckBox *>(QLatin1String(name))->click();
        shownAfterClicks = form.permissionText();
        return int(QDialog::Accepted);
    };
    const qsizetype from = peer.commands.size();
    h.ops->N_RChangeModeClick();
    EXPECT_EQ(sentSince(peer, from), (Sent{"PWD", "LIST -lai f.txt", "SITE CHMOD 755 f.txt", "PWD", "LIST"}));
    ASSERT_EQ(h.shown.size(), 1);
    EXPECT_EQ(h.shown[0].owner, QString::fromLatin1(owner));
    EXPECT_EQ(h.shown[0].group, QStringLiteral("ftp"));
    EXPECT_EQ(h.shown[0].size, QStringLiteral("12 Bytes"));
    EXPECT_EQ(shownAfterClicks, QStringLiteral("755"));
    EXPECT_EQ(h.selectedFiles(), QStringList{"f.txt"});
}

TEST(HostFileOps, PermissionListingWithoutEndIsCutOff)
{
    // 1.5 MB of listing lines for one file: the read stops past 1 MiB, the data
    // connection is closed, and no permission window opens on a cut listing.
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "f.txt"));
    QByteArray block;
    while (block.size() < 64 * 1024)
        block += fileLine("-rw-r--r--", "other.txt");
    peer.onData("LIST -lai", listing(QList<QByteArray>(24, block), 1));
    HostOps h;
    h.login();
    h.selectFiles({"f.txt"});
    bool windowOpened = false;
    h.inChmodWindow = [&windowOpened](TChmodForm &) {
        windowOpened = true;
        return int(QDialog::Rejected);
    };
    h.ops->N_RChangeModeClick();
    EXPECT_FALSE(windowOpened);
    EXPECT_TRUE(h.shown.isEmpty());
    EXPECT_TRUE(h.ui.log.contains(QStringLiteral("[H] - 네트워크 오류: 파일 목록이 1048576 바이트를 넘어 데이터 연결을 끊었습니다.")))
        << h.ui.log.join('\n').left(3000).toStdString();
    EXPECT_TRUE(h.session.isConnected());
}

TEST(HostFileOps, PermissionMenuFollowsTheSystemReply)
{
    ReplyPeer peer(21);
    serve(peer, fileLine("-rw-r--r--", "f.txt"), "215 Windows_NT");
    HostOps h;
    h.login();
    EXPECT_FALSE(h.changeMode.isEnabled());
    h.selectFiles({"f.txt"});
    const qsizetype from = peer.commands.size();
    h.ops->N_RChangeModeClick();
    EXPECT_TRUE(h.shown.isEmpty());
    EXPECT_TRUE(sentSince(peer, from).isEmpty());
}
