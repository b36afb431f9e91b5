// The shared text rules: trimming, line cutting, UTF-8 with byte escapes.

#include "platform/text.h"
#include "platform/utf8x.h"

#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

TEST(Text, Trimming)
{
    struct Case {
        QString in, controls, blanks;
    };
    const QList<Case> cases = {
        {"\t 200 OK \r", "200 OK", "200 OK \r"},
        {"\r\n", "", "\r\n"},
        {"a b", "a b", "a b"},
        {"  ", "", ""},
        {"\x01x\x7f", "x\x7f", "\x01x\x7f"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(text::trimmed(c.in), c.controls) << c.in.toStdString();
        EXPECT_EQ(text::trimmedBlanks(c.in).toString(), c.blanks) << c.in.toStdString();
    }
    EXPECT_EQ(text::trimmedBytes(" \x01 200 \x7f\r"), QByteArray("200 \x7f"));
}

TEST(Text, LinesFromBlocks)
{
    LineSplitter splitter;
    EXPECT_EQ(splitter.feed("a\r\nb", 4), (QList<QByteArray>{"a\r"}));
    EXPECT_TRUE(splitter.hasPartialLine());
    EXPECT_EQ(splitter.feed("c\n\0d\n", 5), (QList<QByteArray>{"bc", "", "d"}));
    EXPECT_FALSE(splitter.hasPartialLine());
    EXPECT_EQ(withoutTrailingCR(QStringLiteral("x\r")), QStringLiteral("x"));
    EXPECT_EQ(withoutTrailingCR(QStringLiteral("x\n")), QStringLiteral("x\n"));
}

TEST(Text, OverlongLinesAreSkippedWholeHoweverTheyArrive)
{
    // Limit 4: "12345" is one byte too long; the lines around it come through,
    // and no tail of the long line passes for a line of its own.
    const QByteArray bytes = "ok\n12345678\n1234\nend\ntail";
    for (const qsizetype chunk : {qsizetype(1), qsizetype(2), qsizetype(3), bytes.size()}) {
        LineSplitter splitter(4);
        QList<QByteArray> lines;
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            lines += splitter.feed(bytes.constData() + at, qMin(chunk, bytes.size() - at));
        EXPECT_EQ(lines, (QList<QByteArray>{"ok", "1234", "end"})) << chunk;
        EXPECT_TRUE(splitter.overflowed()) << chunk;
        EXPECT_EQ(splitter.takePartialLine(), QByteArray("tail")) << chunk;
    }
    LineSplitter unlimited;
    EXPECT_EQ(unlimited.feed(bytes.constData(), bytes.size()).size(), 4);
    EXPECT_FALSE(unlimited.overflowed());
}

TEST(Utf8WithEscapes, RoundTrips)
{
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"ASCII", "hello"},
        {"Korean", "\xED\x95\x9C\xEA\xB8\x80"},
        {"a stray byte", "a\x80z"},
        {"code page 949 bytes", "\xC7\xD1\xB1\xDB"},
        {"a character whose low surrogate looks like an escape (U+1F480)", "\xF0\x9F\x92\x80"},
        {"an encoded surrogate is not UTF-8", "\xED\xB2\x80"},
        {"a cut sequence at the end", "ok\xE2\x82"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8x::encode(utf8x::decode(c.bytes)), c.bytes);
    }
    // A pair is one character; only a lone U+DC80..U+DCFF is an escaped byte.
    EXPECT_EQ(utf8x::decode("\xF0\x9F\x92\x80"), QStringLiteral("💀"));
    EXPECT_EQ(utf8x::encode(QString(QChar(0xDC80))), QByteArray("\x80"));
    EXPECT_EQ(utf8x::encode(QString(QChar(0xD800))), QByteArray("?"));
}
