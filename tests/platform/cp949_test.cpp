#include "platform/cp949.h"

#include <gtest/gtest.h>

namespace {

using namespace kav;

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

struct Pair {
    const char *bytes;  // hex
    const char16_t *text;
};

// Both directions must agree for every well-formed text.
TEST(Cp949, DecodesAndEncodesBothWays)
{
    const Pair cases[] = {
        {"", u""},
        {"48656c6c6f2c2057", u"Hello, W"},                  // ASCII
        {"5c7e", u"\\~"},                                     // ASCII stays ASCII
        {"b0a1b3aab4d9", u"가나다"},                           // KS X 1001 syllables
        {"8c63", u"똠"},                                       // extended syllable
        {"c6c4c0cf2e747874", u"파일.txt"},                    // mixed
        {"5b485d202d20c7e3bfeb", u"[H] - 허용"},
        {"a1a1", u"\u3000"},                                 // ideographic space
        {"a2e6", u"\u20AC"},                                 // euro sign
        {"81418141", u"갂갂"},                                 // first extended pair
        {"c8fe", u"힝"},                                       // last KS X 1001 syllable
    };
    for (const Pair &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(cp949::decode(hex(c.bytes)), text) << c.bytes;
        EXPECT_EQ(cp949::encode(text), hex(c.bytes)) << c.bytes;
        EXPECT_TRUE(cp949::isValid(hex(c.bytes))) << c.bytes;
        EXPECT_TRUE(cp949::canEncode(text)) << c.bytes;
    }
}

// Bytes that are not CP949 decode to escapes and come back unchanged.
TEST(Cp949, InvalidBytesRoundTrip)
{
    struct Case {
        const char *bytes;
        const char16_t *text;
    } cases[] = {
        {"80", u"\xDC80"},                          // never a lead byte
        {"ff", u"\xDCFF"},
        {"b0", u"\xDCB0"},                          // lead byte at the end
        {"b020", u"\xDCB0 "},                       // trail outside the table
        {"b020b0a1", u"\xDCB0 가"},                  // a bad pair does not eat the next pair
        {"c9a1", u"\xDCC9\xDCA1"},                  // user-defined area: unassigned
        {"e18c63", u"\xDCE1똠"},                     // E1 8C is no pair; 8C 63 then is one
        {"ed959ceab5ad", nullptr},                   // UTF-8 "한국": partly pairs by chance
    };
    for (const auto &c : cases) {
        const QByteArray bytes = hex(c.bytes);
        const QString decoded = cp949::decode(bytes);
        if (c.text) {
            EXPECT_EQ(decoded, QString::fromUtf16(c.text)) << c.bytes;
        }
        EXPECT_EQ(cp949::encode(decoded), bytes) << c.bytes;
        EXPECT_FALSE(cp949::isValid(bytes)) << c.bytes;
        EXPECT_TRUE(cp949::canEncode(decoded)) << c.bytes;  // escapes go back to their bytes
    }
    // Every byte value and every pair survives a round trip.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    for (int lead = 0x80; lead < 0x100; ++lead)
        for (int trail = 0x00; trail < 0x100; ++trail)
            all += char(lead), all += char(trail);
    EXPECT_EQ(cp949::encode(cp949::decode(all)), all);
}

TEST(Cp949, EscapesAreExact)
{
    EXPECT_EQ(cp949::decode(hex("80")), QString(QChar(0xDC80)));
    EXPECT_EQ(cp949::decode(hex("ff")), QString(QChar(0xDCFF)));
    EXPECT_EQ(cp949::decode(hex("c9ff80")), QString::fromUtf16(u"\xDCC9\xDCFF\xDC80"));
}

// Characters without a CP949 form become one "?" each and are reported.
TEST(Cp949, UnrepresentableCharacters)
{
    struct Case {
        const char16_t *text;
        const char *bytes;
    } cases[] = {
        {u"caf\u00E9", "6361663f"},                   // é is not in CP949
        {u"a\U0001F600b", "613f62"},                  // emoji: one "?" for the pair
        {u"\u0627", "3f"},                           // Arabic
        {u"\xD800" u"x", "3f78"},                     // lone high surrogate
        {u"\xDC10", "3f"},                           // low surrogate outside the escape range
        {u"가\u00E9나", "b0a13fb3aa"},
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(cp949::encode(text), hex(c.bytes)) << c.bytes;
        EXPECT_FALSE(cp949::canEncode(text)) << c.bytes;
    }
}

TEST(Cp949, LongAsciiAndMixedText)
{
    // Crosses the eight-byte fast path in every alignment.
    for (int prefix = 0; prefix < 20; ++prefix) {
        const QString text = QString(prefix, QLatin1Char('a')) + QStringLiteral("똠b");
        const QByteArray bytes = QByteArray(prefix, 'a') + hex("8c6362");
        EXPECT_EQ(cp949::decode(bytes), text) << prefix;
        EXPECT_EQ(cp949::encode(text), bytes) << prefix;
    }
    const QByteArray line = "RETR some/long/path/name/with/no/korean/at/all.txt\r\n";
    EXPECT_EQ(cp949::decode(line), QString::fromLatin1(line));
    EXPECT_EQ(cp949::encode(QString::fromLatin1(line)), line);
}

// Every assigned Hangul syllable (all 11172) has a CP949 form and comes back.
TEST(Cp949, AllHangulSyllablesRoundTrip)
{
    QString all;
    for (char16_t c = 0xAC00; c <= 0xD7A3; ++c)
        all += QChar(c);
    ASSERT_TRUE(cp949::canEncode(all));
    const QByteArray bytes = cp949::encode(all);
    EXPECT_EQ(bytes.size(), all.size() * 2);
    EXPECT_TRUE(cp949::isValid(bytes));
    EXPECT_EQ(cp949::decode(bytes), all);
}

} // namespace
