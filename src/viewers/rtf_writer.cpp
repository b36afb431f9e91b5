#include "rtf_writer.h"

#include "platform/cp949.h"
#include "long_paragraphs.h"
#include "rtf_reader.h"

#include <QBrush>
#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace kav::viewers {

namespace {

QString familyOf(const QTextCharFormat &format, const QTextDocument &document)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return document.defaultFont().family();
}

void appendEscaped(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == 0x2028 || u == 0x2029 || u == '\n') {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u >= 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else if (u < 0x20 || u == 0x7F) {
            // Kept as \uN: a dropped character would let the bytes on either side join.
            out += "\\u" + QByteArray::number(int(u)) + '?';
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            for (int k = 0; k < 2; ++k)
                out += "\\u" + QByteArray::number(static_cast<qint16>(text[i + k].unicode())) + '?';
            ++i;
        } else if (c.isSurrogate()) {
            // A lone surrogate stands for an undecodable byte. As a raw byte it could pair
            // with its neighbour into a real character when the file is read again.
            out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        } else if (const QStringView one = text.mid(i, 1); cp949::canEncode(one)) {
            for (char b : cp949::encode(one)) {
                static const char hex[] = "0123456789abcdef";
                const auto v = static_cast<unsigned char>(b);
                out += "\\'";
                out += hex[v >> 4];
                out += hex[v & 15];
            }
        } else {
            out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
}

QByteArray twips(double pixels)
{
    return QByteArray::number(qRound(pixels * kTwipsPerPixel));
}

// The colour a fragment asks for, or an invalid colour when it leaves it to the default.
QColor brushColor(const QTextCharFormat &format, QTextFormat::Property property)
{
    if (!format.hasProperty(property))
        return {};
    const QBrush brush = format.brushProperty(property);
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}

bool isBulletList(const QTextList *list)
{
    if (!list)
        return false;
    const auto style = list->format().style();
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
           || style == QTextListFormat::ListSquare;
}

void writeParagraphStart(QByteArray &out, const QTextBlock &block, const QTextBlockFormat &format)
{
    out += "\\pard";
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignRight)
        out += "\\qr";
    else if (align & Qt::AlignHCenter)
        out += "\\qc";
    else if (align & Qt::AlignJustify)
        out += "\\qj";
    else
        out += "\\ql";
    if (format.textIndent() != 0)
        out += "\\fi" + twips(format.textIndent());
    if (format.leftMargin() != 0)
        out += "\\li" + twips(format.leftMargin());
    if (format.rightMargin() != 0)
        out += "\\ri" + twips(format.rightMargin());
    out += ' ';  // ends the last control word; text after a group needs none
    if (isBulletList(block.textList()))
        out += "{\\pntext\\u8226?\\tab}{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\u8226?}}";
}

} // namespace

QByteArray writeRtf(const QTextDocument &document)
{
    // The font table: every family used, in order of first use.
    // The colour table likewise; its entry 0 is the automatic colour.
    QStringList fonts;
    QList<QRgb> colors;
    const auto colorIndex = [&colors](const QColor &color) {
        return color.isValid() ? colors.indexOf(color.rgb()) + 1 : 0;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            const QString family = familyOf(cf, document);
            if (!fonts.contains(family))
                fonts.append(family);
            for (auto property : {QTextFormat::ForegroundBrush, QTextFormat::BackgroundBrush}) {
                const QColor color = brushColor(cf, property);
                if (color.isValid() && !colors.contains(color.rgb()))
                    colors.append(color.rgb());
            }
        }
    }
    if (fonts.isEmpty())
        fonts.append(document.defaultFont().family());

    QByteArray out = "{\\rtf1\\ansi\\ansicpg949\\deff0\\deflang1033\\deflangfe1042{\\fonttbl";
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset129 ";
        appendEscaped(out, fonts[i]);
        out += ";}";
    }
    out += '}';
    if (!colors.isEmpty()) {
        out += "\r\n{\\colortbl ;";
        for (QRgb rgb : colors)
            out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb))
                   + "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
        out += '}';
    }
    out += "\r\n{\\*\\generator Kavrin;}\\viewkind4\\uc1\r\n";

    const double defaultPoints = document.defaultFont().pointSizeF() > 0
                                     ? document.defaultFont().pointSizeF()
                                     : 12.0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // A block that continues a long paragraph goes on in the same paragraph of the file.
        if (!continuesParagraph(block))
            writeParagraphStart(out, block, block.blockFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat cf = fragment.charFormat();
            const double points = cf.fontPointSize() > 0 ? cf.fontPointSize() : defaultPoints;
            out += "{\\f" + QByteArray::number(fonts.indexOf(familyOf(cf, document)));
            out += "\\fs" + QByteArray::number(qRound(points * 2));
            if (cf.fontWeight() > QFont::Medium)
                out += "\\b";
            if (cf.fontItalic())
                out += "\\i";
            if (cf.fontUnderline())
                out += "\\ul";
            if (const int fg = colorIndex(brushColor(cf, QTextFormat::ForegroundBrush)))
                out += "\\cf" + QByteArray::number(fg);
            if (const int bg = colorIndex(brushColor(cf, QTextFormat::BackgroundBrush)))
                out += "\\cb" + QByteArray::number(bg) + "\\highlight" + QByteArray::number(bg);
            out += ' ';
            appendEscaped(out, fragment.text());
            out += '}';
        }
        if (!continuesParagraph(block.next()))
            out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace kav::viewers
