// The connect path and the login against byte-level peers on 127.0.0.1:21
// (this executable runs in its own network namespace).

#include "recording_ui.h"
#include "blackhole_peer.h"
#include "reply_peer.h"
#include "wait_until.h"

#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"

#include <QElapsedTimer>
#include <QTimer>
#include "qt_printers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kav;
using kavtest::RecordingUi;
using kavtest::ReplyPeer;

namespace {

ScriptedDialogs &boxes()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

struct Client : kavtest::RecordedSession {
    SessionProfile &profile = flow.profile;

    Client()
    {
        boxes().asked.clear();
        boxes().answers.clear();
        EXPECT_TRUE(ws::startup());
        profile.HostName = QStringLiteral("시험 서버");
        profile.HostIP = QStringLiteral("127.0.0.1");
        profile.UserId = QStringLiteral("kim");
        profile.Password = QStringLiteral("pw");
        profile.Timeout = 2;
        profile.TrialTimes = 1;
    }
    void connect() { flow.BB_ConnectClick(false); }
};

ReplyPeer *loginPeer(ReplyPeer &peer, const QByteArray &syst = "215 UNIX Type: L8\r\n")
{
    peer.greet("220 Test FTP ready\r\n");
    peer.on("USER", {"331 Password required\r\n"});
    peer.on("PASS", {"230 Logged in\r\n"});
    peer.on("SYST", {syst});
    peer.on("CWD", {"250 OK\r\n"});
    return &peer;
}

} // namespace

TEST(Connect, LogsInWithTheExactLinesAndTitles)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    Client c;
    c.profile.RemotePath = QStringLiteral("/pub");
    c.connect();
    EXPECT_EQ(c.ui.log, (QStringList{
                            "Connecting to 127.0.0.1  port 21",
                            "Connected to 127.0.0.1  port 21",
                            "[H] - 220 Test FTP ready",
                            "[L] - USER kim",
                            "[H] - 331 Password required",
                            "[L] - PASS (hidden)",
                            "[H] - 230 Logged in",
                            "[L] - SYST",
                            "[H] - 215 UNIX Type: L8",
                            "[L] - FEAT",
                            "[H] - 500 'FEAT': command not understood.",
                            "[L] - CWD /pub",
                            "[H] - 250 OK",
                        }));
    EXPECT_EQ(c.ui.caption, QStringLiteral("Kavrin Version 2.2 - 시험 서버 (127.0.0.1, kim)"));
    EXPECT_EQ(c.ui.appTitle, QStringLiteral("시험 서버 (127.0.0.1, kim)"));
    EXPECT_TRUE(c.session.isConnected());
    EXPECT_FALSE(c.ui.connectEnabled);
    EXPECT_TRUE(c.ui.disconnectEnabled);
    EXPECT_FALSE(c.ui.stop);
    EXPECT_EQ(c.ui.refreshes, 1);
    EXPECT_EQ(c.ui.hostListsLoaded, QStringList{QStringLiteral("시험 서버")});
    EXPECT_EQ(c.session.localControlAddress(), 0x7f000001u);
    EXPECT_EQ(c.flow.stopTag(), StopTag::Connected);
    EXPECT_TRUE(boxes().asked.empty());
}

TEST(Connect, StartDirectoryFollowsUseLastPath)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    peer.on("CWD", {"550 No such directory\r\n"});
    Client c;
    c.profile.UseLastPath = true;
    c.profile.LastHostFile = QStringLiteral("a.txt");
    c.connect();
    EXPECT_EQ(peer.commands.last(), QByteArray("CWD "));
    EXPECT_EQ(c.ui.selectAfterRefresh, QStringLiteral("a.txt"));
    EXPECT_TRUE(c.session.isConnected());
}

TEST(Connect, SystDecidesTheUnixCommands)
{
    struct Case {
        QByteArray reply;
        bool unixLike;
    };
    const QList<Case> cases = {
        {"215 UNIX Type: L8\r\n", true},
        {"215 Windows_NT\r\n", false},
        {"215 win32 server\r\n", false},
        {"500 SYST not understood\r\n", true},
        {"215 MACOS Peter's Server\r\n", true},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.reply.toStdString());
        ReplyPeer peer(21);
        loginPeer(peer, cs.reply);
        Client c;
        c.ui.unixCommands = !cs.unixLike;
        c.connect();
        EXPECT_EQ(c.ui.unixCommands, cs.unixLike);
    }
}

TEST(Connect, LoginFailures)
{
    struct Case {
        const char *name;
        QByteArray user, pass;
        QString box;
    };
    const QList<Case> cases = {
        {"USER refused", "530 Not allowed\r\n", "", "로그인 실패, 로그인 명을 확인하십시요."},
        {"PASS refused", "331 Password\r\n", "530 Login incorrect\r\n", "로그인 실패, 비밀번호를 확인하십시요."},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        ReplyPeer peer(21);
        peer.greet("220 Ready\r\n");
        peer.on("USER", {cs.user});
        if (!cs.pass.isEmpty())
            peer.on("PASS", {cs.pass});
        Client c;
        c.connect();
        EXPECT_EQ(boxes().messageTexts(), QStringList{cs.box});
        EXPECT_FALSE(c.session.isConnected());
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_TRUE(c.ui.connectEnabled);
        EXPECT_FALSE(c.ui.disconnectEnabled);
        EXPECT_EQ(c.ui.messageClears, 1);
        EXPECT_EQ(c.ui.saves, 1);
        EXPECT_EQ(c.ui.caption, QStringLiteral("Kavrin Version 2.2"));
        // The failed reply was logged before the box.
        EXPECT_EQ(c.ui.log.at(c.ui.clearedAt - 1),
                  QStringLiteral("[H] - ") + QString::fromLatin1((cs.pass.isEmpty() ? cs.user : cs.pass).trimmed()));
    }
}

TEST(Connect, GreetingForms)
{
    {
        SCOPED_TRACE("not 220");
        ReplyPeer peer(21);
        peer.greet("421 Too many users\r\n");
        Client c;
        c.connect();
        EXPECT_EQ(boxes().messageTexts(), QStringList{"호스트의 FTP 서버(21/TCP)에 연결을 못했습니다."});
        EXPECT_EQ(c.ui.log.last(), QStringLiteral("Connection failed 127.0.0.1"));
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_TRUE(peer.commands.isEmpty());
    }
    {
        SCOPED_TRACE("a malformed one-line greeting is not waited on");
        ReplyPeer peer(21);
        peer.greet("abc-x\r\n");
        Client c;
        QElapsedTimer clock;
        clock.start();
        c.connect();
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_EQ(boxes().messageTexts(), QStringList{"호스트의 FTP 서버(21/TCP)에 연결을 못했습니다."});
        EXPECT_FALSE(c.session.hasControlConnection());
    }
    {
        SCOPED_TRACE("bare 220, then the text");
        ReplyPeer peer(21);
        loginPeer(peer);
        peer.greetInSegments({"220\r\n", "220 Second line\r\n"}, 50);
        Client c;
        c.connect();
        EXPECT_EQ(c.ui.log.mid(2, 3), (QStringList{"[H] - 220", "[H] - 220 Second line", "[L] - USER kim"}));
    }
    {
        SCOPED_TRACE("multi-line greeting");
        ReplyPeer peer(21);
        loginPeer(peer);
        peer.greetInSegments({"220-Welcome\r\n220-", "Rules apply\r\n220 Ready\r\n"}, 50);
        Client c;
        c.connect();
        EXPECT_EQ(c.ui.log.mid(2, 4), (QStringList{"[H] - 220-Welcome", "[H] - 220-Rules apply",
                                                   "[H] - 220 Ready", "[L] - USER kim"}));
        EXPECT_TRUE(c.session.isConnected());
    }
}

TEST(Connect, NothingListening)
{
    Client c;
    c.connect();
    EXPECT_EQ(c.ui.log, (QStringList{"Connecting to 127.0.0.1  port 21", "Connection failed 127.0.0.1"}));
    EXPECT_EQ(boxes().messageTexts(), QStringList{"호스트의 FTP 서버(21/TCP)에 연결을 못했습니다."});
    EXPECT_FALSE(c.ui.stop);
    EXPECT_EQ(c.ui.fronts, 1);
    EXPECT_EQ(c.flow.stopTag(), StopTag::Failed);
}

TEST(Connect, TimeLimitOnEveryAttempt)
{
    kavtest::BlackholePeer silent;
    ASSERT_TRUE(silent.start());
    Client c;
    c.profile.Timeout = 1;
    c.profile.TrialTimes = 3;
    QElapsedTimer clock;
    clock.start();
    c.connect();
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 6000);
    EXPECT_EQ(boxes().messageTexts(),
              QStringList{"호스트의 FTP 서버(21/TCP)에 연결을 못했습니다. (시간제한 초과)"});
    EXPECT_EQ(c.ui.log.last(), QStringLiteral("Connection failed 127.0.0.1"));
    EXPECT_FALSE(c.session.hasControlConnection());
    EXPECT_FALSE(c.ui.stop);
}

TEST(Connect, StopDuringTheWaitEndsQuietly)
{
    kavtest::BlackholePeer silent;
    ASSERT_TRUE(silent.start());
    Client c;
    c.profile.Timeout = 30;
    c.profile.TrialTimes = 3;
    QTimer::singleShot(300, [&c] { c.flow.BB_StopClick(); });
    QElapsedTimer clock;
    clock.start();
    c.connect();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(boxes().asked.empty());
    EXPECT_EQ(c.ui.log.last(), QStringLiteral("Connection failed 127.0.0.1"));
    EXPECT_FALSE(c.ui.stop);
    EXPECT_FALSE(c.session.hasControlConnection());
}

TEST(Connect, RefusedBeforeTheAttempt)
{
    struct Case {
        const char *name;
        QString host, user;
        QString box;
    };
    const QList<Case> cases = {
        {"no login name", "127.0.0.1", "", "로그인 명이 없으면 호스트에 연결할 수 없습니다."},
        {"unknown host", "no-such-host.invalid", "kim", "호스트를 알 수 없습니다.  호스트 주소를 확인하세요."},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        Client c;
        c.profile.HostIP = cs.host;
        c.profile.UserId = cs.user;
        c.connect();
        EXPECT_EQ(boxes().messageTexts(), QStringList{cs.box});
        EXPECT_TRUE(c.ui.log.isEmpty());
    }
}

TEST(Connect, CancelledDialogConnectsToNothing)
{
    Client c;
    c.ui.onDialog = [] {};  // the dialog leaves HostIP empty
    c.flow.BB_ConnectClick(true);
    EXPECT_EQ(c.ui.dialogs, 1);
    EXPECT_TRUE(c.ui.log.isEmpty());
    EXPECT_TRUE(boxes().asked.empty());
}

// A server that needs no password (anonymous mirrors) logs the user in on USER:
// no PASS goes out, and the login carries on with SYST and the start directory.
TEST(Connect, LoggedInByUserAlone)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    peer.on("USER", {"230 Login successful.\r\n"});
    Client c;
    c.connect();
    EXPECT_TRUE(c.session.isConnected());
    EXPECT_TRUE(boxes().messageTexts().isEmpty());
    EXPECT_TRUE(c.ui.disconnectEnabled);
    EXPECT_TRUE(peer.commands.contains("SYST"));
    for (const QByteArray &command : peer.commands)
        EXPECT_FALSE(command.startsWith("PASS"));
}

// A server that hangs up, idle or in the middle of a reply, ends the session
// at once: one line in the log, no empty reply lines, the window as after the
// disconnect button.
TEST(Connect, ServerHangingUpEndsTheSession)
{
    for (const bool midReply : {false, true}) {
        SCOPED_TRACE(midReply ? "mid-reply" : "idle");
        ReplyPeer peer(21);
        loginPeer(peer);
        peer.on("NOOP", {"200-Still\r\n", "200 half"});
        Client c;
        c.connect();
        ASSERT_TRUE(c.session.isConnected());
        const qsizetype before = c.ui.log.size();
        if (midReply) {
            QTimer::singleShot(200, [&peer] { peer.hangUp(); });
            EXPECT_FALSE(c.session.command(QStringLiteral("NOOP")).answered);
        } else {
            peer.hangUp();
        }
        EXPECT_TRUE(kavtest::waitUntil([&] { return !c.ui.disconnectEnabled; }, 3000));
        const QStringList added = c.ui.log.mid(before);
        EXPECT_EQ(added.count(QStringLiteral("[H] - 네트워크 오류: 호스트가 연결을 끊었습니다.")), 1) << added.join('\n').toStdString();
        EXPECT_FALSE(added.contains(QStringLiteral("[H] - ")));
        EXPECT_FALSE(added.contains(QStringLiteral("[H] - 네트워크 오류: 데이터를 받을 수 없습니다.")));
        EXPECT_FALSE(c.session.isConnected());
        EXPECT_FALSE(c.session.hasControlConnection());
        EXPECT_TRUE(c.ui.connectEnabled);
        EXPECT_EQ(c.ui.hostPaneClears, 1);
        EXPECT_EQ(c.ui.caption, QStringLiteral("Kavrin Version 2.2"));
    }
}

TEST(Connect, DisconnectResetsTheWindow)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    Client c;
    c.connect();
    ASSERT_TRUE(c.session.isConnected());
    c.flow.BB_DisconnectClick();
    EXPECT_FALSE(c.session.isConnected());
    EXPECT_FALSE(c.session.hasControlConnection());
    EXPECT_EQ(c.ui.caption, QStringLiteral("Kavrin Version 2.2"));
    EXPECT_EQ(c.ui.appTitle, QStringLiteral("Kavrin Version 2.2"));
    EXPECT_EQ(c.ui.messageClears, 1);
    EXPECT_EQ(c.ui.hostPaneClears, 1);
    EXPECT_EQ(c.ui.resets, 1);
    EXPECT_EQ(c.ui.cancelResets, 1);
    EXPECT_TRUE(c.ui.connectEnabled);
    EXPECT_FALSE(c.ui.disconnectEnabled);
    // No quit command is ever sent.
    EXPECT_FALSE(peer.commands.contains("QUIT"));
}

TEST(Session, ManualTypeAndKeepAlive)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    peer.on("TYPE", {"200 Type set\r\n"});
    peer.on("NOOP", {"200 OK\r\n"});
    Client c;
    c.connect();
    c.flow.RB_binaryClick();
    c.flow.RB_binaryClick();
    EXPECT_FALSE(c.ui.autoMode);
    EXPECT_EQ(peer.commands.count("TYPE I"), 1);

    bool transferShowing = true;
    c.session.setAntiIdle(true);
    c.session.setBusyCheck([&transferShowing] { return transferShowing; });
    c.session.keepAlive();
    EXPECT_FALSE(peer.commands.contains("NOOP"));
    EXPECT_TRUE(c.session.noopTimer()->isActive());  // tried again one interval later
    transferShowing = false;
    c.session.keepAlive();
    EXPECT_TRUE(peer.commands.contains("NOOP"));
    EXPECT_TRUE(c.session.noopTimer()->isActive());  // re-armed by the reply

    c.session.setAntiIdle(false);
    c.session.keepAlive();
    EXPECT_FALSE(c.session.noopTimer()->isActive());
}

TEST(Connect, ASecondConnectWhileTheGreetingIsAwaitedDoesNothing)
{
    ReplyPeer peer(21);
    loginPeer(peer);
    Client c;
    // The greeting comes late; meanwhile the still enabled connect button is pressed.
    peer.greetInSegments({QByteArray(), "220 Slow server\r\n"}, 400);
    QTimer::singleShot(150, [&c] { c.flow.BB_ConnectClick(true); });
    c.connect();
    EXPECT_EQ(c.ui.dialogs, 0);
    EXPECT_TRUE(c.session.isConnected());
    EXPECT_EQ(c.ui.log.count(QStringLiteral("Connecting to 127.0.0.1  port 21")), 1);
}
