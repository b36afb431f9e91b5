// The data channel's passive and automatic modes against the scripted server
// (replies no well-behaved server sends: a 227 naming another host, EPSV
// unknown, a passive port that never answers), with the host lists as the
// data channel's user. This executable runs in its own network namespace.

#include "blackhole_peer.h"
#include "reply_peer.h"
#include "wired_session.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;
using kavtest::ReplyPeer;

namespace {

const QByteArray Line = "-rw-r--r--   1 ftp      ftp            12 Dec 10 03:04 hello.txt\r\n";
const QString FellBack = QStringLiteral("[L] - 패시브 모드로 데이터 연결을 할 수 없어 이 세션은 액티브 모드로 전환합니다.");

// A logged-in server whose LIST sends one file, over whichever data
// connection the client asked for.
void serveListing(ReplyPeer &peer)
{
    peer.answerAsLoggedInServer("/");
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.data = {Line};
    list.final = "226 Done\r\n";
    peer.onData("LIST", list);
}

struct Client : kavtest::WiredSession {
    void connect(DataMode mode, int timeoutSeconds = 5)
    {
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = QStringLiteral("kim");
        flow.profile.Password = QStringLiteral("pw");
        flow.profile.Timeout = timeoutSeconds;
        flow.profile.Connection.Mode = mode;
        flow.BB_ConnectClick(false);   // ends with the host lists read
    }
    bool listed() const { return !files.findItems(QStringLiteral("hello.txt"), Qt::MatchExactly).isEmpty(); }
    int sent(const ReplyPeer &peer, const QByteArray &command) const
    {
        int n = 0;
        for (const QByteArray &c : peer.commands)
            n += c.startsWith(command);
        return n;
    }
    QString log() const { return ui.log.join('\n'); }
};

} // namespace

// Whatever address a 227 reply names (a private one behind NAT, none, a third
// party), the data connection goes to the host of the control connection.
TEST(Passive, TheAddressOfA227ReplyIsNeverUsed)
{
    for (const QByteArray address : {"10,9,8,7", "0,0,0,0", "192,0,2,1"}) {
        SCOPED_TRACE(address.toStdString());
        ReplyPeer peer(21);
        serveListing(peer);
        peer.on("EPSV", {"500 'EPSV': command not understood.\r\n"});
        peer.offerPassive({.epsv = false, .pasvAddress = address});
        Client c;
        c.connect(DataMode::Passive);
        EXPECT_TRUE(c.listed()) << c.log().toStdString();
        EXPECT_EQ(c.sent(peer, "PASV"), 1);
        EXPECT_EQ(c.sent(peer, "PORT"), 0);
        // The one line that names the address is the server's own reply.
        QString dotted = QString::fromLatin1(address);
        dotted.replace(QLatin1Char(','), QLatin1Char('.'));
        for (const QString &line : c.ui.log) {
            if (line.contains(dotted) || line.contains(QString::fromLatin1(address))) {
                EXPECT_TRUE(line.startsWith(QStringLiteral("[H] - 227 "))) << line.toStdString();
            }
        }
        EXPECT_FALSE(c.session.dataTransferUnderWay());
    }
}

// EPSV first; PASV when it fails. A server that does not know EPSV (5xx) is
// not asked again in the session; a passing refusal (4xx) or a reply that
// names no port is.
TEST(Passive, EpsvFirstThenPasv)
{
    struct Case {
        const char *name;
        QByteArray epsvReply;
        int epsvSent;   // over two listings
    };
    const Case cases[] = {
        {"not understood", "500 'EPSV': command not understood.\r\n", 1},
        {"not implemented", "502 Command not implemented.\r\n", 1},
        {"busy", "425 Cannot open passive connection now.\r\n", 2},
        {"no port in it", "229 Entering Extended Passive Mode\r\n", 2},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        ReplyPeer peer(21);
        serveListing(peer);
        peer.on("EPSV", {cs.epsvReply});
        peer.offerPassive({.epsv = false});
        Client c;
        c.connect(DataMode::Passive);
        EXPECT_TRUE(c.listed()) << c.log().toStdString();
        c.pane->RBrefreshClick();
        EXPECT_TRUE(c.listed());
        EXPECT_EQ(c.sent(peer, "EPSV"), cs.epsvSent);
        EXPECT_EQ(c.sent(peer, "PASV"), 2);
        EXPECT_EQ(c.sent(peer, "LIST"), 2);
        EXPECT_FALSE(c.ui.log.contains(FellBack));
    }

    // A server that knows EPSV never hears PASV.
    ReplyPeer peer(21);
    serveListing(peer);
    peer.offerPassive({});
    Client c;
    c.connect(DataMode::Passive);
    EXPECT_TRUE(c.listed());
    EXPECT_EQ(c.sent(peer, "EPSV"), 1);
    EXPECT_EQ(c.sent(peer, "PASV"), 0);
}

// Passive mode alone gives up where passive fails; automatic mode says so
// once and goes on in active mode for the rest of the session.
TEST(Automatic, FallsBackToActiveOnce)
{
    struct Case {
        const char *name;
        DataMode mode;
        QByteArray epsvReply;   // empty: EPSV offers a port
        QByteArray pasvReply;
        quint16 port;           // the port offered (0: a real listener of the peer)
        QString failure;        // the line that says why, if any
    };
    const Case cases[] = {
        {"both refused", DataMode::Automatic, "500 no\r\n", "500 no\r\n", 0, {}},
        {"nobody at the port", DataMode::Automatic, {}, {}, 9,
         "[H] - 네트워크 오류: 호스트의 데이터 포트(9/TCP)에 연결을 못했습니다."},
        {"port never answers", DataMode::Automatic, {}, {}, 2121,
         "[H] - 네트워크 오류: 호스트의 데이터 포트(2121/TCP)에 연결을 못했습니다. (시간제한 초과)"},
        {"passive only, both refused", DataMode::Passive, "500 no\r\n", "500 no\r\n", 0, {}},
        {"passive only, nobody at the port", DataMode::Passive, {}, {}, 9,
         "[H] - 네트워크 오류: 호스트의 데이터 포트(9/TCP)에 연결을 못했습니다."},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        kavtest::BlackholePeer hole(2121);
        if (cs.port == 2121) {
            ASSERT_TRUE(hole.start());
        }
        ReplyPeer peer(21);
        serveListing(peer);
        if (!cs.epsvReply.isEmpty())
            peer.on("EPSV", {cs.epsvReply});
        if (!cs.pasvReply.isEmpty())
            peer.on("PASV", {cs.pasvReply});
        peer.offerPassive({.epsv = cs.epsvReply.isEmpty(), .pasv = cs.pasvReply.isEmpty(), .port = cs.port});
        Client c;
        c.connect(cs.mode, 1);
        ASSERT_TRUE(c.session.isConnected());
        if (!cs.failure.isEmpty()) {
            EXPECT_EQ(c.ui.log.count(cs.failure), 1) << c.log().toStdString();
        }
        const bool automatic = cs.mode == DataMode::Automatic;
        EXPECT_EQ(c.listed(), automatic) << c.log().toStdString();
        EXPECT_EQ(c.ui.log.count(FellBack), automatic ? 1 : 0);
        c.pane->RBrefreshClick();
        EXPECT_EQ(c.listed(), automatic);
        EXPECT_EQ(c.ui.log.count(FellBack), automatic ? 1 : 0);
        // After a fallback the second listing asks no passive question; a
        // refused EPSV is not asked again either.
        EXPECT_EQ(c.sent(peer, "EPSV"), automatic || cs.epsvReply.startsWith('5') ? 1 : 2);
        EXPECT_EQ(c.sent(peer, "PORT"), automatic ? 2 : 0);
        EXPECT_EQ(c.sent(peer, "LIST"), automatic ? 2 : 0);
        EXPECT_EQ(c.session.passiveInUse(), !automatic);
        EXPECT_FALSE(c.session.dataTransferUnderWay());
        EXPECT_FALSE(c.ui.stop);
    }
}

// A passive port that never completes the handshake: the stop button (enabled
// for the wait) or the disconnect button ends the wait at once, the time
// limit ends it otherwise. No transfer command goes out.
TEST(Passive, StopDisconnectOrTimeLimitEndADataConnectThatHangs)
{
    struct Case {
        const char *name;
        int timeoutSeconds;
        bool stop, disconnect;
        QString line;
        bool connectedAfter;
    };
    const Case cases[] = {
        {"stop", 30, true, false, "[H] - 데이터 연결을 중지했습니다.", true},
        {"disconnect", 30, false, true, {}, false},
        {"time limit", 1, false, false,
         "[H] - 네트워크 오류: 호스트의 데이터 포트(2121/TCP)에 연결을 못했습니다. (시간제한 초과)", true},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        kavtest::BlackholePeer hole(2121);
        ASSERT_TRUE(hole.start());
        ReplyPeer peer(21);
        serveListing(peer);
        peer.offerPassive({.port = 2121});
        Client c;
        bool stopEnabledMeanwhile = false;
        QTimer::singleShot(400, [&] {
            stopEnabledMeanwhile = c.ui.stop;
            if (cs.stop)
                c.flow.BB_StopClick();
            if (cs.disconnect)
                c.flow.BB_DisconnectClick();
        });
        QElapsedTimer clock;
        clock.start();
        c.connect(DataMode::Passive, cs.timeoutSeconds);
        const qint64 elapsed = clock.elapsed();
        EXPECT_TRUE(stopEnabledMeanwhile);
        EXPECT_LT(elapsed, cs.timeoutSeconds == 1 ? 4000 : 5000);
        if (cs.timeoutSeconds == 1) {
            EXPECT_GE(elapsed, 900);
        }
        if (!cs.line.isEmpty()) {
            EXPECT_EQ(c.ui.log.count(cs.line), 1) << c.log().toStdString();
        }
        EXPECT_FALSE(c.ui.stop);
        EXPECT_EQ(c.session.isConnected(), cs.connectedAfter);
        EXPECT_FALSE(c.session.dataTransferUnderWay());
        EXPECT_EQ(c.sent(peer, "LIST"), 0);
        EXPECT_FALSE(c.listed());
    }
}
