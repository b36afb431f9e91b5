// Pure helpers of the control connection.

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
