// The RTF tokenizer, reader and writer: hand-made snippets, word-processor files and
// write-then-read round trips.
#include "viewers/long_paragraphs.h"
#include "viewers/rtf_reader.h"
#include "viewers/rtf_tokenizer.h"
#include "viewers/rtf_writer.h"

#include <QColor>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <gtest/gtest.h>

using namespace kav::viewers;

namespace {

QString plainText(const QTextDocument &doc)
{
    QStringList lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines.join(QLatin1Char('\n'));
}

QString readToText(const QByteArray &rtf)
{
    QTextDocument doc;
    readRtf(rtf, doc);
    return plainText(doc);
}

// The formatting of the character at `pos` of block `blockNo`.
QTextCharFormat formatAt(const QTextDocument &doc, int blockNo, int pos)
{
    QTextCursor c(doc.findBlockByNumber(blockNo));
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, pos + 1);
    return c.charFormat();
}

QString family(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(KAVRIN_FIXTURES "/rtf/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

bool isBold(const QTextCharFormat &f) { return f.fontWeight() > QFont::Medium; }

} // namespace

TEST(RtfTokenizer, SplitsWordsParametersSymbolsAndBytes)
{
    RtfTokenizer t(QByteArrayView("{\\b0\\fs-20 x\\'c7\\~\\bin2 {}y}"));
    std::vector<RtfToken> tokens;
    for (RtfToken tok = t.next(); tok.kind != RtfToken::End; tok = t.next())
        tokens.push_back(tok);
    ASSERT_EQ(tokens.size(), 8u);
    EXPECT_EQ(tokens[0].kind, RtfToken::GroupStart);
    EXPECT_EQ(tokens[1].word, "b");
    EXPECT_TRUE(tokens[1].hasParam);
    EXPECT_EQ(tokens[1].param, 0);
    EXPECT_EQ(tokens[2].word, "fs");
    EXPECT_EQ(tokens[2].param, -20);
    EXPECT_EQ(tokens[3].kind, RtfToken::Text);
    EXPECT_EQ(tokens[3].word, "x");  // the blank after a word is its delimiter
    EXPECT_EQ(tokens[4].kind, RtfToken::HexByte);
    EXPECT_EQ(tokens[4].byte, 0xC7);
    EXPECT_EQ(tokens[5].kind, RtfToken::ControlSymbol);
    EXPECT_EQ(tokens[5].symbol, '~');
    // \bin2 swallowed "{}" as data.
    EXPECT_EQ(tokens[6].word, "y");
    EXPECT_EQ(tokens[7].kind, RtfToken::GroupEnd);
}

TEST(RtfReader, MalformedInputNeverCrashes)
{
    const QByteArray cases[] = {
        "", "{", "}", "\\", "{\\rtf1", "{\\rtf1 \\'", "{\\rtf1 \\'z", "{\\rtf1 \\'4", "{\\rtf1 \\u",
        "{\\rtf1 \\u-", "{\\rtf1 \\u99999999999999999999 x}", "{\\rtf1 \\fs999999999 x}",
        "}}}{\\rtf1 a}}}", "{\\rtf1 {\\*", "{\\rtf1 \\bin999999 ab", "{\\rtf1 \\uc-5\\u65 x}",
        "{\\rtf1 \\uc99999\\u65 xxxx}", "{\\rtf1{\\fonttbl{\\f0", "{\\rtf1{\\fonttbl{\\f0\\fcharset129 \\'b1",
        "{\\rtf1 \\par\\par\\par", "{\\rtf1 \\pard\\fi-99999999\\li99999999 x\\par}",
        QByteArray(100000, '{') + "x" + QByteArray(100000, '}'),
        QByteArray("{\\rtf1 ") + QByteArray(5000, '\\'),
    };
    for (const QByteArray &rtf : cases) {
        QTextDocument doc;
        readRtf(rtf, doc);
        SUCCEED();
    }
    EXPECT_EQ(readToText(QByteArray(100000, '{') + "x" + QByteArray(100000, '}')), "x");
}

TEST(RtfReader, TextOfHandMadeSnippets)
{
    struct Case {
        const char *what;
        QByteArray rtf;
        QString text;
    };
    const Case cases[] = {
        {"code page 949 bytes through a Hangul font",
         "{\\rtf1\\ansi\\ansicpg949{\\fonttbl{\\f0\\fcharset129 x;}}\\f0 \\'c7\\'d1\\'b1\\'db}",
         QStringLiteral("한글")},
        {"document code page only",
         "{\\rtf1\\ansi\\ansicpg949 \\'c7\\'d1}", QStringLiteral("한")},
        {"lead byte as \\'xx, trail byte as a letter", "{\\rtf1\\ansicpg949 \\'8cc}",
         QStringLiteral("똠")},
        {"\\u with the default one stand-in", "{\\rtf1 \\u54620?\\u44544?}", QStringLiteral("한글")},
        {"\\uc2 skips two \\'xx stand-ins", "{\\rtf1\\ansicpg949 \\uc2\\u46624\\'8c\\'63 end}",
         QStringLiteral("똠 end")},
        {"\\uc0 has no stand-ins", "{\\rtf1\\uc0\\u54620\\u44544}", QStringLiteral("한글")},
        {"negative \\u values and a surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}",
         QString::fromUtf8("\xF0\x9F\x98\x80")},
        {"\\uc is scoped to its group", "{\\rtf1 {\\uc2 \\u54620??}\\u44544?}",
         QStringLiteral("한글")},
        {"stand-in skipping ends with the group", "{\\rtf1 {\\uc3\\u54620?}ab}",
         QStringLiteral("한ab")},
        {"nested groups", "{\\rtf1 a{\\b b{\\i c}d}e}", QStringLiteral("abcde")},
        {"unknown starred destinations are skipped",
         "{\\rtf1 {\\*\\unknowndest hidden {\\b deeper}}shown{\\*\\generator Word;}}",
         QStringLiteral("shown")},
        {"tables and info are skipped",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 "
         "Normal;}}{\\info{\\title T}{\\author A}}body}",
         QStringLiteral("body")},
        {"escaped specials", "{\\rtf1 a\\\\b\\{c\\}}", QStringLiteral("a\\b{c}")},
        {"paragraphs; the final \\par makes none of its own", "{\\rtf1 one\\par two\\par }",
         QStringLiteral("one\ntwo")},
        {"an empty paragraph in the middle stays", "{\\rtf1 one\\par\\par two}",
         QStringLiteral("one\n\ntwo")},
        {"tab and line break", "{\\rtf1 a\\tab b\\line c}",
         QStringLiteral("a\tb") + QChar(0x2028) + QStringLiteral("c")},
        {"field result shown, instruction not",
         "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}}",
         QStringLiteral("link")},
        {"Western code page", "{\\rtf1\\ansi \\'e9\\'80}", QStringLiteral("é€")},
        {"source line ends mean nothing", "{\\rtf1 ab\r\ncd}", QStringLiteral("abcd")},
        {"\\bin data is not text", "{\\rtf1 a\\bin3 }}}b}", QStringLiteral("ab")},
        {"bullet text of a list is not part of the paragraph",
         "{\\rtf1 {\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item}",
         QStringLiteral("item")},
        {"named specials", "{\\rtf1 \\lquote x\\rquote\\emdash\\bullet}",
         QString(QChar(0x2018)) + "x" + QChar(0x2019) + QChar(0x2014) + QChar(0x2022)},
        {"text after the document's closing brace is ignored", "{\\rtf1 in}out",
         QStringLiteral("in")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(readToText(c.rtf), c.text) << c.what;
}

TEST(RtfReader, CharacterAndParagraphFormatting)
{
    QTextDocument doc;
    readRtf("{\\rtf1\\ansi\\ansicpg949\\deff0{\\fonttbl{\\f0\\fcharset129 \\'b1\\'bc\\'b8\\'b2;}"
            "{\\f1\\fcharset0 Arial;}}"
            "\\pard\\qc\\fs32 a\\b b\\b0\\i c\\i0\\ul d\\ulnone\\f1\\fs20 e\\par"
            "\\pard\\qr\\fi-360\\li720\\ri1440 r\\par"
            "\\pard{\\*\\pn\\pnlvlblt}one\\par{\\*\\pn\\pnlvlblt}two\\par\\pard plain\\par}",
            doc);
    ASSERT_EQ(doc.blockCount(), 5);
    QTextBlock b0 = doc.findBlockByNumber(0);
    EXPECT_EQ(b0.text(), "abcde");
    EXPECT_TRUE(b0.blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_EQ(family(formatAt(doc, 0, 0)), QStringLiteral("굴림"));
    EXPECT_DOUBLE_EQ(formatAt(doc, 0, 0).fontPointSize(), 16.0);
    EXPECT_FALSE(isBold(formatAt(doc, 0, 0)));
    EXPECT_TRUE(isBold(formatAt(doc, 0, 1)));
    EXPECT_TRUE(formatAt(doc, 0, 2).fontItalic());
    EXPECT_FALSE(isBold(formatAt(doc, 0, 2)));
    EXPECT_TRUE(formatAt(doc, 0, 3).fontUnderline());
    EXPECT_FALSE(formatAt(doc, 0, 4).fontUnderline());
    EXPECT_EQ(family(formatAt(doc, 0, 4)), "Arial");
    EXPECT_DOUBLE_EQ(formatAt(doc, 0, 4).fontPointSize(), 10.0);

    const QTextBlockFormat r = doc.findBlockByNumber(1).blockFormat();
    EXPECT_TRUE(r.alignment() & Qt::AlignRight);
    EXPECT_DOUBLE_EQ(r.textIndent(), -360 / 15.0);
    EXPECT_DOUBLE_EQ(r.leftMargin(), 720 / 15.0);
    EXPECT_DOUBLE_EQ(r.rightMargin(), 1440 / 15.0);

    QTextList *list = doc.findBlockByNumber(2).textList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(doc.findBlockByNumber(3).textList(), list);  // consecutive bullets share a list
    EXPECT_EQ(list->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(doc.findBlockByNumber(4).textList(), nullptr);
}

TEST(RtfFixtures, LibreOfficeKoreanDocument)
{
    QTextDocument doc;
    readRtf(fixture("libreoffice_korean.rtf"), doc);
    const QStringList expected = {
        QStringLiteral("안녕하세요 Kavrin 뷰어입니다."),
        QStringLiteral("굵은 글씨 보통 기울임 밑줄"),
        QStringLiteral("가운데 정렬 똠방각하"),
        QStringLiteral("오른쪽 정렬"),
        QStringLiteral("첫째 항목"),
        QStringLiteral("둘째 항목"),
        QStringLiteral("들여쓰기 단락 Ω €"),
    };
    ASSERT_EQ(plainText(doc), expected.join('\n'));
    // Bold Hangul is written as the associated (double-byte) bold \ab.
    EXPECT_TRUE(isBold(formatAt(doc, 1, 0)));
    EXPECT_FALSE(isBold(formatAt(doc, 1, 7)));
    EXPECT_TRUE(formatAt(doc, 1, expected[1].indexOf(QStringLiteral("기울임"))).fontItalic());
    EXPECT_TRUE(formatAt(doc, 1, expected[1].indexOf(QStringLiteral("밑줄"))).fontUnderline());
    EXPECT_EQ(family(formatAt(doc, 0, 0)), "NanumGothic");
    EXPECT_DOUBLE_EQ(formatAt(doc, 0, 0).fontPointSize(), 12.0);
    EXPECT_DOUBLE_EQ(formatAt(doc, 2, 0).fontPointSize(), 16.0);
    EXPECT_TRUE(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(doc.findBlockByNumber(3).blockFormat().alignment() & Qt::AlignRight);
    EXPECT_NE(doc.findBlockByNumber(4).textList(), nullptr);
    EXPECT_NE(doc.findBlockByNumber(5).textList(), nullptr);
    EXPECT_EQ(doc.findBlockByNumber(6).textList(), nullptr);
    const QTextBlockFormat indented = doc.findBlockByNumber(6).blockFormat();
    EXPECT_DOUBLE_EQ(indented.leftMargin(), 1440 / 15.0);
    EXPECT_DOUBLE_EQ(indented.textIndent(), 720 / 15.0);
}

TEST(RtfFixtures, KoreanRichEditDocumentInCodePage949)
{
    QTextDocument doc;
    readRtf(fixture("wordpad_korean.rtf"), doc);
    const QStringList expected = {
        QStringLiteral("한글 굵게 기울임 밑줄"), QStringLiteral("가운데"),
        QStringLiteral("Right 오른쪽"), QStringLiteral("항목"), QStringLiteral("똠 € end"),
    };
    ASSERT_EQ(plainText(doc), expected.join('\n'));
    EXPECT_EQ(family(formatAt(doc, 0, 0)), QStringLiteral("굴림체"));
    EXPECT_DOUBLE_EQ(formatAt(doc, 0, 0).fontPointSize(), 10.0);
    EXPECT_FALSE(isBold(formatAt(doc, 0, 0)));
    EXPECT_TRUE(isBold(formatAt(doc, 0, 3)));
    EXPECT_TRUE(formatAt(doc, 0, 6).fontItalic());
    EXPECT_TRUE(formatAt(doc, 0, 10).fontUnderline());
    EXPECT_TRUE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(formatAt(doc, 1, 0).fontPointSize(), 16.0);
    EXPECT_TRUE(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignRight);
    EXPECT_EQ(family(formatAt(doc, 2, 0)), "Arial");
    EXPECT_EQ(family(formatAt(doc, 2, 6)), QStringLiteral("굴림체"));
    EXPECT_NE(doc.findBlockByNumber(3).textList(), nullptr);
    EXPECT_DOUBLE_EQ(doc.findBlockByNumber(3).blockFormat().leftMargin(), 720 / 15.0);
    const QTextBlockFormat last = doc.findBlockByNumber(4).blockFormat();
    EXPECT_DOUBLE_EQ(last.textIndent(), 720 / 15.0);
    EXPECT_DOUBLE_EQ(last.leftMargin(), 1440 / 15.0);
    EXPECT_DOUBLE_EQ(last.rightMargin(), 360 / 15.0);
}

namespace {

struct Run {
    QString text;
    bool bold = false, italic = false, underline = false;
    double points = 12;
    QString family = QStringLiteral("NanumGothic");
};
struct Para {
    std::vector<Run> runs;
    Qt::Alignment align = Qt::AlignLeft;
    double left = 0, indent = 0, right = 0;  // pixels, whole twips
    bool bullet = false;
};

void build(QTextDocument &doc, const std::vector<Para> &paras)
{
    QTextCursor c(&doc);
    QTextList *list = nullptr;
    for (size_t i = 0; i < paras.size(); ++i) {
        const Para &p = paras[i];
        if (i > 0)
            c.insertBlock();
        QTextBlockFormat bf;
        bf.setAlignment(p.align);
        bf.setLeftMargin(p.left);
        bf.setTextIndent(p.indent);
        bf.setRightMargin(p.right);
        c.setBlockFormat(bf);
        if (p.bullet) {
            if (list)
                list->add(c.block());
            else {
                QTextListFormat lf;
                lf.setStyle(QTextListFormat::ListDisc);
                list = c.createList(lf);
            }
        } else {
            list = nullptr;
        }
        for (const Run &r : p.runs) {
            QTextCharFormat cf;
            cf.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
            cf.setFontItalic(r.italic);
            cf.setFontUnderline(r.underline);
            cf.setFontPointSize(r.points);
            cf.setFontFamilies({r.family});
            c.insertText(r.text, cf);
        }
    }
}

// Every character's style, so that run boundaries do not matter.
std::string describe(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out << QStringLiteral("para align=%1 left=%2 indent=%3 right=%4 bullet=%5")
                   .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute))
                   .arg(bf.leftMargin())
                   .arg(bf.textIndent())
                   .arg(bf.rightMargin())
                   .arg(b.textList() != nullptr);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            for (QChar ch : f.text())
                out << QStringLiteral("%1 b=%2 i=%3 u=%4 pt=%5 %6")
                           .arg(ch)
                           .arg(isBold(cf))
                           .arg(cf.fontItalic())
                           .arg(cf.fontUnderline())
                           .arg(cf.fontPointSize())
                           .arg(family(cf));
        }
    }
    return out.join(QLatin1Char('\n')).toStdString();
}

} // namespace

TEST(RtfRoundTrip, WriteThenReadKeepsTextAndStyles)
{
    const QString surrogateEscape = QString(QChar(0xDC00 + 0xFF));  // the foreign byte 0xFF as the codec keeps it
    struct Case {
        const char *what;
        std::vector<Para> paras;
    };
    const std::vector<Case> cases = {
        {"one plain paragraph", {{{{QStringLiteral("hello")}}}}},
        {"Korean, extended syllables and symbols",
         {{{{QStringLiteral("한글 똠방각하 € ‘인용’ ½")}}}}},
        {"characters outside code page 949",
         {{{{QString::fromUtf8("Ω ĳ \xF0\x9F\x98\x80 ä ẞ")}}}}},
        {"RTF specials and control characters",
         {{{{QStringLiteral("a\\b{c}d\te") + QChar(0x00A0) + QStringLiteral("f")}}}}},
        {"styles in one paragraph",
         {{{{QStringLiteral("plain ")},
            {QStringLiteral("굵게"), true},
            {QStringLiteral(" 기울임"), false, true},
            {QStringLiteral(" 밑줄"), false, false, true},
            {QStringLiteral(" 모두"), true, true, true, 20.5, QStringLiteral("Arial")},
            {QStringLiteral(" small"), false, false, false, 8, QStringLiteral("굴림체")}}}}},
        {"alignment, indents and bullets",
         {{{{QStringLiteral("left")}}},
          {{{QStringLiteral("centre")}}, Qt::AlignHCenter},
          {{{QStringLiteral("right")}}, Qt::AlignRight, 48, -24, 96},
          {{{QStringLiteral("justified")}}, Qt::AlignJustify},
          {{{QStringLiteral("bullet 1")}}, Qt::AlignLeft, 24, 0, 0, true},
          {{{QStringLiteral("bullet 2")}}, Qt::AlignLeft, 24, 0, 0, true},
          {{{QStringLiteral("after")}}}}},
        {"empty paragraphs, also the last one",
         {{{{QStringLiteral("a")}}}, {}, {{{QStringLiteral("b")}}}, {}}},
    };
    for (const Case &c : cases) {
        QTextDocument original;
        build(original, c.paras);
        const QByteArray rtf = writeRtf(original);
        ASSERT_TRUE(looksLikeRtf(rtf));
        QTextDocument copy;
        readRtf(rtf, copy);
        EXPECT_EQ(describe(copy), describe(original)) << c.what << "\n" << rtf.constData();
    }

    // Bytes that came from a file in another encoding come back as the same bytes, even
    // beside a control character or another such byte that they could pair with.
    const auto esc = [](int byte) { return QString(QChar(0xDC00 + byte)); };
    const std::vector<Case> escapes = {
        {"a foreign byte", {{{{QStringLiteral("x") + surrogateEscape}}}}},
        {"around a control character", {{{{esc(0xB0) + QChar(1) + esc(0xA1)}}}}},
        {"two that would pair into 가", {{{{esc(0xB0) + esc(0xA1) + QStringLiteral("y")}}}}},
        {"before a letter that completes 81 41", {{{{esc(0x81)}, {QStringLiteral("A"), true}}}}},
    };
    for (const Case &c : escapes) {
        QTextDocument original;
        build(original, c.paras);
        const QByteArray rtf = writeRtf(original);
        QTextDocument copy;
        readRtf(rtf, copy);
        EXPECT_EQ(describe(copy), describe(original)) << c.what << "\n" << rtf.constData();
        EXPECT_EQ(plainText(copy), plainText(original)) << c.what;
    }
}

TEST(RtfRoundTrip, ColoursAreReadAndWrittenBack)
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg949{\\fonttbl{\\f0\\fcharset129 Gulim;}{\\f1 Arial;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red255\\green255\\blue0;}"
        "\\f0 plain {\\cf1 red}{\\f1\\cf2\\cb3 green on yellow}{\\cf9 past the table}\\par}";
    const auto check = [](const QTextDocument &doc, const char *when) {
        const auto fg = [&](int pos) { return formatAt(doc, 0, pos).foreground(); };
        EXPECT_EQ(fg(0).style(), Qt::NoBrush) << when;                      // "plain"
        EXPECT_EQ(fg(6).color(), QColor(255, 0, 0)) << when;                  // "red"
        const QTextCharFormat green = formatAt(doc, 0, 10);
        EXPECT_EQ(green.foreground().color(), QColor(0, 128, 0)) << when;
        EXPECT_EQ(green.background().color(), QColor(255, 255, 0)) << when;
        EXPECT_EQ(family(green), QStringLiteral("Arial")) << when;
        EXPECT_EQ(fg(26).style(), Qt::NoBrush) << when;                     // an index past the table
    };
    QTextDocument doc;
    readRtf(rtf, doc);
    ASSERT_EQ(plainText(doc), QStringLiteral("plain redgreen on yellowpast the table"));
    check(doc, "read");

    const QByteArray written = writeRtf(doc);
    EXPECT_TRUE(written.contains("{\\colortbl ;")) << written.constData();
    QTextDocument reread;
    readRtf(written, reread);
    EXPECT_EQ(plainText(reread), plainText(doc));
    check(reread, "saved and read again");
}

TEST(RtfReader, LargeHostileDocumentsAreReadWhole)
{
    // Thousands of tiny runs and bullets once took minutes: every run laid the paragraph
    // out again and every bullet walked the whole list. They must simply open.
    QByteArray runs = "{\\rtf1\\ansi ";
    qsizetype pairs = 0;
    for (; runs.size() < 1024 * 1024; ++pairs)
        runs += "\\b x\\b0 y";
    runs += '}';
    QTextDocument doc;
    readRtf(runs, doc);
    // One paragraph, held in blocks of bounded length so that no change lays it all out.
    EXPECT_EQ(paragraphLines(doc).size(), 1);
    EXPECT_EQ(paragraphText(doc).size(), pairs * 2);
    EXPECT_GT(doc.blockCount(), 1);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        EXPECT_LE(b.length() - 1, kDisplayBlockChars + 512);

    QByteArray bullets = "{\\rtf1\\ansi ";
    const int count = 40000;
    for (int i = 0; i < count; ++i)
        bullets += "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item\\par\n";
    bullets += '}';
    QTextDocument list;
    readRtf(bullets, list);
    ASSERT_EQ(list.blockCount(), count);
    int inLists = 0;
    for (QTextBlock b = list.begin(); b.isValid(); b = b.next())
        inLists += b.textList() != nullptr && b.text() == QStringLiteral("item");
    EXPECT_EQ(inLists, count);
}

TEST(RtfWriter, WritesKoreanAsCodePage949Bytes)
{
    QTextDocument doc;
    build(doc, {{{{QStringLiteral("한")}}}});
    const QByteArray rtf = writeRtf(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg949"));
    EXPECT_TRUE(rtf.contains("\\fcharset129"));
    EXPECT_TRUE(rtf.contains("\\'c7\\'d1")) << rtf.constData();
}

TEST(RtfReader, ReadInStepsOfAnySizeGivesTheSameDocument)
{
    // A step may end anywhere, even between the two bytes of a Hangul character or
    // inside a run of megabytes without a control word.
    QByteArray hangulHex = "{\\rtf1\\ansi\\ansicpg949{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 ";
    for (int i = 0; i < 3000; ++i)
        hangulHex += "\\'c7\\'d1\\'b1\\'db ";
    hangulHex += "\\par second\\par}";
    QByteArray rawCp949 = "{\\rtf1\\ansi\\ansicpg949{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 ";
    rawCp949 += QByteArray("\xC7\xD1\xB1\xDB" "ab\x8C\x63").repeated(6000) + "}";
    QByteArray rawUtf8 = "{\\rtf1\\ansi\\ansicpg65001 ";
    rawUtf8 += QByteArray("\xED\x95\x9C\xF0\x9F\x98\x80x").repeated(6000) + "}";
    const QByteArray noBlanks = "{\\rtf1\\ansi " + QByteArray(50000, 'z') + "}";
    for (const QByteArray &rtf : {hangulHex, rawCp949, rawUtf8, noBlanks}) {
        QTextDocument whole;
        readRtf(rtf, whole);
        const QString expected = paragraphText(whole);
        ASSERT_GT(expected.size(), kDisplayBlockChars);
        EXPECT_FALSE(expected.contains(QChar(0xFFFD)));
        for (const qsizetype amount : {1, 7, 4096}) {
            QTextDocument stepped;
            const auto loader = rtfLoader(rtf, stepped);
            int steps = 0;
            while (!loader->step(amount))
                ASSERT_LT(++steps, 1000000);
            EXPECT_EQ(loader->percent(), 100);
            EXPECT_TRUE(paragraphText(stepped) == expected) << amount;
            EXPECT_EQ(paragraphLines(stepped).size(), paragraphLines(whole).size()) << amount;
        }
    }
}

TEST(RtfWriter, ALongParagraphIsWrittenAndPrintedAsOne)
{
    // Blocks of a long paragraph are shown apart but are one paragraph of the file, with
    // the paragraph's format, and one paragraph of a printed copy.
    QByteArray rtf = "{\\rtf1\\ansi \\pard\\qc\\li300 ";
    for (int i = 0; i < 5000; ++i)
        rtf += "{\\b bold} plain ";
    rtf += "\\par\\pard after\\par}";
    QTextDocument doc;
    readRtf(rtf, doc);
    ASSERT_GT(doc.blockCount(), 3);
    ASSERT_TRUE(hasDisplayBreaks(doc));
    for (QTextBlock b = doc.begin(); b != doc.lastBlock(); b = b.next()) {
        EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_EQ(b.blockFormat().leftMargin(), 20);
    }
    const QStringList lines = paragraphLines(doc);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.last(), QStringLiteral("after"));

    const QByteArray written = writeRtf(doc);
    EXPECT_EQ(written.count("\\par\r\n"), 2);
    QTextDocument reread;
    readRtf(written, reread);
    EXPECT_EQ(paragraphLines(reread), lines);

    const auto printed = joinedCopy(doc);
    ASSERT_EQ(printed->blockCount(), 2);
    EXPECT_EQ(printed->firstBlock().text(), lines.first());
    EXPECT_EQ(printed->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_FALSE(hasDisplayBreaks(*printed));
}
