// The reply reader as a pure function of bytes, and the command call against a
// byte-level peer on loopback.

#include "recording_ui.h"
#include "reply_peer.h"
#include "wait_until.h"

#include "ftp/reply.h"
#include "platform/cp949.h"
#include "platform/winsock.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>
#include "qt_printers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace kav;
using kavtest::ReplyPeer;

namespace {

// Every reply the reader gives for these segments, fed one after another.
QList<QList<QByteArray>> readAll(const QList<QByteArray> &segments, QByteArray *left = nullptr)
{
    ReplyReader reader;
    QList<QList<QByteArray>> out;
    for (const QByteArray &segment : segments) {
        reader.feed(segment);
        while (auto reply = reader.next())
            out << reply->lines;
    }
    if (left)
        *left = reader.hasPendingBytes() ? QByteArray("pending") : QByteArray();
    return out;
}

// A session connected to a peer that has answered nothing yet; commands go straight out.
struct Bare {
    kavtest::RecordedSession s;
    Session &session = s.session;
    QStringList &log = s.ui.log;

    explicit Bare(ReplyPeer &peer)
    {
        EXPECT_TRUE(ws::startup());
        EXPECT_EQ(session.openControl(0x7f000001, peer.port(), 2000), Session::ConnectResult::Connected);
    }
};

// A server on a thread of its own that sends `head` once and then `unit` over
// and over, as fast as the connection takes it, and never ends: the client's
// socket is always ready.
class FloodPeer {
public:
    FloodPeer(const QByteArray &head, const QByteArray &unit)
    {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (::bind(listener, reinterpret_cast<sockaddr *>(&sa), len) != 0 || ::listen(listener, 1) != 0
            || ::getsockname(listener, reinterpret_cast<sockaddr *>(&sa), &len) != 0)
            ADD_FAILURE() << "flood peer could not listen";
        listenPort = ntohs(sa.sin_port);
        worker = std::thread([this, head, unit] {
            const int c = ::accept(listener, nullptr, nullptr);
            if (c < 0)
                return;
            QByteArray chunk;
            while (chunk.size() < 64 * 1024)
                chunk += unit;
            bool ok = ::send(c, head.constData(), size_t(head.size()), MSG_NOSIGNAL) >= 0;
            while (ok && !stop)
                ok = ::send(c, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL) > 0;
            ::close(c);
        });
    }
    ~FloodPeer()
    {
        stop = true;
        ::shutdown(listener, SHUT_RDWR);
        ::close(listener);
        worker.join();
    }
    quint16 port() const { return listenPort; }

private:
    int listener = -1;
    quint16 listenPort = 0;
    std::atomic<bool> stop{false};
    std::thread worker;
};

} // namespace

TEST(ReplyReader, WholeRepliesFromAnySegmentation)
{
    struct Case {
        const char *name;
        QList<QByteArray> segments;
        QList<QList<QByteArray>> replies;
    };
    const QList<Case> cases = {
        {"multi-line greeting in one segment",
         {"220-Welcome\r\n220-to the server\r\n220 Ready\r\n"},
         {{"220-Welcome", "220-to the server", "220 Ready"}}},
        {"150 and 226 in one segment are two replies",
         {"150 Opening data connection (12 bytes)\r\n226 Transfer complete\r\n"},
         {{"150 Opening data connection (12 bytes)"}, {"226 Transfer complete"}}},
        {"a reply split over three segments", {"22", "0 Hel", "lo there\r\n"}, {{"220 Hello there"}}},
        {"the last line of a multi-line reply in a third segment",
         {"211-Status\r\n", " inner line\r\n", "211 End\r\n"},
         {{"211-Status", "inner line", "211 End"}}},
        {"lines ended by LF alone", {"230-Hi\n230 OK\n"}, {{"230-Hi", "230 OK"}}},
        {"a continuation line that looks like another code",
         {"250-First\r\n200 not the end\r\n250 End\r\n"},
         {{"250-First", "200 not the end", "250 End"}}},
        {"a bare code is a reply of its own", {"220\r\n220 Second\r\n"}, {{"220"}, {"220 Second"}}},
        {"a bare code closes a multi-line reply", {"220-a\r\n220\r\n"}, {{"220-a", "220"}}},
        {"blank lines between replies are skipped", {"\r\n200 OK\r\n"}, {{"200 OK"}}},
        {"surrounding blanks and control characters are trimmed", {"  200 Done \t\r\n"}, {{"200 Done"}}},
        {"a malformed line with a dash is a reply of one line", {"abc-x\r\n"}, {{"abc-x"}}},
        {"NUL ends a line", {QByteArray("200 a\0" "201 b\n", 12)}, {{"200 a"}, {"201 b"}}},
        {"no line end yet: no reply", {"200 still coming"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.segments), c.replies);
    }
}

TEST(ReplyReader, BytesAfterAReplyStayForTheNext)
{
    ReplyReader reader;
    reader.feed("150 Opening\r\n226 Do");
    ASSERT_TRUE(reader.next().has_value());
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_TRUE(reader.hasPendingBytes());
    reader.feed("ne\r\n");
    const auto last = reader.next();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->lines, QList<QByteArray>{"226 Done"});
    EXPECT_EQ(reader.unfinished().lines, QList<QByteArray>{});
    reader.feed("211-open\r\n");
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_EQ(reader.unfinished().lines, QList<QByteArray>{"211-open"});
}

TEST(ReplyReader, ALineLongerThanTheLimitIsRefusedWhereverItsEndFalls)
{
    const qsizetype limit = ReplyReader::MaxLineLength;
    struct Case {
        const char *name;
        QByteArray line;   // without its line end
        qsizetype chunk;
        bool refused;
    };
    const QList<Case> cases = {
        {"at the limit, one segment", "220 " + QByteArray(limit - 4, 'a'), limit + 2, false},
        {"at the limit, in 1000-byte segments", "220 " + QByteArray(limit - 4, 'a'), 1000, false},
        {"one byte over", "220 " + QByteArray(limit - 3, 'a'), limit + 2, true},
        {"1 MB in 4096-byte segments", "220 " + QByteArray(1 << 20, 'a'), 4096, true},
        {"1 MB in one segment", "220 " + QByteArray(1 << 20, 'a'), 2 << 20, true},
    };
    for (const Case &c : cases) {
        ReplyReader reader;
        const QByteArray bytes = c.line + "\r\n";
        for (qsizetype at = 0; at < bytes.size(); at += c.chunk)
            reader.feed(QByteArrayView(bytes).sliced(at, qMin(c.chunk, bytes.size() - at)));
        EXPECT_EQ(reader.overflowed(), c.refused) << c.name;
        EXPECT_EQ(reader.next().has_value(), !c.refused) << c.name;
    }
}

namespace {

// A multi-line reply left open: `lines` lines of `bytes` bytes in all (line ends
// included), the first "211-" alone, no closing line.
QByteArray openReply(qsizetype bytes, qsizetype lines)
{
    QByteArray out = "211-\r\n";
    const qsizetype rest = bytes - out.size();
    const qsizetype more = lines - 1;
    for (qsizetype i = 0; i < more; ++i) {
        const qsizetype length = rest / more + (i < rest % more ? 1 : 0);
        out += QByteArray(length - 2, 'x') + "\r\n";
    }
    return out;
}

} // namespace

TEST(ReplyReader, AMultiLineReplyWithoutEndIsRefusedAtItsLimits)
{
    const qsizetype size = ReplyReader::MaxReplySize;
    const qsizetype count = ReplyReader::MaxReplyLines;
    struct Case {
        const char *name;
        QByteArray open;   // all that comes before the closing line
        bool refused;
    };
    const QList<Case> cases = {
        {"at the size limit in short lines", openReply(size, size / 40), false},
        {"one byte over the size", openReply(size + 1, size / 40), true},
        {"at the line limit in empty lines", openReply(6 + (count - 1) * 2, count), false},
        {"one empty line over", openReply(6 + count * 2, count + 1), true},
        {"8 MB of short lines", openReply(8 * size, 8 * size / 10), true},
    };
    for (const Case &c : cases) {
        for (const qsizetype chunk : {qsizetype(4096), 9 * size}) {
            SCOPED_TRACE(std::string(c.name) + ", segments of " + std::to_string(chunk));
            ReplyReader reader;
            const QByteArray bytes = "200 before\r\n" + c.open + "211 End\r\n200 after\r\n";
            for (qsizetype at = 0; at < bytes.size(); at += chunk)
                reader.feed(QByteArrayView(bytes).sliced(at, qMin(chunk, bytes.size() - at)));
            EXPECT_EQ(reader.overflow(), c.refused ? ReplyReader::Overflow::Reply : ReplyReader::Overflow::None);
            // The reply before stays readable; nothing after an overlong reply is read.
            const auto before = reader.next();
            ASSERT_TRUE(before.has_value());
            EXPECT_EQ(before->lines, QList<QByteArray>{"200 before"});
            const auto open = reader.next();
            EXPECT_EQ(open.has_value(), !c.refused);
            if (open) {
                EXPECT_EQ(open->lines.size(), c.open.count('\n') + 1);
                EXPECT_EQ(open->lines.last(), "211 End");
                EXPECT_EQ(reader.next()->lines, QList<QByteArray>{"200 after"});
            }
            EXPECT_FALSE(reader.next().has_value());
            EXPECT_TRUE(reader.unfinished().lines.isEmpty());
        }
    }
}

TEST(ReplyRules, CodeAndExpectedSize)
{
    struct Case {
        QString reply;
        qint64 expected;
    };
    const QList<Case> cases = {
        {"150 Opening BINARY mode data connection for a.zip (1234 bytes)", 1234},
        {"150 Opening data connection", SizeUnknown},
        {"125 Data connection already open (77 bytes)", 77},
        {"150 name (with paren) (5 bytes)", 5},
        {"150 x (1,048,576 bytes)", 1048576},
        {"150 x (3000000000 bytes)", 3000000000LL},
        {"150 x (5000000000 bytes)", 5000000000LL},
        {"150 x (no digits)", 0},
        {"150 x (99999999999999999999999 bytes)", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(expectedTransferSize(c.reply), c.expected) << c.reply.toStdString();

    EXPECT_EQ(replyCode("226 Done"), 226);
    EXPECT_EQ(replyCode("220"), 220);
    EXPECT_EQ(replyCode("22"), 0);
    EXPECT_EQ(replyCode("abc-x"), 0);
    EXPECT_EQ(replyCode("2a0 x"), 0);
}

TEST(ReadReply, LogsContinuationLinesAndLeavesTheLastToTheCaller)
{
    ReplyPeer peer;
    peer.greetInSegments({"211-Status\r\n", " inner line\r\n", "211 End\r\n"}, 40);
    Bare b(peer);
    const Reply reply = b.session.readReply();
    EXPECT_EQ(reply.text, QStringLiteral("211 End"));
    EXPECT_EQ(reply.code, 211);
    EXPECT_EQ(b.log, (QStringList{"[H] - 211-Status", "[H] - inner line"}));
}

TEST(ReadReply, ClosedInTheMiddleOfAReplyLeavesItEmpty)
{
    ReplyPeer peer;
    peer.greet("220-part one\r\n220 unfinish");
    peer.closeOn("X");
    Bare b(peer);
    const Reply reply = b.session.command(QStringLiteral("X"));   // makes the peer hang up
    EXPECT_FALSE(reply.answered);
    EXPECT_TRUE(reply.text.isEmpty());
    EXPECT_TRUE(b.s.ui.log.contains(QStringLiteral("[H] - 220-part one")));
    // The close is said once; no empty reply line is shown, and the session is over.
    EXPECT_EQ(b.log.last(), QStringLiteral("[H] - 네트워크 오류: 호스트가 연결을 끊었습니다."));
    EXPECT_FALSE(b.log.contains(QStringLiteral("[H] - ")));
    EXPECT_FALSE(b.session.hasControlConnection());
}

TEST(ReadReply, KoreanTextInCodePage949)
{
    ReplyPeer peer;
    peer.greet("257 \"/" + cp949::encode(u"자료실") + "\" is current directory.\r\n");
    Bare b(peer);
    const Reply reply = b.session.readReply();
    EXPECT_EQ(reply.text, QStringLiteral("257 \"/자료실\" is current directory."));
    EXPECT_EQ(b.s.directories, QStringList{QStringLiteral("/자료실")});
    EXPECT_EQ(b.session.serverEncoding(), Session::ServerEncoding::Cp949);
}

TEST(ReadReply, AnOverlongLineDropsTheConnection)
{
    ReplyPeer peer;
    peer.on("NOOP", {"200 " + QByteArray(1 << 20, 'x') + "\r\n"});
    Bare b(peer);
    QSignalSpy ended(&b.session, &Session::closedByServer);
    const Reply reply = b.session.command(QStringLiteral("NOOP"));
    EXPECT_FALSE(reply.answered);
    EXPECT_FALSE(b.session.hasControlConnection());
    // One line says why; the session ends as after a hang-up.
    EXPECT_EQ(b.log.last(), QStringLiteral("[H] - 네트워크 오류: 응답의 한 줄이 65536 바이트를 넘어 연결을 끊었습니다."))
        << b.log.join('\n').left(2000).toStdString();
    EXPECT_EQ(ended.count(), 1);
}

TEST(ReadReply, AMultiLineReplyThatNeverEndsDropsTheConnection)
{
    // Short continuation lines without end, or empty ones: either limit drops
    // the connection with one line in the log, the way an overlong line does.
    const QString refused = QStringLiteral("[H] - 네트워크 오류: 응답이 1048576 바이트 또는 65536 줄을 넘어 연결을 끊었습니다.");
    const struct { const char *name; QByteArray unit; } cases[] = {
        {"short lines", "220-x\r\n"},
        {"empty lines", "\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FloodPeer peer("220-Welcome\r\n", c.unit);
        kavtest::RecordedSession s;
        ASSERT_TRUE(ws::startup());
        ASSERT_EQ(s.session.openControl(0x7f000001, peer.port(), 2000), Session::ConnectResult::Connected);
        const Reply reply = s.session.readReply();
        EXPECT_FALSE(reply.answered);
        EXPECT_FALSE(s.session.hasControlConnection());
        EXPECT_EQ(s.ui.log.count(refused), 1) << s.ui.log.join('\n').left(2000).toStdString();
        EXPECT_EQ(s.ui.log.last(), refused);
        // Nothing of the refused reply is shown.
        EXPECT_FALSE(s.ui.log.contains(QStringLiteral("[H] - 220-Welcome")));
    }
}

TEST(ReadReply, ALongMultiLineReplyWithinTheLimitsIsAnswered)
{
    ReplyPeer peer;
    const QByteArray open = openReply(ReplyReader::MaxReplySize, ReplyReader::MaxReplySize / 64);
    peer.on("STAT", {open + "211 End of status\r\n"});
    Bare b(peer);
    const Reply reply = b.session.command(QStringLiteral("STAT"));
    EXPECT_TRUE(reply.answered);
    EXPECT_EQ(reply.text, QStringLiteral("211 End of status"));
    EXPECT_EQ(reply.lines.size(), open.count('\n') + 1);
    EXPECT_TRUE(b.session.hasControlConnection());
}

TEST(ReadReply, AnEndlessReplyWhileIdleDropsTheConnection)
{
    // Between commands the session reads the control connection from the
    // event loop; a server that starts an endless reply there is cut off too.
    ReplyPeer peer;
    QByteArray flood = "421-Going down\r\n";
    while (flood.size() <= ReplyReader::MaxReplySize)
        flood += "421-x\r\n";
    peer.on("NOOP", {"200 OK\r\n", flood}, 100);
    Bare b(peer);
    QSignalSpy ended(&b.session, &Session::closedByServer);
    EXPECT_EQ(b.session.command(QStringLiteral("NOOP")).code, 200);
    EXPECT_TRUE(kavtest::waitUntil([&] { return !b.session.hasControlConnection(); }, 10000));
    EXPECT_EQ(ended.count(), 1);   // the window ends the session as after a hang-up
    EXPECT_EQ(b.log.count(QStringLiteral("[H] - 네트워크 오류: 응답이 1048576 바이트 또는 65536 줄을 넘어 연결을 끊었습니다.")), 1)
        << b.log.join('\n').left(2000).toStdString();
}

TEST(ReadReply, StopReachesAServerThatKeepsSendingBlankLines)
{
    // Blank lines between replies are skipped and cost no memory, so no limit
    // ends this wait: only the pump between ready calls lets the stop button in.
    FloodPeer peer("", "\r\n");
    kavtest::RecordedSession s;
    ASSERT_TRUE(ws::startup());
    ASSERT_EQ(s.session.openControl(0x7f000001, peer.port(), 2000), Session::ConnectResult::Connected);
    QTimer::singleShot(50, [&s] { s.session.hangUp(); });
    const Reply reply = s.session.readReply();
    EXPECT_FALSE(reply.answered);
    EXPECT_FALSE(s.session.hasControlConnection());
    EXPECT_TRUE(s.ui.log.contains(QStringLiteral("[H] - Cancelled blocking call")));
}

TEST(ReadReply, NothingWithoutAControlConnection)
{
    Session session;
    const Reply reply = session.readReply();
    EXPECT_FALSE(reply.answered);
    EXPECT_TRUE(reply.isEmpty());
}

TEST(Command, AMalformedReplyWithADashIsNotWaitedOn)
{
    ReplyPeer peer;
    peer.on("NOOP", {"abc-x\r\n"});
    Bare b(peer);
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [&b] { b.session.drop(); });
    failsafe.start(3000);
    const Reply reply = b.session.command(QStringLiteral("NOOP"));
    EXPECT_TRUE(failsafe.isActive()) << "waited for a second reply";
    EXPECT_EQ(reply.text, QStringLiteral("abc-x"));
    EXPECT_EQ(reply.code, 0);
    EXPECT_EQ(b.log, (QStringList{"[L] - NOOP", "[H] - abc-x"}));
}

TEST(Command, TypeIsSentOnlyWhenItChanges)
{
    ReplyPeer peer;
    peer.on("TYPE", {"200 Type set\r\n"});
    Bare b(peer);
    for (const char *cmd : {"TYPE A", "TYPE A", "TYPE I", "TYPE I", "TYPE A"})
        b.session.command(QString::fromLatin1(cmd));
    EXPECT_EQ(peer.commands, (QList<QByteArray>{"TYPE A", "TYPE I", "TYPE A"}));
    EXPECT_EQ(b.session.transferType(), TransferType::Ascii);
    EXPECT_EQ(b.log.filter(QStringLiteral("[L] - TYPE")).size(), 3);
}

TEST(Command, PasswordNeverReachesTheLog)
{
    ReplyPeer peer;
    peer.on("PASS", {"530 Login incorrect\r\n"});
    Bare b(peer);
    b.session.command(QStringLiteral("PASS s3cret"));
    EXPECT_EQ(peer.commands, QList<QByteArray>{"PASS s3cret"});
    EXPECT_TRUE(b.log.contains(QStringLiteral("[L] - PASS (hidden)")));
    EXPECT_FALSE(b.log.join('\n').contains(QStringLiteral("s3cret")));
}

TEST(Command, UnsafeOrOverlongCommandsAreNeverSent)
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
        Bare b(peer);
        b.session.command(QStringLiteral("NOOP"));
        const Reply reply = b.session.command(c.command);
        b.session.command(QStringLiteral("NOOP"));  // the connection is still usable
        EXPECT_EQ(peer.commands.size(), c.sent ? 3 : 2);
        EXPECT_EQ(b.log.contains(refused), !c.sent);
        if (!c.sent) {
            EXPECT_EQ(b.log.filter(QStringLiteral("DELE")).size(), 0);
            // Nothing of the previous reply passes for this command's answer.
            EXPECT_FALSE(reply.answered);
            EXPECT_TRUE(reply.isEmpty());
        }
    }
}

TEST(Command, DirectoryRepliesAreReported)
{
    ReplyPeer peer;
    peer.on("MKD", {"257 \"/pub/new\" created\r\n"});
    peer.on("PWD", {"257 \"/pub\" is current\r\n"});
    Bare b(peer);
    b.session.command(QStringLiteral("MKD new"));
    b.session.command(QStringLiteral("PWD"));
    EXPECT_EQ(b.s.directories, (QStringList{"/pub/new", "/pub"}));
}

TEST(Command, ControlConnectionClosedDuringTheWait)
{
    ReplyPeer peer;   // never answers NOOP
    Bare b(peer);
    QTimer::singleShot(100, [&b] { b.session.drop(); });
    const Reply reply = b.session.command(QStringLiteral("NOOP"));
    EXPECT_FALSE(reply.answered);
    EXPECT_FALSE(b.session.hasControlConnection());
    EXPECT_TRUE(b.log.contains(QStringLiteral("[H] - Cancelled blocking call")));
    EXPECT_EQ(b.log.last(), QStringLiteral("[H] - 네트워크 오류: 데이터를 받을 수 없습니다."));
    EXPECT_FALSE(b.session.isConnected());
}

TEST(Command, AntiIdleTimerRestartsAfterEveryReply)
{
    ReplyPeer peer;
    peer.on("NOOP", {"200 OK\r\n"});
    Bare b(peer);
    b.session.setAntiIdle(true);
    b.session.command(QStringLiteral("NOOP"));
    EXPECT_TRUE(b.session.noopTimer()->isActive());
    EXPECT_EQ(b.session.noopTimer()->interval(), 90000);
}
