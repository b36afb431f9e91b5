// The reply reader and the command sender, byte by byte against a peer on loopback.

#include "recording_ui.h"
#include "reply_peer.h"

#include "platform/cp949.h"
#include "platform/winsock.h"

#include <QCoreApplication>
#include <QTimer>
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;
using kavtest::RecordingUi;
using kavtest::ReplyPeer;

namespace {

struct Connected {
    RecordingUi ui;
    Session session{ui};
    ReplyPeer &peer;

    explicit Connected(ReplyPeer &p) : peer(p)
    {
        ui.session = &session;
        EXPECT_TRUE(ws::startup());
        session.ControlSocket = ws::socket();
        EXPECT_EQ(ws::connect(session.ControlSocket, 0x7f000001, peer.port()), 0);
    }
    QStringList readAll(int replies)
    {
        QStringList out;
        for (int i = 0; i < replies; ++i) {
            EXPECT_TRUE(session.ReadReply());
            out << session.LastReply;
        }
        return out;
    }
};

} // namespace

TEST(ReplyReader, WholeRepliesFromAnySegmentation)
{
    struct Case {
        const char *name;
        QList<QByteArray> segments;
        QStringList replies;   // LastReply after each read
        QStringList logged;    // lines logged by the reader itself
    };
    const QList<Case> cases = {
        {"multi-line greeting in one segment",
         {"220-Welcome\r\n220-to the server\r\n220 Ready\r\n"},
         {"220 Ready"},
         {"[H] - 220-Welcome", "[H] - 220-to the server"}},
        {"150 and 226 in one segment are two replies",
         {"150 Opening data connection (12 bytes)\r\n226 Transfer complete\r\n"},
         {"150 Opening data connection (12 bytes)", "226 Transfer complete"},
         {}},
        {"a reply split over three segments",
         {"22", "0 Hel", "lo there\r\n"},
         {"220 Hello there"},
         {}},
        {"the last line of a multi-line reply in a third segment",
         {"211-Status\r\n", " inner line\r\n", "211 End\r\n"},
         {"211 End"},
         {"[H] - 211-Status", "[H] - inner line"}},
        {"lines ended by LF alone",
         {"230-Hi\n230 OK\n"},
         {"230 OK"},
         {"[H] - 230-Hi"}},
        {"a continuation line that looks like another code",
         {"250-First\r\n200 not the end\r\n250 End\r\n"},
         {"250 End"},
         {"[H] - 250-First", "[H] - 200 not the end"}},
        {"a bare code is a reply of its own",
         {"220\r\n220 Second\r\n"},
         {"220", "220 Second"},
         {}},
        {"blank lines between replies are skipped",
         {"\r\n200 OK\r\n"},
         {"200 OK"},
         {}},
        {"surrounding blanks and control characters are trimmed",
         {"  200 Done \t\r\n"},
         {"200 Done"},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ReplyPeer peer;
        peer.greetInSegments(c.segments, 40);
        Connected conn(peer);
        EXPECT_EQ(conn.readAll(int(c.replies.size())), c.replies);
        EXPECT_EQ(conn.ui.log, c.logged);
    }
}

TEST(ReplyReader, ClosedInTheMiddleOfAReplyLeavesItEmpty)
{
    ReplyPeer peer;
    peer.greet("220-part one\r\n220 unfinish");
    peer.closeOn("X");
    Connected conn(peer);
    ws::send(conn.session.ControlSocket, "X\r\n", 3);  // makes the peer hang up
    EXPECT_TRUE(conn.session.ReadReply());
    EXPECT_EQ(conn.session.LastReply, QString());
}

TEST(ReplyReader, KoreanTextInCodePage949)
{
    ReplyPeer peer;
    peer.greet("257 \"/" + cp949::encode(u"자료실") + "\" is current directory.\r\n");
    Connected conn(peer);
    ASSERT_TRUE(conn.session.ReadReply());
    EXPECT_EQ(conn.ui.directories, QStringList{QStringLiteral("/자료실")});
}

TEST(ReplyReader, FalseOnlyWithoutAControlConnection)
{
    RecordingUi ui;
    Session session(ui);
    EXPECT_FALSE(session.ReadReply());
}

TEST(SendCommand, TypeIsSentOnlyWhenItChanges)
{
    ReplyPeer peer;
    peer.on("TYPE", {"200 Type set\r\n"});
    Connected conn(peer);
    conn.session.replyState = rsPlain;
    for (const char *cmd : {"TYPE A", "TYPE A", "TYPE I", "TYPE I", "TYPE A"})
        conn.session.SendCommand(QString::fromLatin1(cmd));
    EXPECT_EQ(peer.commands, (QList<QByteArray>{"TYPE A", "TYPE I", "TYPE A"}));
    EXPECT_EQ(conn.session.transferType, TypeAscii);
    EXPECT_EQ(conn.ui.log.filter(QStringLiteral("[L] - TYPE")).size(), 3);
}

TEST(SendCommand, PasswordNeverReachesTheLog)
{
    ReplyPeer peer;
    peer.on("PASS", {"530 Login incorrect\r\n"});
    Connected conn(peer);
    conn.session.replyState = rsPlain;
    conn.session.SendCommand(QStringLiteral("PASS s3cret"));
    EXPECT_EQ(peer.commands, QList<QByteArray>{"PASS s3cret"});
    EXPECT_TRUE(conn.ui.log.contains(QStringLiteral("[L] - PASS (hidden)")));
    EXPECT_FALSE(conn.ui.log.join('\n').contains(QStringLiteral("s3cret")));
}

TEST(SendCommand, UnsafeOrOverlongCommandsAreNeverSent)
{
    const QString refused = QStringLiteral(
        "[L] - 네트워크 오류: 명령에 허용되지 않는 문자가 있거나 너무 길어서 보내지 않았습니다.");
    struct Case {
        const char *name;
        QString command;
        bool sent;
    };
    const QList<Case> cases = {
        {"line feed", QStringLiteral("DELE a\nDELE b"), false},
        {"carriage return", QStringLiteral("CWD a\rRMD b"), false},
        {"NUL", QStringLiteral("DELE a") + QChar(0) + QStringLiteral("b"), false},
        {"509 bytes fit", QStringLiteral("DELE ") + QString(504, QLatin1Char('x')), true},
        {"510 bytes do not", QStringLiteral("DELE ") + QString(505, QLatin1Char('x')), false},
        {"Korean counts in bytes", QStringLiteral("DELE ") + QString(253, QChar(u'가')), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ReplyPeer peer;
        peer.on("DELE", {"250 Deleted\r\n"});
        peer.on("NOOP", {"200 OK\r\n"});
        Connected conn(peer);
        conn.session.replyState = rsPlain;
        conn.session.SendCommand(QStringLiteral("NOOP"));
        conn.session.ExpectedSize = 5;
        conn.session.SendCommand(c.command);
        conn.session.SendCommand(QStringLiteral("NOOP"));  // the connection is still usable
        EXPECT_EQ(peer.commands.size(), c.sent ? 3 : 2);
        EXPECT_EQ(conn.ui.log.contains(refused), !c.sent);
        if (!c.sent) {
            EXPECT_EQ(conn.ui.log.filter(QStringLiteral("DELE")).size(), 0);
        }
    }
}

TEST(SendCommand, RefusedCommandLeavesNoStaleReply)
{
    ReplyPeer peer;
    peer.on("NOOP", {"200 OK\r\n"});
    Connected conn(peer);
    conn.session.replyState = rsPlain;
    conn.session.SendCommand(QStringLiteral("NOOP"));
    conn.session.ExpectedSize = 5;
    conn.session.replyState = rsDele;
    conn.session.SendCommand(QStringLiteral("DELE a\r\nRMD /"));
    EXPECT_EQ(conn.session.LastReply, QString());
    EXPECT_EQ(conn.session.ExpectedSize, -1);
}

TEST(Dispatch, ExpectedSizeOfARetrReply)
{
    struct Case {
        QByteArray reply;
        qint64 expected;
    };
    const QList<Case> cases = {
        {"150 Opening BINARY mode data connection for a.zip (1234 bytes)\r\n", 1234},
        {"150 Opening data connection\r\n", SizeUnknown},
        {"550 No such file\r\n", -1},
        {"125 Data connection already open (77 bytes)\r\n", 77},
        {"150 name (with paren) (5 bytes)\r\n", 5},
        {"150 x (1,048,576 bytes)\r\n", 1048576},
        {"150 x (3000000000 bytes)\r\n", 3000000000LL},
        {"150 x (no digits)\r\n", 0},
        {"150 x (99999999999999999999999 bytes)\r\n", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        ReplyPeer peer;
        peer.on("RETR", {c.reply});
        Connected conn(peer);
        conn.session.replyState = rsRetr;
        conn.session.SendCommand(QStringLiteral("RETR a.zip"));
        EXPECT_EQ(conn.session.ExpectedSize, c.expected);
        EXPECT_EQ(conn.ui.log.last(), QStringLiteral("[H] - ") + QString::fromLatin1(c.reply.trimmed()));
    }
}

TEST(Dispatch, DirectoryRepliesRefreshTheHostLists)
{
    ReplyPeer peer;
    peer.on("MKD", {"257 \"/pub/new\" created\r\n"});
    peer.on("RMD", {"250 Removed\r\n"});
    peer.on("XRMD", {"550 Not empty\r\n"});
    Connected conn(peer);
    conn.session.replyState = rsMkd;
    conn.session.SendCommand(QStringLiteral("MKD new"));
    EXPECT_EQ(conn.ui.directories, QStringList{QStringLiteral("/pub/new")});
    EXPECT_EQ(conn.ui.refreshes, 1);
    conn.session.replyState = rsRmd;
    conn.session.SendCommand(QStringLiteral("RMD new"));
    EXPECT_EQ(conn.ui.refreshes, 2);
    conn.session.SendCommand(QStringLiteral("XRMD full"));
    EXPECT_EQ(conn.ui.refreshes, 2);
}

TEST(Dispatch, ControlSocketClosedDuringTheWait)
{
    ReplyPeer peer;   // never answers NOOP
    Connected conn(peer);
    conn.session.replyState = rsPlain;
    QTimer::singleShot(100, [&conn] { conn.session.DropConnection(); });
    conn.session.SendCommand(QStringLiteral("NOOP"));
    EXPECT_EQ(conn.session.ControlSocket, ws::InvalidSocket);
    EXPECT_TRUE(conn.ui.log.contains(QStringLiteral("[H] - Cancelled blocking call")));
    EXPECT_EQ(conn.ui.log.last(), QStringLiteral("[H] - 네트워크 오류: 데이터를 받을 수 없습니다."));
    EXPECT_FALSE(conn.session.isConnected());
}

TEST(Dispatch, AntiIdleTimerRestartsAfterEveryReply)
{
    ReplyPeer peer;
    peer.on("NOOP", {"200 OK\r\n"});
    Connected conn(peer);
    conn.ui.antiIdle = true;
    conn.session.replyState = rsPlain;
    conn.session.SendCommand(QStringLiteral("NOOP"));
    EXPECT_TRUE(conn.session.noopTimer()->isActive());
    EXPECT_EQ(conn.session.noopTimer()->interval(), 90000);
}
