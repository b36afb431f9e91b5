// The host file commands against a scripted server on 127.0.0.1:21: the exact
// boxes and log lines, the selection taken before the first command, the busy
// rule, and the permission listing's byte-level cases (options refused, a line
// in two segments, an owner name past 261 bytes).

#include "host_ops_fixture.h"
#include "scripted_peer.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;
using kavtest::HostOps;
using kavtest::ScriptedPeer;

namespace {

std::string fileLine(const std::string &perm, const std::string &name, const std::string &owner = "ftp")
{
    return perm + "   1 " + owner + "      ftp            12 Dec 10 03:04 " + name + "\r\n";
}

// PWD, (TYPE A,) PORT and LIST of a refresh, the listing sent in one piece.
void scriptRefresh(ScriptedPeer &peer, const std::string &listing, bool typeA = false)
{
    peer.expect("PWD").send("257 \"/\" is the current directory\r\n");
    if (typeA)
        peer.expect("TYPE A").send("200 Switching to ASCII mode.\r\n");
    peer.expect().send("200 PORT command successful.\r\n").expect("LIST").send("150 Here comes the listing.\r\n");
    peer.dataConnect().dataSend(listing).dataClose().send("226 Directory send OK.\r\n");
}

void scriptLogin(ScriptedPeer &peer, const std::string &listing, const std::string &system = "215 UNIX Type: L8")
{
    peer.send("220 ready\r\n").expect("USER kim").send("331 Please specify the password.\r\n");
    peer.expect("PASS secret").send("230 Login successful.\r\n").expect("SYST").send(system + "\r\n");
    scriptRefresh(peer, listing, true);
}

// The NOOP that ends a script: a command the handler should not have sent
// shows up in its place.
void scriptEnd(ScriptedPeer &peer)
{
    peer.expect("NOOP").send("200 NOOP ok.\r\n");
}

void end(HostOps &h, ScriptedPeer &peer)
{
    h.session.command(QStringLiteral("NOOP"));
    EXPECT_TRUE(peer.waitDone(10000));
}

const QString CrLf = QStringLiteral("\r\n");

} // namespace

TEST(HostFileOps, DeleteAsksThenDeletesTheNamesSelectedAtTheStart)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt") + fileLine("-rw-r--r--", "c.txt"));
    peer.expect("DELE a.txt").send("250 Delete operation successful.\r\n");
    peer.expect("DELE b.txt").send("250 Delete operation successful.\r\n");
    peer.expect("DELE c.txt").send("550 Delete operation failed.\r\n");
    // More than one selected and the last refused: the refresh selects it.
    scriptRefresh(peer, fileLine("-rw-r--r--", "c.txt"));
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    ASSERT_EQ(h.fileNames(), (QStringList{"a.txt", "b.txt", "c.txt"}));
    h.selectFiles({"a.txt", "b.txt", "c.txt"});

    // No: nothing is sent.
    HostOps::scripted().pushButton(BtnNo);
    h.ops->N_RDeleteClick();
    ASSERT_EQ(HostOps::scripted().asked.size(), 1u);
    const auto &box = HostOps::scripted().asked[0];
    EXPECT_EQ(box.text, QStringLiteral("[주의] - 삭제") + CrLf + QStringLiteral("3 개의 파일을 호스트에서 선택했습니다.") + CrLf
                            + QStringLiteral("선택한 파일들을 삭제하시겠습니까 ?"));
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, BtnYes | BtnNo);

    // Yes. While the first DELE waits, the list changes under the command (a
    // refresh, a change of directory): it still deletes what was selected.
    HostOps::scripted().pushButton(BtnYes);
    QTimer::singleShot(0, [&h] {
        h.files.clear();
        h.files.addItem(QStringLiteral("other.txt"));
        h.files.item(0)->setSelected(true);
    });
    const qsizetype from = h.ui.log.size();
    h.ops->N_RDeleteClick();
    EXPECT_EQ(h.fileNames(), QStringList{"c.txt"});
    EXPECT_EQ(h.selectedFiles(), QStringList{"c.txt"});
    EXPECT_TRUE(h.logSince(from).contains(QStringLiteral("[H] - 550 Delete operation failed.")));
    end(h, peer);
}

TEST(HostFileOps, DeleteReselectsByPositionOrLeavesARefusedSingleFile)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt") + fileLine("-rw-r--r--", "c.txt"));
    // The last file of the list: afterwards the new last item is selected.
    peer.expect("DELE c.txt").send("250 Delete operation successful.\r\n");
    scriptRefresh(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt"));
    // One file refused: nothing more, no refresh.
    peer.expect("DELE a.txt").send("550 Permission denied.\r\n");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"c.txt"});
    HostOps::scripted().pushButton(BtnYes);
    h.ops->N_RDeleteClick();
    EXPECT_EQ(h.selectedFiles(), QStringList{"b.txt"});
    EXPECT_EQ(h.files.currentItem()->text(), QStringLiteral("b.txt"));

    h.selectFiles({"a.txt"});
    HostOps::scripted().pushButton(BtnYes);
    h.ops->N_RDeleteClick();
    EXPECT_EQ(h.fileNames(), (QStringList{"a.txt", "b.txt"}));
    end(h, peer);
}

TEST(HostFileOps, RenameAsksAndNeverLandsOnAListedName)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "B.txt")
                          + fileLine("drwxr-xr-x", "sub"));
    peer.expect("RNFR a.txt").send("350 Ready for RNTO.\r\n").expect("RNTO c.txt").send("250 Rename successful.\r\n");
    scriptRefresh(peer, fileLine("-rw-r--r--", "B.txt") + fileLine("-rw-r--r--", "c.txt") + fileLine("drwxr-xr-x", "sub"));
    // A refused RNFR ends the rename.
    peer.expect("RNFR c.txt").send("550 RNFR command failed.\r\n");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"a.txt"});
    auto &d = HostOps::scripted();
    const qsizetype from = h.ui.log.size();
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
    EXPECT_FALSE(h.sentSince(from, QStringLiteral("RNFR")));
    ASSERT_FALSE(d.asked.empty());
    EXPECT_EQ(d.asked.back().kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("파일명 변경(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("파일: a.txt"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("a.txt"));

    d.pushAccept(QStringLiteral("c.txt"));
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.selectedFiles(), QStringList{"c.txt"});

    d.pushAccept(QStringLiteral("d.txt"));
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 550 RNFR command failed."));

    // Two selected, or none: the selection lines.
    h.files.clearSelection();
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 파일을 선택하세요."));
    h.selectFiles({"B.txt", "c.txt"});
    h.ops->N_RRenameClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"));
    end(h, peer);
}

TEST(HostFileOps, CaseRenamesSkipAnotherFileOfTheNewName)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "abc.txt") + fileLine("-rw-r--r--", "ABC.TXT")
                          + fileLine("-rw-r--r--", "x.Doc"));
    // abc.txt would become ABC.TXT, which is another file: skipped. ABC.TXT
    // keeps its name and is still sent.
    peer.expect("RNFR ABC.TXT").send("350 Ready for RNTO.\r\n").expect("RNTO ABC.TXT").send("250 Rename successful.\r\n");
    peer.expect("RNFR x.Doc").send("350 Ready for RNTO.\r\n").expect("RNTO X.DOC").send("250 Rename successful.\r\n");
    scriptRefresh(peer, fileLine("-rw-r--r--", "abc.txt") + fileLine("-rw-r--r--", "ABC.TXT")
                            + fileLine("-rw-r--r--", "X.DOC"));
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"abc.txt", "ABC.TXT", "x.Doc"});
    auto &d = HostOps::scripted();
    d.pushButton(BtnNo);
    h.ops->N_RUppercaseClick(QStringLiteral("N_RUppercase"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("[주의] - 이름변경") + CrLf
                                       + QStringLiteral("3 개의 파일을 호스트에서 선택했습니다.") + CrLf
                                       + QStringLiteral("선택한 파일들의 이름을 바꾸시겠습니까 ?"));
    d.pushButton(BtnYes);
    const qsizetype from = h.ui.log.size();
    h.ops->N_RUppercaseClick(QStringLiteral("N_RUppercase"));
    EXPECT_TRUE(h.logSince(from).contains(
        QStringLiteral("[H] - 같은 이름이 이미 있어서 이름을 바꾸지 않았습니다: abc.txt -> ABC.TXT")));
    EXPECT_EQ(h.selectedFiles(), QStringList{"X.DOC"}) << h.ui.log.join("\n").toStdString();
    end(h, peer);
}

TEST(HostFileOps, SelectionTools)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "a.zip") + fileLine("-rw-r--r--", "b.ZIP") + fileLine("-rw-r--r--", "c.txt"));
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
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
    end(h, peer);
}

TEST(HostFileOps, DirectoriesInTheRoot)
{
    ScriptedPeer peer;
    const std::string listing = fileLine("-rw-r--r--", "b.txt") + fileLine("drwxr-xr-x", "sub");
    scriptLogin(peer, listing);
    peer.expect("MKD /새 폴더").send("257 \"/새 폴더\" created\r\n");
    scriptRefresh(peer, listing + fileLine("drwxr-xr-x", "새 폴더"));
    peer.expect("RMD /sub").send("550 Remove directory operation failed.\r\n");
    peer.expect("RNFR /sub").send("350 Ready for RNTO.\r\n").expect("RNTO /sub2").send("250 Rename successful.\r\n");
    scriptRefresh(peer, fileLine("-rw-r--r--", "b.txt") + fileLine("drwxr-xr-x", "sub2") + fileLine("drwxr-xr-x", "새 폴더"));
    peer.expect("RMD /sub2").send("250 Remove directory operation successful.\r\n");
    scriptRefresh(peer, fileLine("-rw-r--r--", "b.txt") + fileLine("drwxr-xr-x", "새 폴더"));
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    auto &d = HostOps::scripted();
    d.pushAccept(QStringLiteral("/새 폴더"));
    h.ops->N_RMakeDirectoryClick();
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("디렉토리작성(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("/"));
    EXPECT_EQ(h.dirNames(), (QStringList{"sub", "새 폴더"}));
    EXPECT_EQ(h.curName.currentText(), QStringLiteral("/"));

    // The parent entry is never a target, and nothing selected is no target.
    const qsizetype from = h.ui.log.size();
    h.dirs.setCurrentRow(0);
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    h.dirs.clearSelection();
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(h.ui.log.last(), QStringLiteral("[H] - 먼저 디렉토리를 선택하세요."));
    EXPECT_EQ(h.logSince(from).size(), 3);

    // A refused RMD changes nothing.
    h.selectDir(QStringLiteral("sub"));
    d.pushAccept(QStringLiteral("/sub"));
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(d.asked.back().caption, QStringLiteral("디렉토리삭제(Host)"));
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /sub"));
    EXPECT_EQ(d.asked.back().value, QStringLiteral("/sub"));
    EXPECT_EQ(h.dirNames(), (QStringList{"sub", "새 폴더"}));

    // Onto a listed name: skipped; cancel and the same name: nothing sent.
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
    d.pushAccept(QStringLiteral("/sub2"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(h.dirNames(), (QStringList{"sub2", "새 폴더"}));

    // The Delete key of the directory list.
    h.selectDir(QStringLiteral("sub2"));
    d.pushAccept(QStringLiteral("/sub2"));
    QTest::keyClick(&h.dirs, Qt::Key_Delete);
    EXPECT_EQ(h.dirNames(), QStringList{"새 폴더"});
    end(h, peer);
}

TEST(HostFileOps, NothingWhileBusyOrDisconnected)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "a.txt") + fileLine("-rw-r--r--", "b.txt"));
    peer.expect("DELE a.txt").wait(300).send("250 Delete operation successful.\r\n");
    peer.expect("DELE b.txt").send("250 Delete operation successful.\r\n");
    scriptRefresh(peer, "");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    auto &d = HostOps::scripted();
    // Not connected: the Delete key and the commands do nothing.
    QTest::keyClick(&h.files, Qt::Key_Delete);
    h.ops->N_RMakeDirectoryClick();
    EXPECT_TRUE(d.asked.empty());

    h.login();
    h.selectFiles({"a.txt", "b.txt"});
    bool transferShowing = true;
    h.ops->otherWork = [&transferShowing] { return transferShowing; };
    QTest::keyClick(&h.files, Qt::Key_Delete);
    h.ops->N_RRenameClick();
    h.ops->N_RChangeModeClick();
    h.ops->N_RUppercaseClick(QStringLiteral("N_RLowercase"));
    EXPECT_TRUE(d.asked.empty());

    // Another command started while one waits for the server does nothing.
    transferShowing = false;
    bool nestedRan = false;
    QTimer::singleShot(100, [&] {
        EXPECT_TRUE(h.ops->running());
        d.pushAccept(QStringLiteral("z.txt"));
        h.ops->N_RRenameClick();
        h.ops->N_RMakeDirectoryClick();
        nestedRan = true;
    });
    d.pushButton(BtnYes);
    QTest::keyClick(&h.files, Qt::Key_Delete);   // the Delete key deletes
    EXPECT_TRUE(nestedRan);
    EXPECT_EQ(d.asked.size(), 1u);
    EXPECT_FALSE(h.ops->running());
    EXPECT_TRUE(h.fileNames().isEmpty());
    d.clear();
    end(h, peer);
}

TEST(HostFileOps, PermissionWindowAsksForThePlainListingWhenOptionsAreRefused)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "f.txt"));
    peer.expect("PWD").send("257 \"/\" is the current directory\r\n");
    peer.expect().send("200 PORT command successful.\r\n");
    peer.expect("LIST -lai f.txt").send("550 No such file or directory.\r\n");
    peer.expect().send("200 PORT command successful.\r\n");
    peer.expect("LIST f.txt").send("150 Here comes the listing.\r\n");
    peer.dataConnect().dataSend(fileLine("-rw-r--r--", "f.txt")).dataClose().send("226 Directory send OK.\r\n");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"f.txt"});
    h.inChmodWindow = [](TChmodForm &) { return int(QDialog::Accepted); };   // OK, unchanged
    h.ops->N_RChangeModeClick();
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
    end(h, peer);
}

TEST(HostFileOps, PermissionListingInTwoSegmentsAfterASummaryLine)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rwsr-xr-x", "run.sh"));
    peer.expect("PWD").send("257 \"/\" is the current directory\r\n");
    peer.expect().send("200 PORT command successful.\r\n");
    peer.expect("LIST -lai run.sh").send("150 Here comes the listing.\r\n");
    peer.dataConnect().dataSend("total 8\r\n1048602 -rwsr-x", 300).dataSend("r-x   3 kim   staff   4096 Mar 04  2021 run.sh\r\n");
    peer.dataClose().send("226 Directory send OK.\r\n");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"run.sh"});
    h.inChmodWindow = [](TChmodForm &) { return int(QDialog::Accepted); };   // OK, unchanged: nothing sent
    h.ops->N_RChangeModeClick();
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
    end(h, peer);
}

TEST(HostFileOps, PermissionListingWithAnOwnerNamePast261Bytes)
{
    const std::string owner(300, 'o');
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "f.txt"));
    peer.expect("PWD").send("257 \"/\" is the current directory\r\n");
    peer.expect().send("200 PORT command successful.\r\n");
    peer.expect("LIST -lai f.txt").send("150 Here comes the listing.\r\n");
    peer.dataConnect().dataSend(fileLine("-rw-r--r--", "f.txt", owner)).dataClose().send("226 Directory send OK.\r\n");
    peer.expect("SITE CHMOD 755 f.txt").send("200 SITE CHMOD command ok.\r\n");
    scriptRefresh(peer, fileLine("-rwxr-xr-x", "f.txt"));
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    h.selectFiles({"f.txt"});
    QString shownAfterClicks;
    h.inChmodWindow = [&shownAfterClicks](TChmodForm &form) {
        for (const char *name : {"CB_OwnerExecute", "CB_GroupExecute", "CB_OtherExecute"})
            form.findChild<QCheckBox *>(QLatin1String(name))->click();
        shownAfterClicks = form.permissionText();
        return int(QDialog::Accepted);
    };
    h.ops->N_RChangeModeClick();
    ASSERT_EQ(h.shown.size(), 1);
    EXPECT_EQ(h.shown[0].owner, QString::fromStdString(owner));
    EXPECT_EQ(h.shown[0].group, QStringLiteral("ftp"));
    EXPECT_EQ(h.shown[0].size, QStringLiteral("12 Bytes"));
    EXPECT_EQ(shownAfterClicks, QStringLiteral("755"));
    EXPECT_EQ(h.selectedFiles(), QStringList{"f.txt"});
    end(h, peer);
}

TEST(HostFileOps, PermissionMenuFollowsTheSystemReply)
{
    ScriptedPeer peer;
    scriptLogin(peer, fileLine("-rw-r--r--", "f.txt"), "215 Windows_NT");
    scriptEnd(peer);
    ASSERT_TRUE(peer.start());

    HostOps h;
    h.login();
    EXPECT_FALSE(h.changeMode.isEnabled());
    h.selectFiles({"f.txt"});
    h.ops->N_RChangeModeClick();
    EXPECT_TRUE(h.shown.isEmpty());
    end(h, peer);
}
