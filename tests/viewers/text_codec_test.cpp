// Plain text files: code page 949 or UTF-8, line ends kept.
#include "viewers/text_codec.h"

#include <gtest/gtest.h>

using namespace kav::viewers;

TEST(TextCodec, Utf8Validity)
{
    struct Case {
        QByteArray bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ascii", true},
        {"\xED\x95\x9C\xEA\xB8\x80", true},           // 한글
        {"\xF0\x9F\x98\x80", true},                   // U+1F600
        {"\xC7\xD1\xB1\xDB", false},                  // 한글 in code page 949
        {"\xC0\xAF", false},                          // overlong "/"
        {"\xE0\x80\xAF", false},                      // overlong, three bytes
        {"\xED\xA0\x80", false},                      // a surrogate
        {"\xF4\x90\x80\x80", false},                  // above U+10FFFF
        {"\xED\x95", false},                          // cut short
        {"\x80", false},                              // a lone continuation byte
    };
    for (const Case &c : cases)
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes.toHex().constData();
}

TEST(TextCodec, DetectsEncodingAndLineEnd)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        QString text;
        TextEncoding encoding;
        LineEnd lineEnd;
    };
    const Case cases[] = {
        {"code page 949 with CR LF", "\xC7\xD1\xB1\xDB\r\nA\r\n", QStringLiteral("한글\nA\n"),
         TextEncoding::Cp949, LineEnd::CrLf},
        {"extended syllable", "\x8C\x63", QStringLiteral("똠"), TextEncoding::Cp949, LineEnd::Lf},
        {"UTF-8 with LF", "\xED\x95\x9C\n\xEA\xB8\x80", QStringLiteral("한\n글"), TextEncoding::Utf8,
         LineEnd::Lf},
        {"UTF-8 with a byte order mark and CR", "\xEF\xBB\xBF" "a\rb", QStringLiteral("a\nb"),
         TextEncoding::Utf8Bom, LineEnd::Cr},
        {"pure ASCII counts as the ANSI code page", "abc\r\n", QStringLiteral("abc\n"),
         TextEncoding::Cp949, LineEnd::CrLf},
        {"the first line end decides", "a\nb\r\nc", QStringLiteral("a\nb\nc"), TextEncoding::Cp949,
         LineEnd::Lf},
    };
    for (const Case &c : cases) {
        const PlainTextFile file = decodePlainText(c.bytes, LineEnd::Lf);
        EXPECT_EQ(file.text, c.text) << c.what;
        EXPECT_EQ(file.encoding, c.encoding) << c.what;
        EXPECT_EQ(file.lineEnd, c.lineEnd) << c.what;
        // Written back unchanged, in the encoding and with the line ends it came in.
        if (QByteArray(c.what) != "the first line end decides") {
            EXPECT_EQ(encodePlainText(file.text, file.encoding, file.lineEnd), c.bytes) << c.what;
        }
    }
}

TEST(TextCodec, ForeignBytesSurviveARoundTrip)
{
    const QByteArray bytes("\xFF\xC7\xD1\x80\r\n");
    const PlainTextFile file = decodePlainText(bytes);
    EXPECT_EQ(file.encoding, TextEncoding::Cp949);
    EXPECT_EQ(encodePlainText(file.text, file.encoding, file.lineEnd), bytes);
}

TEST(TextCodec, TextTheCodePageCannotHoldIsWrittenAsUtf8)
{
    TextEncoding used = TextEncoding::Cp949;
    const QByteArray bytes =
        encodePlainText(QStringLiteral("한 ẞ\n"), TextEncoding::Cp949, LineEnd::CrLf, &used);
    EXPECT_EQ(used, TextEncoding::Utf8);
    EXPECT_EQ(bytes, QByteArray("\xED\x95\x9C \xE1\xBA\x9E\r\n"));
    EXPECT_EQ(encodePlainText(QStringLiteral("한"), TextEncoding::Cp949, LineEnd::Lf, &used),
              QByteArray("\xC7\xD1"));
    EXPECT_EQ(used, TextEncoding::Cp949);
}
