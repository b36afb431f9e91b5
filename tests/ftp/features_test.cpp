// What servers say they can do: their real answers to FEAT.

#include "captured_dialogue.h"

#include "ftp/features.h"
#include "ftp/reply.h"
#include "platform/utf8x.h"

#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

Reply replyOf(const QByteArray &bytes)
{
    ReplyReader reader;
    reader.feed(bytes);
    const std::optional<RawReply> raw = reader.next();
    Reply reply;
    if (!raw)
        return reply;
    for (const QByteArray &line : raw->lines)
        reply.lines << utf8x::decode(line);
    reply.text = reply.lines.last();
    reply.code = replyCode(raw->lines.last());
    reply.answered = true;
    return reply;
}

} // namespace

TEST(ServerFeatures, RealServersAnswers)
{
    // pyftpdlib sends its UNIX facts only on request.
    const QByteArray pyftpdlib = kavtest::capturedReply("pyftpdlib_user_control.txt", "FEAT");
    struct Case {
        const char *what;
        QByteArray reply;
        bool answered, mlst, utf8, size, rest, epsv;
        std::optional<QString> mlstOptions;
    };
    const QList<Case> cases = {
        {"ProFTPD", kavtest::capturedReply("proftpd_user_control.txt", "FEAT"), true, true, true, true, true, true,
         std::nullopt},
        {"Pure-FTPd", kavtest::capturedReply("pureftpd_user_control.txt", "FEAT"), true, true, true, true, true, true,
         std::nullopt},
        {"inetutils", kavtest::capturedReply("inetutils_user_control.txt", "FEAT"), true, false, false, true, true, true,
         std::nullopt},
        {"netkit", kavtest::capturedReply("netkit_user_control.txt", "FEAT"), false, false, false, false, false, false,
         std::nullopt},
        {"pyftpdlib", pyftpdlib, true, true, true, true, true, true,
         QStringLiteral("OPTS MLST type;size;modify;perm;unix.mode;")},
        {"no features", "211 No features\r\n", true, false, false, false, false, false, std::nullopt},
        {"not implemented", "502 Command not implemented\r\n", false, false, false, false, false, false, std::nullopt},
        {"REST without STREAM", "211-Features:\r\n REST\r\n utf8\r\n211 End\r\n", true, false, true, false, false,
         false, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.reply.isEmpty());
        const ServerFeatures f = ServerFeatures::fromReply(replyOf(c.reply));
        EXPECT_EQ(f.answered, c.answered);
        EXPECT_EQ(f.hasMlst, c.mlst);
        EXPECT_EQ(f.hasUtf8, c.utf8);
        EXPECT_EQ(f.hasSize, c.size);
        EXPECT_EQ(f.hasRest, c.rest);
        EXPECT_EQ(f.hasEpsv, c.epsv);
        EXPECT_EQ(mlstOptionsCommand(f), c.mlstOptions);
    }
}

TEST(ServerFeatures, MlstFactsAsOffered)
{
    const ServerFeatures f =
        ServerFeatures::fromReply(replyOf(kavtest::capturedReply("pureftpd_user_control.txt", "FEAT")));
    EXPECT_EQ(f.mlstFacts, (QStringList{"type", "size", "sizd", "modify", "UNIX.mode", "UNIX.uid", "UNIX.gid", "unique"}));
    EXPECT_EQ(f.mlstFactsOn, f.mlstFacts);
    // A server that offers a mode but sends only the type.
    const ServerFeatures g = ServerFeatures::fromReply(replyOf("211-Features:\r\n MLST Type*;UNIX.Mode;\r\n211 End\r\n"));
    EXPECT_EQ(mlstOptionsCommand(g), QStringLiteral("OPTS MLST Type;UNIX.Mode;"));
}

// A capability reply as large as the reader lets through is read in part: the
// first features and facts count, the rest is not looked at (a megabyte of
// facts used to freeze every login for over a minute).
TEST(ServerFeatures, HugeAnswersAreReadInPart)
{
    Reply reply;
    reply.code = 211;
    reply.answered = true;
    reply.lines << QStringLiteral("211-Features:");
    QString facts = QStringLiteral("MLST type*;Type;TYPE*;") + QString(100, QLatin1Char('l'))
        + QStringLiteral(";");
    for (int i = 0; i < 50000; ++i)
        facts += QStringLiteral("fact%1%2;").arg(i).arg(i % 2 ? QStringLiteral("*") : QString());
    reply.lines << facts << QStringLiteral("SIZE");
    for (int i = 0; i < 50000; ++i)
        reply.lines << QStringLiteral("X-FEATURE-%1").arg(i);
    reply.lines << QStringLiteral("UTF8") << QStringLiteral("211 End");

    const ServerFeatures f = ServerFeatures::fromReply(reply);
    EXPECT_TRUE(f.answered);
    EXPECT_TRUE(f.hasMlst);
    EXPECT_TRUE(f.hasSize);
    // Past the lines looked at: as if not offered.
    EXPECT_FALSE(f.hasUtf8);
    ASSERT_EQ(f.mlstFacts.size(), 64);
    // One name whatever its case, as first spelt; the over-long name left out.
    EXPECT_EQ(f.mlstFacts.first(3), (QStringList{"type", "fact0", "fact1"}));
    EXPECT_EQ(f.mlstFactsOn.first(3), (QStringList{"type", "fact1", "fact3"}));
    EXPECT_EQ(f.mlstFacts.last(), QStringLiteral("fact62"));
}

// The optional commands that setting a time and comparing contents use.
TEST(ServerFeatures, TimesAndDigests)
{
    const ServerFeatures proftpd =
        ServerFeatures::fromReply(replyOf(kavtest::capturedReply("proftpd_user_control.txt", "FEAT")));
    EXPECT_TRUE(proftpd.hasMfmt);
    EXPECT_TRUE(proftpd.hashAlgorithms.isEmpty());
    EXPECT_FALSE(proftpd.hasXsha256 || proftpd.hasXsha1 || proftpd.hasXmd5);

    // As servers with mod_digest-like extensions spell them: the algorithm in
    // force marked, names in any case, the older commands on lines of their own.
    const ServerFeatures f = ServerFeatures::fromReply(replyOf(
        "211-Features:\r\n HASH SHA-1;sha-256*;MD5;SHA-1\r\n XSHA256\r\n xmd5\r\n MDTM\r\n211 End\r\n"));
    EXPECT_EQ(f.hashAlgorithms, (QStringList{"SHA-1", "SHA-256", "MD5"}));
    EXPECT_EQ(f.hashCurrent, QStringLiteral("SHA-256"));
    EXPECT_TRUE(f.hasXsha256);
    EXPECT_FALSE(f.hasXsha1);
    EXPECT_TRUE(f.hasXmd5);
    EXPECT_FALSE(f.hasMfmt);
}
