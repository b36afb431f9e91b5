// The scripted server itself: a fault here would mislead every test that uses it.
// The client side uses the program's own sockets, whose waits keep the event
// loop (and so the peer, which lives on this thread) running.

#include "reply_peer.h"

#include "platform/winsock.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace kav;
using kavtest::ReplyPeer;

namespace {

struct Client {
    ws::Socket s = ws::InvalidSocket;
    explicit Client(quint16 port)
    {
        EXPECT_TRUE(ws::startup());
        s = ws::socket();
        EXPECT_EQ(ws::connect(s, 0x7f000001, port), 0);
    }
    ~Client()
    {
        if (s != ws::InvalidSocket)
            ws::closesocket(s);
    }
    QByteArray recvOnce()
    {
        char buffer[4096];
        const int n = ws::recv(s, buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }
    // Reads until `count` line ends have arrived (or the peer closes).
    QByteArray lines(int count)
    {
        QByteArray out;
        while (out.count('\n') < count) {
            const QByteArray more = recvOnce();
            if (more.isEmpty())
                break;
            out += more;
        }
        return out;
    }
    void send(const QByteArray &bytes) { ws::send(s, bytes.constData(), int(bytes.size())); }
};

} // namespace

TEST(ReplyPeer, SegmentsArriveAsScripted)
{
    ReplyPeer peer;
    peer.greetInSegments({"220 first", " half\r\n"}, 300);
    peer.on("NOOP", {"150 go\r\n226 done\r\n"});
    Client client(peer.port());
    EXPECT_EQ(client.recvOnce(), "220 first");
    EXPECT_EQ(client.recvOnce(), " half\r\n");
    client.send("NOOP\r\n");
    EXPECT_EQ(client.lines(2), "150 go\r\n226 done\r\n");
}

TEST(ReplyPeer, RecordsEveryLineAndTheLastRuleWins)
{
    ReplyPeer peer;
    peer.greet("220 hi\r\n");
    peer.on("USER", {"331 first rule\r\n"});
    peer.on("USER", {"331 second rule\r\n"});
    peer.on("PASS", {"230 ok\r\n"});
    peer.closeOn("QUIT");
    Client client(peer.port());
    EXPECT_EQ(client.lines(1), "220 hi\r\n");
    client.send("USER kim\r\n");
    EXPECT_EQ(client.lines(1), "331 second rule\r\n");
    // A line split across writes is one command.
    client.send("PASS ");
    client.send("y\r\n");
    EXPECT_EQ(client.lines(1), "230 ok\r\n");
    client.send("QUIT\r\n");
    EXPECT_EQ(client.recvOnce(), QByteArray());   // closed by the peer
    EXPECT_EQ(peer.commands, (QList<QByteArray>{"USER kim", "PASS y", "QUIT"}));
}

TEST(ReplyPeer, ConnectsBackToThePortCommand)
{
    ReplyPeer peer;
    peer.greet("220 hi\r\n");
    peer.on("PORT", {"200 ok\r\n"});
    ReplyPeer::DataReply list;
    list.preliminary = "150 go\r\n";
    list.data = {"line one\r\n", "line two\r\n"};
    list.gapMs = 50;
    list.final = "226 done\r\n";
    peer.onData("LIST", list);

    ws::Socket listener = ws::socket();
    ASSERT_EQ(ws::bind(listener, 0x7f000001, 0), 0);
    ASSERT_EQ(ws::listen(listener, 1), 0);
    quint16 port = 0;
    ASSERT_TRUE(ws::getsockname(listener, nullptr, &port));

    Client client(peer.port());
    client.lines(1);
    client.send(QStringLiteral("PORT 127,0,0,1,%1,%2\r\n").arg(port >> 8).arg(port & 0xff).toLatin1());
    EXPECT_EQ(client.lines(1), "200 ok\r\n");
    client.send("LIST\r\n");
    EXPECT_EQ(client.lines(1), "150 go\r\n");
    quint32 from = 0;
    ws::Socket data = ws::accept(listener, &from, nullptr);
    ASSERT_NE(data, ws::InvalidSocket);
    EXPECT_EQ(from, 0x7f000001u);
    QByteArray body;
    char buffer[256];
    for (int n; (n = ws::recv(data, buffer, sizeof buffer)) > 0;)
        body.append(buffer, n);
    ws::closesocket(data);
    EXPECT_EQ(body, "line one\r\nline two\r\n");
    EXPECT_EQ(client.lines(1), "226 done\r\n");
    ws::closesocket(listener);
}

TEST(ReplyPeer, AnswersPassiveModeOnTheOfferedPort)
{
    for (const bool epsv : {true, false}) {
        SCOPED_TRACE(epsv ? "EPSV" : "PASV");
        ReplyPeer peer;
        peer.greet("220 hi\r\n");
        peer.offerPassive({.pasvAddress = "10,1,2,3"});
        ReplyPeer::DataReply list;
        list.preliminary = "150 go\r\n";
        list.data = {"line one\r\n"};
        list.final = "226 done\r\n";
        peer.onData("LIST", list);

        Client client(peer.port());
        client.lines(1);
        client.send(epsv ? "EPSV\r\n" : "PASV\r\n");
        const QByteArray reply = client.lines(1);
        quint16 port = 0;
        if (epsv) {
            ASSERT_TRUE(reply.startsWith("229 Entering Extended Passive Mode (|||")) << reply.toStdString();
            port = quint16(reply.mid(reply.indexOf("|||") + 3).split('|').first().toUInt());
        } else {
            ASSERT_TRUE(reply.startsWith("227 Entering Passive Mode (10,1,2,3,")) << reply.toStdString();
            const QList<QByteArray> n = reply.mid(reply.indexOf('(') + 1).split(',');
            port = quint16(n[4].toUInt() * 256 + n[5].split(')').first().toUInt());
        }
        ws::Socket data = ws::socket();
        ASSERT_EQ(ws::connect(data, 0x7f000001, port), 0);
        client.send("LIST\r\n");
        EXPECT_EQ(client.lines(1), "150 go\r\n");
        QByteArray body;
        char buffer[256];
        for (int n; (n = ws::recv(data, buffer, sizeof buffer)) > 0;)
            body.append(buffer, n);
        ws::closesocket(data);
        EXPECT_EQ(body, "line one\r\n");
        EXPECT_EQ(client.lines(1), "226 done\r\n");
    }
}
