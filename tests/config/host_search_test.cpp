// The host search against a scripted server, for listings no real server
// sends: entries named ".", ".." and names holding "/", which are neither
// results nor entered, and the depth limit of the walk.
#include "reply_peer.h"

#include "browse/host_search.h"
#include "ftp/session.h"
#include "remotefs/ftp_fs.h"
#include "platform/winsock.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

// Every directory of this server lists the same entries, so "sub" is always
// there one level further down: only the depth limit ends the walk.
const QByteArray Listing =
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 .\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 ..\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 ../../etc\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 sub\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 a.txt\r\n"
    "-rwxr-xr-x   1 ftp ftp   12 Dec 10 03:04 b.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 x/y.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 ..\r\n"
    "lrwxrwxrwx   1 ftp ftp    4 Dec 10 03:04 link.txt -> a.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 last.txt";   // no line end: never used

} // namespace

TEST(HostSearchWalk, SkipsDotNamesAndSlashesAndStopsAtTheDepthLimit)
{
    ASSERT_TRUE(ws::startup());
    kavtest::ReplyPeer peer;
    peer.answerAsLoggedInServer();
    peer.onData("LIST", {"150 Here it comes\r\n", {Listing}, "226 Done\r\n"});

    Session session;
    QStringList log;
    QObject::connect(&session, &Session::transcript, &session,
                     [&](TranscriptSide side, const QString &text) { log << transcriptLine(side, text); });
    ASSERT_EQ(session.openControl(0x7f000001, peer.port(), 3000), Session::ConnectResult::Connected);
    ASSERT_EQ(session.readReply().code, 220);
    QString system;
    ASSERT_EQ(session.login(QStringLiteral("kim"), QStringLiteral("secret"), &system), Session::LoginResult::LoggedIn);
    ASSERT_TRUE(session.readLocalAddress());

    QStringList found, letters;
    int read = 0;
    HostSearchCallbacks cb;
    cb.directoryRead = [&](int n) { read = n; };
    cb.found = [&](const QString &path, const QString &letter, int) {
        found << path;
        letters << letter;
    };
    cb.isAscii = [](const QString &e) { return e == QStringLiteral("TXT"); };
    FtpFs fs(session);
    HostSearch search(fs, cb);
    // Two levels below the start are read; the third is not.
    EXPECT_EQ(search.run(QStringLiteral("/"), QStringLiteral("*"), true, 2), HostSearchResult::Finished);

    // A link is found by its name like a file (the server follows it on RETR) but never
    // entered: a link to a directory above would make the walk endless.
    EXPECT_EQ(found, (QStringList{QStringLiteral("/a.txt"), QStringLiteral("/b.txt"), QStringLiteral("/link.txt"),
                                  QStringLiteral("/sub/a.txt"), QStringLiteral("/sub/b.txt"),
                                  QStringLiteral("/sub/link.txt"), QStringLiteral("/sub/sub/a.txt"),
                                  QStringLiteral("/sub/sub/b.txt"), QStringLiteral("/sub/sub/link.txt")}));
    EXPECT_EQ(letters, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"),
                                    QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"),
                                    QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(read, 3);
    QList<QByteArray> cwds;
    for (const QByteArray &c : peer.commands)
        if (c.startsWith("CWD "))
            cwds << c;
    EXPECT_EQ(cwds, (QList<QByteArray>{"CWD /", "CWD /sub", "CWD /sub/sub"}));
    EXPECT_TRUE(log.contains(QStringLiteral("[H] - 2단계보다 깊은 디렉토리는 찾지 않습니다: /sub/sub")))
        << log.join('\n').toStdString();
}
