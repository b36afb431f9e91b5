// The host lists and the server's encoding against byte-level peers that
// answer FEAT, MLSD and LIST as real servers do (their captured answers in
// tests/fixtures/ftp-servers): which listing is asked, what the lists show,
// and in which bytes a name goes out before the server has shown any.

#include "captured_dialogue.h"
#include "reply_peer.h"
#include "wired_session.h"

#include "browse/host_pane.h"
#include "platform/cp949.h"
#include "platform/scripted_dialogs.h"
#include "remoteops/host_file_ops.h"
#include "transfer/batch_transfer.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;
using kavtest::capturedReply;
using kavtest::ReplyPeer;

namespace {

constexpr int KindRole = Qt::UserRole + 1;

QByteArray fixture(const QString &name)
{
    QFile f(QStringLiteral(KAVRIN_FIXTURES "/ftp-servers/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Pane : kavtest::WiredSession {
    Pane()
    {
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = QStringLiteral("u");
        flow.profile.Password = QStringLiteral("p");
    }
    void login() { flow.BB_ConnectClick(false); }
    static QStringList names(const HostListView &list)
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.item(i)->text();
        return out;
    }
    EntryKind kindOf(const HostListView &list, const QString &name) const
    {
        const auto found = list.findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? EntryKind(-1) : EntryKind(found.first()->data(KindRole).toInt());
    }
};

ReplyPeer::DataReply listing(const QList<QByteArray> &data)
{
    ReplyPeer::DataReply r;
    r.preliminary = "150 Opening ASCII mode data connection for file list\r\n";
    r.data = data;
    r.final = "226 Transfer complete\r\n";
    return r;
}

// A server with the FEAT answer of `server` (a capture's prefix, or netkit's
// refusal), listing `list` for LIST and `mlsd` for MLSD.
void serve(ReplyPeer &peer, const char *server, const QList<QByteArray> &list, const QList<QByteArray> &mlsd = {})
{
    peer.answerAsLoggedInServer("/");
    const QString control = QString::fromLatin1(server) + QStringLiteral("_user_control.txt");
    peer.on("FEAT", {capturedReply(control, "FEAT")});
    peer.on("OPTS UTF8 ON", {capturedReply(control, "OPTS UTF8 ON")});
    peer.on("MKD", {"257 created\r\n"});
    peer.onData("LIST", listing(list));
    peer.onData("MLSD", listing(mlsd));
}

bool sentAs(const ReplyPeer &peer, const QByteArray &command)
{
    return peer.commands.contains(command);
}

} // namespace

// The captured answers are there: a missing fixture fails, never skips.
TEST(ListingForms, CapturesArePresent)
{
    for (const char *server : {"proftpd", "pureftpd", "inetutils", "netkit"})
        EXPECT_FALSE(capturedReply(QString::fromLatin1(server) + "_user_control.txt", "FEAT").isEmpty()) << server;
}

// Before any listing has shown a Korean name, a name the user creates goes out
// in the encoding FEAT suggested: UTF-8 where the server lists UTF8, code page
// 949 on a server that does not (inetutils) or knows no FEAT (netkit).
TEST(ListingForms, FeatDecidesTheEncodingBeforeAnyNameIsShown)
{
    struct Case {
        const char *server;
        bool utf8;
        bool optsSent;
        QByteArray listingCommand;
    };
    const QList<Case> cases = {
        {"proftpd", true, true, "MLSD"},
        {"pureftpd", true, true, "MLSD"},   // lists UTF8 yet answers OPTS UTF8 ON with 504
        {"inetutils", false, false, "LIST"},
        {"netkit", false, false, "LIST"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.server);
        QTemporaryDir local;
        ASSERT_TRUE(local.isValid());
        const QString upload = QStringLiteral("보고서 2026.txt");
        QFile f(QDir(local.path()).filePath(upload));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("local text\n");
        f.close();
        QDir::setCurrent(local.path());

        ReplyPeer peer(21);
        serve(peer, c.server, {"-rw-r--r--   1 ftp ftp 12 Dec 10 03:04 readme.txt\r\n"},
              {"type=file;size=12;modify=20261210030400;UNIX.mode=0644; readme.txt\r\n"});
        ReplyPeer::DataReply stor;
        stor.preliminary = "150 Ok to send data\r\n";
        stor.gapMs = 200;
        stor.data = {QByteArray()};
        stor.final = "226 Transfer complete\r\n";
        peer.onData("STOR", stor);

        Pane p;
        p.host.directory = local.path();
        p.login();
        ASSERT_TRUE(p.session.isConnected());
        EXPECT_EQ(Pane::names(p.files), QStringList{"readme.txt"});
        EXPECT_TRUE(sentAs(peer, "FEAT"));
        EXPECT_EQ(sentAs(peer, "OPTS UTF8 ON"), c.optsSent);
        EXPECT_TRUE(sentAs(peer, c.listingCommand));
        EXPECT_EQ(p.session.serverEncoding(), c.utf8 ? Session::ServerEncoding::Utf8 : Session::ServerEncoding::Cp949);
        EXPECT_FALSE(p.session.serverEncodingShown());

        const auto bytes = [&c](const QString &name) { return c.utf8 ? name.toUtf8() : cp949::encode(name); };
        static_cast<ScriptedDialogs &>(dialogs()).pushAccept(QStringLiteral("새 폴더"));
        p.hostFileOps->N_RMakeDirectoryClick();
        EXPECT_TRUE(sentAs(peer, "MKD " + bytes(QStringLiteral("새 폴더"))));

        p.host.selected = {upload};
        p.commands->SB_LeftRightClick();
        bool stored = false;
        for (const QByteArray &command : peer.commands)
            stored = stored || (command.startsWith("STOR ") && command.endsWith(bytes(upload)));
        EXPECT_TRUE(stored) << peer.commands.join('|').toStdString();
    }
}

// The guess gives way to what the server shows: inetutils lists UTF8 nowhere
// but serves UTF-8 names; an old server may list UTF8 and still send code page 949.
TEST(ListingForms, TheServersTextOverridesTheGuess)
{
    struct Case {
        const char *server;
        QByteArray dirBytes;
        Session::ServerEncoding shown;
    };
    const QList<Case> cases = {
        {"inetutils", QStringLiteral("자료").toUtf8(), Session::ServerEncoding::Utf8},
        {"netkit", QStringLiteral("자료").toUtf8(), Session::ServerEncoding::Utf8},
        {"proftpd", cp949::encode(u"자료"), Session::ServerEncoding::Cp949},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.server);
        ReplyPeer peer(21);
        const QByteArray unixLine = "drwxr-xr-x   3 kuser    kuser        4096 Dec 10 13:21 " + c.dirBytes + "\r\n";
        const QByteArray factsLine = "modify=20261210132125;perm=flcdmpe;type=dir;UNIX.mode=0755; " + c.dirBytes + "\r\n";
        serve(peer, c.server, {unixLine}, {factsLine});
        Pane p;
        p.login();
        EXPECT_EQ(Pane::names(p.dirs), (QStringList{ParentEntry, QStringLiteral("자료")}));
        EXPECT_EQ(p.session.serverEncoding(), c.shown);
        EXPECT_TRUE(p.session.serverEncodingShown());
        p.dirs.setCurrentRow(1);
        p.pane->RDirListBoxDblClick();
        EXPECT_TRUE(sentAs(peer, "CWD " + c.dirBytes));
    }
}

// Lines no form reads (NetWare's, a cut MS-DOS line) are skipped, never shown
// as nameless rows; the lines around them are listed whatever their fields,
// and the log says once how many were skipped.
TEST(ListingForms, UnreadLinesAreSkippedAndCountedOnce)
{
    ReplyPeer peer(21);
    serve(peer, "netkit",
          {"total 3\r\n", "d [R----F--] supervisor            512       Jan 16 18:53    login\r\n",
           "drwx------ 4 maxm Domain Users 512 Oct 2 10:59 .metadata\r\n", "-rw-r--r--   1 1        3518644 May 25 12:12 std\r\n",
           "drwxr-xr-x   2 0 0 4096 Dec 10 03:04 .\r\n", "-08-14  03:09PM  <DIR> docs\r\n"});
    Pane p;
    QStringList log;
    QObject::connect(&p.session, &Session::transcript, [&log](TranscriptSide, const QString &text) { log << text; });
    p.login();
    EXPECT_EQ(Pane::names(p.files), QStringList{"std"});
    EXPECT_EQ(Pane::names(p.dirs), (QStringList{ParentEntry, QStringLiteral(".metadata")}));
    EXPECT_EQ(log.count(QStringLiteral("디렉토리 목록에서 2줄을 읽지 못했습니다")), 1) << log.join('\n').toStdString();
}

// A welcome in Korean shows the encoding before FEAT: the guess never replaces it.
TEST(ListingForms, AnEncodingShownAtLoginStays)
{
    ReplyPeer peer(21);
    serve(peer, "inetutils", {});
    peer.on("PASS", {"230-" + QStringLiteral("환영합니다").toUtf8() + "\r\n230 User logged in.\r\n"});
    Pane p;
    p.login();
    EXPECT_EQ(p.session.serverEncoding(), Session::ServerEncoding::Utf8);
    EXPECT_TRUE(p.session.serverEncodingShown());
}

// ProFTPD's and Pure-FTPd's MLSD of the captured tree: the lists hold the
// same entries of the same kinds as LIST gives, links with the directories.
TEST(ListingForms, MlsdFillsTheListsLikeList)
{
    for (const char *server : {"proftpd", "pureftpd"}) {
        SCOPED_TRACE(server);
        const QByteArray mlsd = fixture(QString::fromLatin1(server) + "_user_MLSD.txt");
        const QByteArray list = fixture(QString::fromLatin1(server) + "_user_LIST.txt");
        ASSERT_FALSE(mlsd.isEmpty());
        ASSERT_FALSE(list.isEmpty());
        QStringList dirs[2], files[2];
        QList<EntryKind> kinds[2];
        for (int viaMlsd = 0; viaMlsd < 2; ++viaMlsd) {
            ReplyPeer peer(21);
            serve(peer, viaMlsd ? server : "inetutils", {list.left(700), list.mid(700)}, {mlsd.left(500), mlsd.mid(500)});
            Pane p;
            p.login();
            EXPECT_EQ(sentAs(peer, "MLSD"), bool(viaMlsd));
            EXPECT_EQ(sentAs(peer, "LIST"), !viaMlsd);
            dirs[viaMlsd] = Pane::names(p.dirs);
            files[viaMlsd] = Pane::names(p.files);
            for (const QString &name : files[viaMlsd])
                kinds[viaMlsd] << p.kindOf(p.files, name);
            for (const QString &name : dirs[viaMlsd].mid(1))
                kinds[viaMlsd] << p.kindOf(p.dirs, name);
        }
        dirs[0].sort();
        dirs[1].sort();
        EXPECT_EQ(dirs[1], dirs[0]);
        EXPECT_EQ(files[1], files[0]);
        EXPECT_EQ(files[1], (QStringList{"big5g.bin", "rand20.bin", "run.sh", "two  spaces.txt",
                                         QStringLiteral("공백 있는 이름.txt"), QStringLiteral("한글파일.txt")}));
        EXPECT_EQ(dirs[1], (QStringList{ParentEntry, "empty dir", QStringLiteral("링크파일"), QStringLiteral("링크폴더"),
                                        QStringLiteral("자료")}));
    }
}

// A server that lists MLST but refuses MLSD as unknown is listed with LIST.
TEST(ListingForms, RefusedMlsdFallsBackToList)
{
    ReplyPeer peer(21);
    serve(peer, "proftpd", {"-rwxr-xr-x   1 kuser kuser 18 Dec 10 13:21 run.sh\r\n"});
    ReplyPeer::DataReply refused;
    refused.preliminary = "500 MLSD not understood\r\n";
    refused.connectBack = false;
    peer.onData("MLSD", refused);
    Pane p;
    p.login();
    EXPECT_TRUE(sentAs(peer, "MLSD"));
    EXPECT_TRUE(sentAs(peer, "LIST"));
    EXPECT_EQ(Pane::names(p.files), QStringList{"run.sh"});
    EXPECT_EQ(p.kindOf(p.files, "run.sh"), EntryKind::ExecutableFile);
}

// An IIS-style server: MS-DOS lines, Korean names in code page 949 (no UTF8 in
// its FEAT) or UTF-8 (listed).
TEST(ListingForms, MsDosListingOnBothEncodings)
{
    for (const bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "code page 949");
        const auto bytes = [utf8](const QString &s) { return utf8 ? s.toUtf8() : cp949::encode(s); };
        ReplyPeer peer(21);
        peer.answerAsLoggedInServer("/");
        peer.on("SYST", {"215 Windows_NT\r\n"});
        peer.on("FEAT", {utf8 ? QByteArray("211-Extensions supported:\r\n SIZE\r\n UTF8\r\n211 END\r\n")
                              : QByteArray("211-Extensions supported:\r\n SIZE\r\n211 END\r\n")});
        peer.on("OPTS UTF8 ON", {"200 OPTS UTF8 command successful - UTF8 encoding now ON.\r\n"});
        peer.onData("LIST", listing({"12-31-25  01:02PM       <DIR>          " + bytes(QStringLiteral("자료실")) + "\r\n"
                                     "12-31-25  01:02PM                12345 " + bytes(QStringLiteral("똠방각하 자료.hwp"))
                                         + "\r\n"
                                     "02-05-13  03:43PM               135680 SETUP.EXE\r\n"}));
        Pane p;
        p.login();
        EXPECT_EQ(Pane::names(p.dirs), (QStringList{ParentEntry, QStringLiteral("자료실")}));
        EXPECT_EQ(Pane::names(p.files), (QStringList{"SETUP.EXE", QStringLiteral("똠방각하 자료.hwp")}));
        EXPECT_EQ(p.kindOf(p.files, "SETUP.EXE"), EntryKind::ExecutableFile);
        EXPECT_EQ(p.kindOf(p.files, QStringLiteral("똠방각하 자료.hwp")), EntryKind::PlainFile);
        p.dirs.setCurrentRow(1);
        p.pane->RDirListBoxDblClick();
        EXPECT_TRUE(sentAs(peer, "CWD " + bytes(QStringLiteral("자료실"))));
    }
}
