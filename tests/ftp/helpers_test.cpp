// Pure helpers of the control connection.

#include "ftp/data_address.h"
#include "ftp/host_path.h"
#include "ftp/reply.h"
#include "ftp/transcript.h"
#include "platform/text.h"
#include "platform/winsock.h"

#include <gtest/gtest.h>

using namespace kav;

TEST(ExtractQuoted, Table)
{
    struct Case {
        QString text;
        QString expected;
    };
    const QList<Case> cases = {
        {"257 \"/home/user\" is current directory.", "/home/user"},
        {"257 \"/a \"quoted\" dir\" created", "/a \"quoted\" dir"},
        {"257 no quotes", ""},
        {"257 \"only one", ""},
        {"\"\"", ""},
        {"257 \"/자료\"", "/자료"},
        {"257 \"/a\"\"b\" created", "/a\"b"},
        {"257 \"/end\"\"\" is current", "/end\""},
        {"257 \"\"\"\" is current", "\""},
        {"257 \"/x\"\"y\"z\" lone quote: taken as it is", "/x\"\"y\"z"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExtractQuoted(c.text, QLatin1Char('"')), c.expected) << c.text.toStdString();
}

TEST(Trimmed, RemovesBlanksAndControlCharacters)
{
    EXPECT_EQ(text::trimmed(QStringLiteral("\t 200 OK \r")), QStringLiteral("200 OK"));
    EXPECT_EQ(text::trimmed(QStringLiteral("\r\n")), QString());
    EXPECT_EQ(text::trimmed(QStringLiteral("a b")), QStringLiteral("a b"));
    EXPECT_EQ(text::trimmedBytes("\x01 200 \x7f\r"), QByteArray("200 \x7f"));
}

TEST(Transcript, EachSideHasItsPrefix)
{
    EXPECT_EQ(transcriptLine(TranscriptSide::Host, QStringLiteral("220 준비")), QStringLiteral("[H] - 220 준비"));
    EXPECT_EQ(transcriptLine(TranscriptSide::Local, QStringLiteral("LIST")), QStringLiteral("[L] - LIST"));
}

TEST(WinsockErrorText, Table)
{
    struct Case {
        int code;
        const char *expected;
    };
    const Case cases[] = {
        {10061, "Connection refused(10061)"},
        {0, "Not a WinSock error(0)"},
        {10004, "Interrupted system call(10004)"},
        {10060, "Connection timed out(10060)"},
        {10065, "No route to host(10065)"},
        {11001, "Host not found(11001)"},
        {11004, "No Data(11004)"},
        {10072, "Not a WinSock error(10072)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ws::errorText(c.code), QString::fromLatin1(c.expected));
}

TEST(WinsockErrors, ErrnoMapsToWinsockNumbers)
{
    EXPECT_EQ(ws::errnoToWinsock(ECONNREFUSED), 10061);
    EXPECT_EQ(ws::errnoToWinsock(ETIMEDOUT), 10060);
    EXPECT_EQ(ws::errnoToWinsock(EHOSTUNREACH), 10065);
    EXPECT_EQ(ws::errnoToWinsock(ENETUNREACH), 10051);
    EXPECT_EQ(ws::errnoToWinsock(EINTR), 10004);
    EXPECT_EQ(ws::errnoToWinsock(ECONNRESET), 10054);
    EXPECT_EQ(ws::errnoToWinsock(EADDRINUSE), 10048);
}

TEST(HostPath, JoinAndBaseName)
{
    struct Case {
        QString dir, name, path;
    };
    const QList<Case> cases = {
        {"/", "a.txt", "/a.txt"},
        {"/pub", "a.txt", "/pub/a.txt"},
        {"/pub/", "a.txt", "/pub/a.txt"},
        {"", "a.txt", "/a.txt"},
        {"/자료", "새 파일", "/자료/새 파일"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(joinHostPath(c.dir, c.name), c.path) << c.dir.toStdString();
        EXPECT_EQ(hostBaseName(c.path), c.name);
    }
}

TEST(HostInput, NamesAddressesAndPorts)
{
    struct Case {
        QString text;
        bool valid;
        QString host, shown;
        int port;
    };
    const QList<Case> cases = {
        {"ftp.example.net", true, "ftp.example.net", "ftp.example.net", 0},
        {" 10.0.0.1 ", true, "10.0.0.1", " 10.0.0.1 ", 0},
        {"10.0.0.1:2121", true, "10.0.0.1", "10.0.0.1", 2121},
        {"ftp.example.net:21", true, "ftp.example.net", "ftp.example.net", 21},
        {"::1", true, "::1", "::1", 0},
        {"2001:db8::7", true, "2001:db8::7", "2001:db8::7", 0},
        {"[::1]", true, "::1", "[::1]", 0},
        {"[::1]:2121", true, "::1", "[::1]", 2121},
        {"[2001:db8::7]:65535", true, "2001:db8::7", "[2001:db8::7]", 65535},
        {"[fe80::1%lo]:990", true, "fe80::1%lo", "[fe80::1%lo]", 990},
        {"[::1", false, "", "", 0},
        {"[::1]2121", false, "", "", 0},
        {"[::1]:", false, "", "", 0},
        {"[]:21", false, "", "", 0},
        {"host:", false, "", "", 0},
        {"host:0", false, "", "", 0},
        {"host:65536", false, "", "", 0},
        {"host:21x", false, "", "", 0},
        {"host:+21", false, "", "", 0},
        {"host:２１", false, "", "", 0},
        {":21", false, "", "", 0},
        {"   ", false, "", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const HostInput in = splitHostInput(c.text);
        EXPECT_EQ(in.valid, c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(in.host, c.host);
        EXPECT_EQ(in.shown, c.shown);
        EXPECT_EQ(in.port, c.port);
    }
}

// What the two modes say on the control connection, and what passive replies
// give back: only the port of a 227 reply is ever used.
TEST(DataAddress, CommandsAndPassiveReplies)
{
    EXPECT_EQ(portCommand(0x7f000001, 5001), "PORT 127,0,0,1,19,137");
    EXPECT_EQ(portCommand(0xc0a80a14, 65535), "PORT 192,168,10,20,255,255");
    ws::SocketAddress six;
    ASSERT_TRUE(ws::parseAddress(QStringLiteral("::1"), &six));
    EXPECT_EQ(eprtCommand(six, 5001), "EPRT |2|::1|5001|");
    ASSERT_TRUE(ws::parseAddress(QStringLiteral("2001:db8:0:0:0:0:0:7"), &six));
    EXPECT_EQ(eprtCommand(six, 21), "EPRT |2|2001:db8::7|21|");
    EXPECT_EQ(eprtCommand(ws::SocketAddress::ipv4(0x0a000001), 40000), "EPRT |1|10.0.0.1|40000|");

    struct Case {
        QString reply;
        int port;   // 0: none
    };
    const QList<Case> epsv = {
        {"229 Entering Extended Passive Mode (|||6446|)", 6446},
        {"229 Entering Extended Passive Mode (!!!6446!)", 6446},
        {"229 EPSV ok (|||65535|)", 65535},
        {"229 (|||1|)", 1},
        {"229 Entering Extended Passive Mode (|||0|)", 0},
        {"229 Entering Extended Passive Mode (|||65536|)", 0},
        {"229 Entering Extended Passive Mode (|||6446)", 0},
        {"229 Entering Extended Passive Mode (||6446|)", 0},
        {"229 Entering Extended Passive Mode (|2|::1|6446|)", 0},
        {"229 Entering Extended Passive Mode (|||x|)", 0},
        {"229 Entering Extended Passive Mode", 0},
    };
    for (const Case &c : epsv) {
        SCOPED_TRACE(c.reply.toStdString());
        const std::optional<quint16> port = epsvPort(c.reply);
        EXPECT_EQ(port.value_or(0), c.port);
    }
    const QList<Case> pasv = {
        {"227 Entering Passive Mode (127,0,0,1,19,137)", 5001},
        {"227 Entering Passive Mode (10,9,8,7,200,1)", 51201},
        {"227 Entering Passive Mode 192,168,1,2,4,1", 1025},
        {"227 =127,0,0,1,0,21", 21},
        {"227 Entering Passive Mode (127,0,0,1,256,1)", 0},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", 0},
        {"227 Entering Passive Mode (127,0,0,1,19)", 0},
        {"227 Entering Passive Mode (1270,0,0,1,19,137)", 0},
        {"227 Entering Passive Mode (127,0,0,1,19,1370)", 0},
        {"227 Entering Passive Mode", 0},
    };
    for (const Case &c : pasv) {
        SCOPED_TRACE(c.reply.toStdString());
        EXPECT_EQ(pasvPort(c.reply).value_or(0), c.port);
    }
}

TEST(SocketAddress, TextOfBothFamilies)
{
    struct Case {
        QString text;
        bool valid;
        ws::SocketAddress::Family family;
        QString shown;
    };
    using F = ws::SocketAddress::Family;
    const QList<Case> cases = {
        {"127.0.0.1", true, F::V4, "127.0.0.1"},
        {" 10.1.2.3", true, F::V4, "10.1.2.3"},
        {"::1", true, F::V6, "::1"},
        {"2001:DB8::0:7", true, F::V6, "2001:db8::7"},
        {"::ffff:10.0.0.1", true, F::V6, "::ffff:10.0.0.1"},
        {"ftp.example.net", false, F::None, ""},
        {"1.2.3.4.5", false, F::None, ""},
        {"[::1]", false, F::None, ""},
        {"", false, F::None, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        ws::SocketAddress a;
        EXPECT_EQ(ws::parseAddress(c.text, &a), c.valid);
        EXPECT_EQ(a.family, c.family);
        EXPECT_EQ(a.text(), c.shown);
    }
    EXPECT_EQ(ws::SocketAddress::ipv4(0x7f000001).ipv4Address(), 0x7f000001u);
    EXPECT_EQ(ws::SocketAddress::ipv4(0x7f000001).text(), "127.0.0.1");
    ws::SocketAddress one, other;
    ASSERT_TRUE(ws::parseAddress(QStringLiteral("::1"), &one));
    ASSERT_TRUE(ws::parseAddress(QStringLiteral("0::1"), &other));
    other.port = 21;
    EXPECT_TRUE(one.sameHost(other));
    EXPECT_FALSE(one.sameHost(ws::SocketAddress::ipv4(0x7f000001)));
    EXPECT_EQ(one.ipv4Address(), 0u);
}
