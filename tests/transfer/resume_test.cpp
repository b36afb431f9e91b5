// Sizes of a download (SIZE, the listing, the 150 reply) and continued
// transfers: against pyftpdlib and vsftpd for the byte-exact resumes, against
// the scripted server for servers that refuse REST or APPE.

#include "ftp_server.h"
#include "qt_printers.h"
#include "reply_peer.h"
#include "served.h"
#include "transfer_fixture.h"

#include "transfer/resume.h"
#include "ui_trans_form.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;
using kavtest::ReplyPeer;
using kavtest::Transfers;
using kavtest::Served;
using kavtest::Server;
using kavtest::digest;
using kavtest::randomBytes;
using kavtest::readAll;
using kavtest::writeAll;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FiveGiB = 5LL * 1024 * MiB;
const QString PureFtpdAnnouncement = QStringLiteral("150 5242880.0 kbytes to download");

ScriptedDialogs &boxes() { return static_cast<ScriptedDialogs &>(dialogs()); }

// Presses the transfer window's cancel button once `bytes` have moved.
void cancelAt(TTransForm &window, qint64 bytes)
{
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [poll, &window, bytes] {
        if (window.moved() >= bytes) {
            poll->stop();
            poll->deleteLater();
            window.BB_abortClick();
        }
    });
    poll->start(1);
}

Reply reply(int code, const QString &text) { return Reply{code, text, {text}, true}; }

// A logged-in server whose root lists nothing.
void serveEmptyRoot(ReplyPeer &peer)
{
    peer.answerAsLoggedInServer("/");
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.final = "226 Transfer complete\r\n";
    peer.onData("LIST", list);
}

} // namespace

// ---- pure rules -----------------------------------------------------------

TEST(TransferSizes, SizeReplies)
{
    struct Case {
        const char *name;
        Reply reply;
        qint64 size;
    };
    const Case cases[] = {
        {"plain", reply(213, "213 12345"), 12345},
        {"zero", reply(213, "213 0"), 0},
        {"past 4 GiB", reply(213, "213 5368709120"), FiveGiB},
        {"trailing blanks trimmed", reply(213, "213 77 "), 77},
        {"no such file", reply(550, "550 Could not get file size."), -1},
        {"not understood", reply(500, "500 Unknown command."), -1},
        {"a 213 with words (a status reply, not a size)", reply(213, "213 File status okay"), -1},
        {"a 213 with a date (MDTM style)", reply(213, "213 20261210030405.123"), -1},
        {"no number at all", reply(213, "213"), -1},
        {"too large for 64 bits", reply(213, "213 99999999999999999999"), -1},
        {"never answered", Reply{}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sizeFromReply(c.reply), c.size);
    }
}

TEST(TransferSizes, WhichSizeADownloadShows)
{
    struct Case {
        const char *name;
        qint64 host, listed, announced, shown;
    };
    const Case cases[] = {
        {"SIZE first", 100, 90, 80, 100},
        {"SIZE of an empty file", 0, 90, 80, 0},
        {"no SIZE: the listing", -1, 90, 80, 90},
        {"no SIZE, no listing: the 150 reply", -1, -1, 80, 80},
        {"nothing known: the 150 reply's unknown", -1, -1, SizeUnknown, SizeUnknown},
        {"SIZE past 4 GiB over a Pure-FTPd 150", FiveGiB, -1, expectedTransferSize(PureFtpdAnnouncement), FiveGiB},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(downloadExpectedSize(c.host, c.listed, c.announced), c.shown);
    }
    // Pure-FTPd announces kilobytes without "(N bytes)": that is no size.
    EXPECT_EQ(expectedTransferSize(PureFtpdAnnouncement), SizeUnknown);
    EXPECT_EQ(expectedTransferSize(QStringLiteral("150 Opening BINARY mode data connection for big.iso (5368709120 bytes)")),
              FiveGiB);
}

TEST(TransferSizes, ListedSizesOfFiles)
{
    struct Case {
        const char *name;
        const char *line;
        qint64 size;
    };
    const Case cases[] = {
        {"pyftpdlib", "-rw-r--r--   1 ftp      ftp            12 Dec 10 03:04 hello.txt", 12},
        {"vsftpd, numeric owner", "-rw-r--r--    1 102      105            12 Dec 10 03:05 hello.txt", 12},
        {"past 4 GiB", "-rw-r--r--   1 ftp ftp 5368709120 Dec 10 03:04 big.iso", FiveGiB},
        {"executable", "-rwxr-xr-x   1 ftp ftp 4096 Dec 10 03:04 run", 4096},
        {"no group column: the size is the field before the date", "-rw-r--r--   1 ftp 12 Dec 10 03:04 hello.txt", 12},
        {"a directory has none", "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 pub", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto entry = classifyListingLine(QString::fromUtf8(c.line));
        ASSERT_TRUE(entry.has_value());
        EXPECT_EQ(entry->size, c.size);
    }
}

TEST(TransferSizes, TheWindowShowsSizesPast4GiB)
{
    TTransForm window;
    window.begin(QStringLiteral("big.iso"), downloadExpectedSize(FiveGiB, -1, expectedTransferSize(PureFtpdAnnouncement)),
                 QStringLiteral("/tmp/big.iso"));
    window.progress(4LL * 1024 * MiB, true);
    EXPECT_EQ(window.form()->L_Lsize->text(), QStringLiteral("5368709120 Bytes"));
    EXPECT_EQ(window.form()->L_Rsize->text(), QStringLiteral("4294967296 Bytes"));
    EXPECT_EQ(window.gauge(), 80);   // not full at 4 GiB of 5
    window.progress(FiveGiB, true);
    EXPECT_EQ(window.form()->L_Rsize->text(), QStringLiteral("5368709120 Bytes"));
    EXPECT_EQ(window.gauge(), 100);
}

TEST(TransferSizes, ResumeRules)
{
    struct Case {
        const char *name;
        qint64 have, whole;
        bool continuable;
    };
    const Case cases[] = {
        {"half there", 50, 100, true},
        {"one byte short", 99, 100, true},
        {"nothing there", -1, 100, false},
        {"an empty file: start over, no question", 0, 100, false},
        {"complete", 100, 100, false},
        {"longer than the host's", 150, 100, false},
        {"host size unknown", 50, -1, false},
        {"past 4 GiB", 3LL * 1024 * MiB, FiveGiB, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(continuable(c.have, c.whole), c.continuable);
    }
    EXPECT_EQ(resumeChoiceOf(BtnYes), ResumeChoice::Resume);
    EXPECT_EQ(resumeChoiceOf(BtnNo), ResumeChoice::Overwrite);
    EXPECT_EQ(resumeChoiceOf(BtnCancel), ResumeChoice::Skip);
    EXPECT_EQ(downloadResumeQuestion(QStringLiteral("자료.zip"), 1000, 5000),
              QStringLiteral("[주의] - 이어받기\r\n파일 '자료.zip'가 로컬에 이미 있습니다. (로컬 1000 Bytes, 호스트 5000 Bytes)\r\n"
                             "받다가 중단된 파일을 이어서 받으시겠습니까 ?\r\n"
                             "([예] 이어받기, [아니요] 처음부터 다시 받기, [취소] 받지 않고 건너뛰기)"));
    EXPECT_EQ(uploadResumeQuestion(QStringLiteral("자료.zip"), 1000, 5000),
              QStringLiteral("[주의] - 이어올리기\r\n파일 '자료.zip'가 호스트에 이미 있습니다. (호스트 1000 Bytes, 로컬 5000 Bytes)\r\n"
                             "보내다가 중단된 파일을 이어서 보내시겠습니까 ?\r\n"
                             "([예] 이어올리기, [아니요] 처음부터 다시 보내기, [취소] 보내지 않고 건너뛰기)"));
}

// ---- the scripted server ------------------------------------------------------

TEST(TransferSizes, SizeThenListingThenAnnouncementAgainstAServer)
{
    struct Case {
        const char *name;
        QByteArray sizeReply;     // empty: the peer's 550
        QByteArray listedSize;    // the listing's field 5
        bool throughListing;      // picked in the host list (else a typed name)
        QByteArray preliminary;
        bool ascii;
        qint64 shown;
    };
    const QList<Case> cases = {
        {"SIZE", "213 5368709120\r\n", "77", true, "150 Opening (9 bytes)\r\n", false, FiveGiB},
        {"SIZE over Pure-FTPd's 150", "213 5368709120\r\n", "77", false, PureFtpdAnnouncement.toUtf8() + "\r\n", false,
         FiveGiB},
        {"no SIZE: the listing", "", "5368709120", true, "150 Opening (9 bytes)\r\n", false, FiveGiB},
        {"no SIZE, a typed name: the 150 reply", "", "77", false, "150 Opening (9 bytes)\r\n", false, 9},
        {"no SIZE, Pure-FTPd's 150: unknown", "", "77", false, PureFtpdAnnouncement.toUtf8() + "\r\n", false,
         SizeUnknown},
        {"ASCII type asks no SIZE: the listing", "213 5368709120\r\n", "77", true, "150 Opening (9 bytes)\r\n", true, 77},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ReplyPeer peer(21);
        peer.answerAsLoggedInServer("/");
        if (!c.sizeReply.isEmpty())
            peer.on("SIZE", {c.sizeReply});
        ReplyPeer::DataReply list;
        list.preliminary = "150 Here comes the listing\r\n";
        list.data = {"-rw-r--r--   1 ftp ftp " + c.listedSize + " Dec 10 03:04 big.txt\r\n"};
        list.final = "226 Transfer complete\r\n";
        peer.onData("LIST", list);
        ReplyPeer::DataReply retr;
        retr.preliminary = c.preliminary;
        retr.data = {"123456789"};
        retr.final = "226 Transfer complete\r\n";
        peer.onData("RETR", retr);
        Transfers t(dir.path());
        if (c.ascii)
            t.host.ascii.add(QStringLiteral("TXT"));
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        if (c.throughListing) {
            t.selectHost({QStringLiteral("big.txt")});
            t.commands->SB_RightLeftClick();
        } else {
            EXPECT_TRUE(t.engine->ReceiveFile(QStringLiteral("big.txt"), dir.filePath(QStringLiteral("big.txt")), false));
        }
        EXPECT_EQ(readAll(dir.filePath(QStringLiteral("big.txt"))), QByteArray("123456789"));
        EXPECT_EQ(t.window.expected(), c.shown);
        EXPECT_EQ(t.window.form()->L_Lsize->text(), QString::number(c.shown) + QStringLiteral(" Bytes"));
        EXPECT_EQ(peer.commands.contains("SIZE big.txt"), !c.ascii);
    }
}

TEST(TransferResume, ADownloadTheServerWillNotRestartComesWhole)
{
    QTemporaryDir dir;
    ReplyPeer peer(21);
    serveEmptyRoot(peer);
    peer.on("SIZE", {"213 100\r\n"});
    peer.on("REST", {"502 REST not implemented.\r\n"});
    const QByteArray whole = randomBytes(100, 1);
    ReplyPeer::DataReply retr;
    retr.preliminary = "150 Opening BINARY mode data connection (100 bytes)\r\n";
    retr.data = {whole};
    retr.final = "226 Transfer complete\r\n";
    peer.onData("RETR", retr);
    const QString local = dir.filePath(QStringLiteral("part.bin"));
    writeAll(local, whole.left(40));
    Transfers t(dir.path());
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    boxes().clear();
    boxes().pushButton(BtnYes);
    EXPECT_TRUE(t.engine->ReceiveFile(QStringLiteral("part.bin"), local, true, TransferEngine::Existing::OfferResume));
    ASSERT_EQ(boxes().asked.size(), 1u);
    EXPECT_EQ(boxes().asked[0].text, downloadResumeQuestion(QStringLiteral("part.bin"), 40, 100));
    EXPECT_EQ(boxes().asked[0].buttons, BtnYes | BtnNo | BtnCancel);
    EXPECT_EQ(readAll(local), whole);   // not the 40 bytes and then the whole again
    const qsizetype rest = peer.commands.indexOf("REST 40");
    ASSERT_GE(rest, 0);
    EXPECT_EQ(peer.commands.value(rest + 1), QByteArray("RETR part.bin"));
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[H] - 서버가 이어받기(REST)를 받아들이지 않아 파일을 처음부터 받습니다.")));
    EXPECT_EQ(t.window.moved(), 100);
}

TEST(TransferResume, AnUploadTheServerWillNotRestartAppendsOrComesWhole)
{
    struct Case {
        const char *name;
        bool appeKnown;
        QList<QByteArray> after;   // the commands after REST
        bool toldWhole;
    };
    const QList<Case> cases = {
        {"APPE continues", true, {"APPE /up.bin"}, false},
        {"no APPE either: the whole file", false, {"APPE /up.bin", "PORT", "STOR /up.bin"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ReplyPeer peer(21);
        serveEmptyRoot(peer);
        peer.on("SIZE", {"213 400\r\n"});
        peer.on("REST", {"502 REST not implemented.\r\n"});
        ReplyPeer::DataReply store;
        store.preliminary = "150 Ok to send data\r\n";
        store.gapMs = 300;   // the data goes out before the server closes
        store.data = {QByteArray()};
        store.final = "226 Transfer complete\r\n";
        if (c.appeKnown)
            peer.onData("APPE", store);
        else
            peer.on("APPE", {"502 APPE not implemented.\r\n"});
        peer.onData("STOR", store);
        writeAll(dir.filePath(QStringLiteral("up.bin")), randomBytes(1000, 2));
        Transfers t(dir.path());
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        boxes().clear();
        boxes().pushButton(BtnYes);
        t.host.selected = {QStringLiteral("up.bin")};
        t.commands->SB_LeftRightClick();
        ASSERT_EQ(boxes().asked.size(), 1u);
        EXPECT_EQ(boxes().asked[0].text, uploadResumeQuestion(QStringLiteral("up.bin"), 400, 1000));
        const qsizetype rest = peer.commands.indexOf("REST 400");
        ASSERT_GE(rest, 0);
        QList<QByteArray> after = peer.commands.mid(rest + 1, c.after.size());
        for (QByteArray &line : after)
            if (line.startsWith("PORT "))
                line = "PORT";
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(t.window.moved(), 1000);
        EXPECT_EQ(t.ui.log.contains(QStringLiteral("[H] - 서버가 이어올리기(REST, APPE)를 받아들이지 않아 파일을 처음부터 보냅니다.")),
                  c.toldWhole);
        EXPECT_EQ(peer.commands.contains("STOR /up.bin"), !c.appeKnown);
    }
}

// ---- real servers -------------------------------------------------------------

namespace {

class BothServers : public ::testing::TestWithParam<Server> {};

} // namespace

TEST_P(BothServers, ACancelledDownloadResumesByteExact)
{
    Served s;
    ASSERT_TRUE(s.start(GetParam()));
    const QByteArray data = randomBytes(64 * MiB, 31);
    writeAll(s.homeDir() + "/big.bin", data);
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};   // image type
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    boxes().clear();

    t.selectHost({"big.bin"});
    cancelAt(t.window, 32 * MiB);
    t.commands->SB_RightLeftClick();
    EXPECT_FALSE(t.session.isConnected());   // a cancelled download ends the session
    const qint64 partial = QFileInfo(s.localDir() + "/big.bin").size();
    std::printf("[ measure  ] download cancelled at %lld of %lld bytes\n", partial, 64 * MiB);
    ASSERT_GT(partial, 0);
    ASSERT_LT(partial, 64 * MiB);
    EXPECT_TRUE(boxes().asked.empty());   // nothing was there to continue
    EXPECT_EQ(readAll(s.localDir() + "/big.bin"), data.left(partial));

    t.login();
    ASSERT_TRUE(t.session.isConnected());
    boxes().pushButton(BtnYes);
    t.selectHost({"big.bin"});
    t.commands->SB_RightLeftClick();
    ASSERT_EQ(boxes().asked.size(), 1u);
    EXPECT_EQ(boxes().asked[0].text, downloadResumeQuestion(QStringLiteral("big.bin"), partial, 64 * MiB));
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - REST ") + QString::number(partial)));
    EXPECT_EQ(digest(readAll(s.localDir() + "/big.bin")), digest(data));
    EXPECT_EQ(t.window.expected(), 64 * MiB);
    EXPECT_EQ(t.window.moved(), 64 * MiB);
    EXPECT_TRUE(t.session.isConnected());
}

TEST_P(BothServers, ACancelledUploadResumesByteExact)
{
    Served s;
    ASSERT_TRUE(s.start(GetParam()));
    const QByteArray data = randomBytes(64 * MiB, 37);
    writeAll(s.localDir() + "/big.bin", data);
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};   // image type
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    boxes().clear();

    t.host.selected = {"big.bin"};
    cancelAt(t.window, 32 * MiB);
    t.commands->SB_LeftRightClick();
    ASSERT_TRUE(t.session.isConnected());   // a cancelled upload keeps it
    const qint64 partial = QFileInfo(s.homeDir() + "/big.bin").size();
    std::printf("[ measure  ] upload cancelled at %lld of %lld bytes\n", partial, 64 * MiB);
    ASSERT_GT(partial, 0);
    ASSERT_LT(partial, 64 * MiB);
    EXPECT_EQ(readAll(s.homeDir() + "/big.bin"), data.left(partial));

    boxes().clear();
    boxes().pushButton(BtnYes);
    t.commands->SB_LeftRightClick();
    ASSERT_EQ(boxes().asked.size(), 1u);
    EXPECT_EQ(boxes().asked[0].text, uploadResumeQuestion(QStringLiteral("big.bin"), partial, 64 * MiB));
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - REST ") + QString::number(partial)));
    EXPECT_EQ(digest(readAll(s.homeDir() + "/big.bin")), digest(data));
    EXPECT_EQ(t.window.moved(), 64 * MiB);
}

INSTANTIATE_TEST_SUITE_P(Servers, BothServers, ::testing::Values(Server::Pyftpdlib, Server::Vsftpd),
                         [](const auto &info) {
                             return std::string(info.param == Server::Pyftpdlib ? "pyftpdlib" : "vsftpd");
                         });

TEST(TransferResume, TheThreeAnswersPerFileOfABatch)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    const QByteArray a = randomBytes(300000, 41), b = randomBytes(200000, 43), c = randomBytes(100000, 47);
    writeAll(s.homeDir() + "/a.bin", a);
    writeAll(s.homeDir() + "/b.bin", b);
    writeAll(s.homeDir() + "/c.bin", c);
    // Partial copies, each with a wrong last byte: only a continued file keeps it.
    auto damaged = [](const QByteArray &bytes, qint64 n) {
        QByteArray part = bytes.left(n);
        part[n - 1] = char(~part[n - 1]);
        return part;
    };
    writeAll(s.localDir() + "/a.bin", damaged(a, 1000));
    writeAll(s.localDir() + "/b.bin", damaged(b, 2000));
    writeAll(s.localDir() + "/c.bin", damaged(c, 3000));
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};
    t.login();
    boxes().clear();
    boxes().pushButton(BtnYes);      // a: continue
    boxes().pushButton(BtnNo);       // b: start over
    boxes().pushButton(BtnCancel);   // c: skip, and the batch goes on past it
    t.selectHost({"a.bin", "b.bin", "c.bin"});
    t.commands->SB_RightLeftClick();
    ASSERT_EQ(boxes().asked.size(), 3u);
    EXPECT_EQ(boxes().asked[2].text, downloadResumeQuestion(QStringLiteral("c.bin"), 3000, 100000));
    QByteArray continued = damaged(a, 1000) + a.mid(1000);
    EXPECT_EQ(readAll(s.localDir() + "/a.bin"), continued);
    EXPECT_EQ(readAll(s.localDir() + "/b.bin"), b);
    EXPECT_EQ(readAll(s.localDir() + "/c.bin"), damaged(c, 3000));
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 파일 '") + s.localDir() + QStringLiteral("/c.bin' 는 받지 않고 건너뜁니다.")));
    EXPECT_EQ(t.ui.log.filter(QStringLiteral("[L] - REST ")), QStringList{QStringLiteral("[L] - REST 1000")});
    EXPECT_TRUE(t.session.isConnected());
}

TEST(TransferResume, NeverInAsciiTypeNorForAWorkingCopy)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    writeAll(s.homeDir() + "/notes.txt", "line one\nline two\n");
    writeAll(s.homeDir() + "/data.bin", randomBytes(5000, 53));
    writeAll(s.localDir() + "/notes.txt", "line");
    writeAll(s.localDir() + "/data.bin", "da");
    Transfers t(s.localDir());
    t.host.ascii.add(QStringLiteral("TXT"));
    t.login();
    boxes().clear();
    t.selectHost({"notes.txt"});
    t.commands->SB_RightLeftClick();
    EXPECT_EQ(readAll(s.localDir() + "/notes.txt"), QByteArray("line one\nline two\n"));
    // A transfer the user did not start from the panes (a remote edit's copy) asks nothing.
    EXPECT_TRUE(t.engine->ReceiveFile(QStringLiteral("data.bin"), s.localDir() + "/data.bin", true));
    EXPECT_EQ(readAll(s.localDir() + "/data.bin"), readAll(s.homeDir() + "/data.bin"));
    EXPECT_TRUE(boxes().asked.empty());
    EXPECT_TRUE(t.ui.log.filter(QStringLiteral("[L] - REST")).isEmpty());
    EXPECT_FALSE(t.ui.log.contains(QStringLiteral("[L] - SIZE notes.txt")));
}

TEST(TransferResume, ADownloadBrokenByTheServerResumesByteExact)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    const QByteArray data = randomBytes(64 * MiB, 59);
    writeAll(s.homeDir() + "/big.bin", data);
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};
    t.login();
    boxes().clear();
    // The server goes away at about half (a restart, a dropped line).
    auto *poll = new QTimer(&t.window);
    QObject::connect(poll, &QTimer::timeout, &t.window, [poll, &t, &s] {
        if (t.window.moved() >= 32 * MiB) {
            poll->stop();
            s.py->stop();
        }
    });
    poll->start(1);
    t.selectHost({"big.bin"});
    t.commands->SB_RightLeftClick();
    delete poll;
    const qint64 partial = QFileInfo(s.localDir() + "/big.bin").size();
    ASSERT_GT(partial, 0);
    ASSERT_LT(partial, 64 * MiB);
    EXPECT_EQ(readAll(s.localDir() + "/big.bin"), data.left(partial));

    // The window ends the broken session once the handler has returned.
    QCoreApplication::processEvents();
    EXPECT_FALSE(t.session.hasControlConnection());
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    t.login();
    ASSERT_TRUE(t.session.isConnected()) << t.ui.log.join(QLatin1Char('\n')).toStdString();
    boxes().pushButton(BtnYes);
    t.selectHost({"big.bin"});
    t.commands->SB_RightLeftClick();
    ASSERT_EQ(boxes().asked.size(), 1u);
    EXPECT_EQ(digest(readAll(s.localDir() + "/big.bin")), digest(data));
}
