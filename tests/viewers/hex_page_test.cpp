// The hex viewer's page arithmetic and panel texts, without a window.
#include "viewers/hex_page.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav::viewers;

TEST(HexPage, SectorCountAndOffsets)
{
    struct Case {
        qint64 size, sectors;
    };
    const Case cases[] = {{0, 1},         {1, 1},         {255, 1},
                          {256, 1},       {257, 2},       {512, 2},
                          {513, 3},       {4294967296LL, 16777216}, // 4 GiB exactly
                          {4294967297LL, 16777217},       {5LL << 30, 20971520},
                          {(1LL << 40) + 1, (1LL << 32) + 1}};      // past a 32-bit sector number
    for (const Case &c : cases)
        EXPECT_EQ(sectorCount(c.size), c.sectors) << c.size;

    EXPECT_EQ(sectorOffset(1), 0);
    EXPECT_EQ(sectorOffset(2), 256);
    EXPECT_EQ(sectorOffset(20971520), (5LL << 30) - 256);

    EXPECT_EQ(clampSector(0, 7), 1);
    EXPECT_EQ(clampSector(-3, 7), 1);
    EXPECT_EQ(clampSector(8, 7), 7);
    EXPECT_EQ(clampSector(5, 7), 5);
}

TEST(HexPage, OffsetTexts)
{
    struct Case {
        qint64 offset;
        const char *text;
    };
    const Case cases[] = {{0, "  0000(0000)"},
                          {0x130, "  0304(0130)"},   // row 3 of sector 2
                          {0xfff0, "  65520(fff0)"},
                          {(5LL << 30) - 16, "  5368709104(13ffffff0)"}};
    for (const Case &c : cases)
        EXPECT_EQ(offsetText(c.offset), QString::fromLatin1(c.text)) << c.offset;
}

TEST(HexPage, PanelTextsOfOneByte)
{
    struct Case {
        quint8 value;
        const char *hex, *dec, *bin, *chr, *code;
    };
    const Case cases[] = {
        {0x00, "00", "0", "0", ".", "NUL"},
        {0x09, "09", "9", "1001", ".", "HT "},
        {0x0a, "0a", "10", "1010", ".", "LF "},
        {0x1f, "1f", "31", "11111", ".", "US "},
        {0x20, "20", "32", "100000", " ", ""},
        {0x41, "41", "65", "1000001", "A", ""},
        {0x7f, "7f", "127", "1111111", ".", ""},
        {0x80, "80", "128", "10000000", ".", ""},
        {0xb0, "b0", "176", "10110000", ".", ""},  // lead byte of "가" in code page 949
        {0xff, "ff", "255", "11111111", ".", ""},
    };
    for (const Case &c : cases) {
        const ByteInfo info = byteInfo(hexText(c.value), characterText(c.value));
        EXPECT_EQ(info.hex, QString::fromLatin1(c.hex)) << int(c.value);
        EXPECT_EQ(info.dec, QString::fromLatin1(c.dec)) << int(c.value);
        EXPECT_EQ(info.bin, QString::fromLatin1(c.bin)) << int(c.value);
        EXPECT_EQ(info.chr, QString::fromLatin1(c.chr)) << int(c.value);
        EXPECT_EQ(info.code, QString::fromLatin1(c.code)) << int(c.value);
    }
    const ByteInfo empty = byteInfo(QString(), QString());
    EXPECT_TRUE(empty.hex.isEmpty() && empty.dec.isEmpty() && empty.chr.isEmpty() && empty.code.isEmpty()
                && empty.bin.isEmpty());
}

TEST(HexPage, ControlNamesAreThreeCharacters)
{
    for (int v = 0; v < 32; ++v)
        EXPECT_EQ(controlName(v).size(), 3) << v;
    EXPECT_EQ(controlName(16), "SLE");
    EXPECT_EQ(controlName(26), "SIB");
    EXPECT_EQ(controlName(32), "");
    EXPECT_EQ(controlName(-1), "");
}

TEST(HexPage, PagesStopAtTheEndOfTheFile)
{
    QByteArray full(256, '\0');
    for (int i = 0; i < 256; ++i)
        full[i] = char(i);
    const HexPage whole = formatSector(1, full);
    EXPECT_EQ(whole.offsets[15], "  0240(00f0)");
    EXPECT_EQ(whole.hex[15][15], "ff");
    EXPECT_EQ(whole.chars[4][1], "A");

    // The second sector of a 257-byte file: one byte in row 0, column 0.
    const HexPage one = formatSector(2, QByteArray(1, 'Z'));
    EXPECT_EQ(one.offsets[0], "  0256(0100)");
    EXPECT_EQ(one.hex[0][0], "5a");
    EXPECT_EQ(one.chars[0][0], "Z");
    EXPECT_TRUE(one.hex[0][1].isEmpty());
    EXPECT_TRUE(one.offsets[1].isEmpty());

    // A page ending exactly at a row boundary: the next row shows its offset only.
    const HexPage row = formatSector(3, QByteArray(16, 'x'));
    EXPECT_EQ(row.hex[0][15], "78");
    EXPECT_EQ(row.offsets[1], "  0528(0210)");
    EXPECT_TRUE(row.hex[1][0].isEmpty());
    EXPECT_TRUE(row.offsets[2].isEmpty());
}
