// The remote file system over FTP against pyftpdlib on 127.0.0.1:21 of this
// executable's own network namespace: the cases every protocol passes
// (fs_contract.h), then FTP's own: the very commands the panes have always
// sent, and the fallbacks for servers that lack MLSD, REST or APPE.

#include "fs_contract.h"
#include "ftp_server.h"
#include "recording_ui.h"

#include "ftp/session.h"
#include "remotefs/ftp_fs.h"
#include "platform/winsock.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

struct FtpPeer {
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    kavtest::RecordedSession client;
    FtpFs fs{client.session};
    QString root = QString::fromStdString(home.path());

    // Answers `command` with `reply` instead of carrying it out.
    FtpPeer &answer(const std::string &command, const std::string &reply)
    {
        server.answer(command, reply);
        return *this;
    }
    ::testing::AssertionResult login()
    {
        EXPECT_TRUE(ws::startup());
        server.addUser("kim", "secret", home.path());
        if (auto started = server.start(); !started)
            return started;
        kav::SessionProfile &p = client.profile();
        p.HostName = QStringLiteral("h");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        client.flow.BB_ConnectClick(false);
        if (!fs.connected())
            return ::testing::AssertionFailure() << client.ui.log.join('\n').toStdString();
        // Files move in the transfer type in force; image type moves their bytes exactly.
        fs.setTransferType(int(TransferType::Image));
        return ::testing::AssertionSuccess();
    }
    kavtest::FsUnderTest underTest() { return {fs, root}; }
    // The commands sent since `from`, as the transcript shows them, without
    // those of the data connection's mode (PORT, EPRT, EPSV, PASV).
    QStringList sent(qsizetype from) const
    {
        static const QRegularExpression mode(QStringLiteral("^(PORT|EPRT|EPSV|PASV)\\b"));
        QStringList out;
        for (qsizetype i = from; i < client.ui.log.size(); ++i)
            if (client.ui.log[i].startsWith(QLatin1String("[L] - ")) && !client.ui.log[i].mid(6).contains(mode))
                out << client.ui.log[i].mid(6);
        return out;
    }
    qsizetype mark() const { return client.ui.log.size(); }
};

#define CONTRACT_CASE(name)                  \
    TEST(FtpFsContract, name)                \
    {                                        \
        FtpPeer peer;                        \
        ASSERT_TRUE(peer.login());           \
        kavtest::name(peer.underTest());     \
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

// Each request goes out as the FTP commands the panes send for it, word for word.
TEST(FtpFs, SendsTheCommandsThePanesAlwaysSent)
{
    FtpPeer peer;
    ASSERT_TRUE(peer.login());
    ASSERT_TRUE(QDir(peer.root).mkpath(QStringLiteral("자료실")));
    QFile f(peer.root + QStringLiteral("/a b.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("12345");
    f.close();
    RemoteFs &fs = peer.fs;
    const struct {
        const char *what;
        std::function<void()> request;
        QStringList commands;
    } cases[] = {
        {"list", [&] { fs.list([](QList<RemoteEntry> &&, qsizetype) { return true; }); },
         {"TYPE A", "MLSD"}},
        {"report", [&] { fs.reportDirectory(); }, {"PWD"}},
        {"enter", [&] { fs.changeDirectory(QStringLiteral("자료실")); }, {QStringLiteral("CWD 자료실")}},
        {"leave", [&] { fs.changeDirectory(QStringLiteral("..")); }, {"CWD .."}},
        {"make", [&] { fs.makeDirectory(QStringLiteral("새 폴더")); }, {QStringLiteral("MKD 새 폴더")}},
        {"remove dir", [&] { fs.removeDirectory(QStringLiteral("새 폴더")); }, {QStringLiteral("RMD 새 폴더")}},
        {"chmod", [&] { fs.changeMode(QStringLiteral("a b.txt"), QStringLiteral("640")); }, {"SITE CHMOD 640 a b.txt"}},
        {"size", [&] { fs.size(QStringLiteral("a b.txt"), nullptr); }, {"SIZE a b.txt"}},
        {"time", [&] { fs.modificationTime(QStringLiteral("a b.txt"), nullptr); }, {"MDTM a b.txt"}},
        {"set time",
         [&] { fs.setModificationTime(QStringLiteral("a b.txt"), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC)); },
         {"MFMT 20200102030405 a b.txt"}},
        {"read",
         [&] {
             peer.fs.setTransferType(int(TransferType::Image));
             fs.retrieve(QStringLiteral("a b.txt"), 0, [](const char *, int) { return true; });
         },
         {"TYPE I", "RETR a b.txt"}},
        {"read on", [&] { fs.retrieve(QStringLiteral("a b.txt"), 2, [](const char *, int) { return true; }); },
         {"REST 2", "RETR a b.txt"}},
        {"rename", [&] { fs.rename(QStringLiteral("a b.txt"), QStringLiteral("c.txt")); }, {"RNFR a b.txt", "RNTO c.txt"}},
        {"delete", [&] { fs.remove(QStringLiteral("c.txt")); }, {"DELE c.txt"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const qsizetype from = peer.mark();
        c.request();
        EXPECT_EQ(peer.sent(from), c.commands);
    }
}

// A server that announces MLST but does not know MLSD is listed with LIST.
TEST(FtpFs, ListsWithListWhereMlsdIsUnknown)
{
    FtpPeer peer;
    peer.answer("MLSD", "502 Command not implemented.");
    ASSERT_TRUE(peer.login());
    QFile f(peer.root + QStringLiteral("/한글.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    QList<RemoteEntry> all;
    const qsizetype from = peer.mark();
    EXPECT_EQ(peer.fs.list([&all](QList<RemoteEntry> &&e, qsizetype) {
        all.append(e);
        return true;
    }),
              FsListing::Received);
    EXPECT_TRUE(peer.sent(from).contains("LIST"));
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first().name, QStringLiteral("한글.txt"));
}

// Continuing an upload: REST before STOR; APPE where REST is refused; and
// where neither is known, the whole file again with a word to the user.
TEST(FtpFs, ContinuesUploadsAsTheServerAllows)
{
    const QByteArray whole = "0123456789abcdef";
    const struct {
        const char *what;
        std::vector<std::pair<std::string, std::string>> answers;
        QStringList commands;
        bool toldUser;
    } cases[] = {
        {"REST taken", {}, {"REST 10", "STOR up.bin"}, false},
        {"REST refused", {{"REST", "502 Command not implemented."}}, {"REST 10", "APPE up.bin"}, false},
        {"neither",
         {{"REST", "502 Command not implemented."}, {"APPE", "502 Command not implemented."}},
         {"REST 10", "APPE up.bin", "STOR up.bin"},
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FtpPeer peer;
        for (const auto &[command, reply] : c.answers)
            peer.answer(command, reply);
        ASSERT_TRUE(peer.login());
        const QString path = peer.root + QStringLiteral("/up.bin");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(whole.left(10));
        f.close();
        const qsizetype from = peer.mark();
        const FsOpening o = peer.fs.openWrite(QStringLiteral("up.bin"), 10);
        ASSERT_TRUE(o.opened());
        const QByteArray rest = whole.mid(o.restartedAt);
        EXPECT_EQ(peer.fs.write(rest.constData(), int(rest.size())), rest.size());
        EXPECT_TRUE(peer.fs.finishTransfer().ok());
        EXPECT_EQ(peer.sent(from), c.commands);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), whole);
        EXPECT_EQ(peer.client.ui.log.contains(
                      QStringLiteral("[H] - 서버가 이어올리기(REST, APPE)를 받아들이지 않아 파일을 처음부터 보냅니다.")),
                  c.toldUser);
    }
}
