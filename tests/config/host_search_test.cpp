// The host search against a scripted server, for listings no real server
// sends: entries named ".", ".." and names holding "/", which are neither
// results nor entered, and the depth limit of the walk.
#include "scripted_peer.h"

#include "browse/host_search.h"
#include "ftp/session.h"
#include "platform/winsock.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

const char *const Root =
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 .\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 ..\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 ../../etc\r\n"
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 sub\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 a.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 x/y.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 ..\r\n"
    "lrwxrwxrwx   1 ftp ftp    4 Dec 10 03:04 link.txt -> a.txt\r\n";
const char *const Sub =
    "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 deeper\r\n"
    "-rwxr-xr-x   1 ftp ftp   12 Dec 10 03:04 b.txt\r\n"
    "-rw-r--r--   1 ftp ftp   12 Dec 10 03:04 last.txt";   // no line end: not used

void listing(kavtest::ScriptedPeer &peer, const std::string &dir, const std::string &lines)
{
    peer.expect("CWD " + dir).send("250 ok\r\n")
        .expect().send("200 PORT ok\r\n")
        .expect("LIST").send("150 Here it comes\r\n")
        .dataConnect().dataSend(lines).dataClose()
        .send("226 Done\r\n");
}

} // namespace

TEST(HostSearchWalk, SkipsDotNamesAndSlashesAndStopsAtTheDepthLimit)
{
    ASSERT_TRUE(ws::startup());
    kavtest::ScriptedPeer peer;
    peer.send("220 scripted\r\n")
        .expect("USER kim").send("331 pass\r\n")
        .expect("PASS secret").send("230 in\r\n")
        .expect("SYST").send("215 UNIX Type: L8\r\n");
    listing(peer, "/", Root);
    listing(peer, "/sub", Sub);
    peer.wait(300);
    ASSERT_TRUE(peer.start());

    Session session;
    QStringList log;
    QObject::connect(&session, &Session::transcript, &session,
                     [&](TranscriptSide side, const QString &text) { log << transcriptLine(side, text); });
    ASSERT_EQ(session.openControl(0x7f000001, quint16(peer.port()), 3000), Session::ConnectResult::Connected);
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
    HostSearch search(session, cb);
    // One level below the start: /sub is read, /sub/deeper is not.
    EXPECT_EQ(search.run(QStringLiteral("/"), QStringLiteral("*"), true, 1), HostSearchResult::Finished);
    EXPECT_TRUE(peer.waitDone(5000));

    EXPECT_EQ(found, (QStringList{QStringLiteral("/a.txt"), QStringLiteral("/sub/b.txt")}));
    EXPECT_EQ(letters, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(read, 2);
    std::vector<std::string> cwds;
    for (const std::string &c : peer.commands())
        if (c.rfind("CWD ", 0) == 0)
            cwds.push_back(c);
    EXPECT_EQ(cwds, (std::vector<std::string>{"CWD /", "CWD /sub"}));
    EXPECT_TRUE(log.contains(QStringLiteral("[H] - 1단계보다 깊은 디렉토리는 찾지 않습니다: /sub")))
        << log.join('\n').toStdString();
}
