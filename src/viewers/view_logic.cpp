#include "view_logic.h"

#include <cmath>

namespace kav::viewers {

bool isRichTextName(const QString &name)
{
    return name.toUpper().contains(QLatin1String(".RTF"));
}

QString tooLargeToViewText(const QString &name, long long size)
{
    return QStringLiteral("파일 '") + name + QStringLiteral("'는 ") + QString::number(size)
           + QStringLiteral(" Bytes로 너무 커서 보기 창에 열 수 없습니다.\n보기 창은 ")
           + QString::number(kViewerSizeLimit / (1024 * 1024))
           + QStringLiteral(" MB까지의 파일만 엽니다. 헥사 보기로 여십시오.");
}

QString positionText(int line, int column)
{
    return QStringLiteral("Ln: %1  Col: %2").arg(line).arg(column);
}

QString binaryText(long long value)
{
    if (value == 0)
        return QStringLiteral("0");
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    QString digits;
    while (magnitude) {
        digits.prepend(QLatin1Char(magnitude & 1 ? '1' : '0'));
        magnitude >>= 1;
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

CharacterPanels characterPanels(std::optional<char32_t> character)
{
    CharacterPanels panels;
    if (!character)
        return panels;
    const char32_t code = *character;
    panels.chr = QStringLiteral("Chr:") + QString::fromUcs4(&code, 1);
    panels.dec = QStringLiteral("Dec: ") + QString::number(code);
    panels.hex = QStringLiteral("Hex: ") + QString::asprintf("%.2x", static_cast<unsigned>(code));
    panels.bin = QStringLiteral("Bin: ") + binaryText(code);
    return panels;
}

QString keyStateText(bool insert, bool numLock, bool scrollLock, bool capsLock)
{
    QString text;
    if (insert)
        text += QLatin1String("INS ");
    if (numLock)
        text += QLatin1String("NUM ");
    if (scrollLock)
        text += QLatin1String("SCR ");
    if (capsLock)
        text += QLatin1String("CAP ");
    return text;
}

namespace {
constexpr double kPixelsPerPoint = 4.0 / 3.0;
int truncated(double value) { return static_cast<int>(std::trunc(value)); }
} // namespace

MarkerLefts markerLefts(const Indents &indents, int rulerClientWidth)
{
    MarkerLefts lefts;
    lefts.first = truncated(indents.first * kPixelsPerPoint) + 2;
    lefts.left = truncated((indents.left + indents.first) * kPixelsPerPoint) + 2;
    lefts.right = rulerClientWidth - 6 - truncated((indents.right + 6) * kPixelsPerPoint);
    return lefts;
}

int firstIndentFromMarker(int markerLeft, int gripOffset)
{
    return truncated((markerLeft + gripOffset - 6) / kPixelsPerPoint);
}

int leftIndentFromMarker(int markerLeft, int gripOffset, int firstIndent)
{
    return truncated((markerLeft + gripOffset - 6) / kPixelsPerPoint) - firstIndent;
}

int rightIndentFromMarker(int markerLeft, int gripOffset, int rulerClientWidth)
{
    return truncated((rulerClientWidth - markerLeft + gripOffset - 2) / kPixelsPerPoint) - 12;
}

Indents indentsOfMargins(const BlockMargins &m)
{
    Indents indents;
    indents.first = qRound((m.leftMargin + m.textIndent) / kPixelsPerPoint);
    indents.left = qRound(-m.textIndent / kPixelsPerPoint);
    indents.right = qRound(m.rightMargin / kPixelsPerPoint);
    return indents;
}

BlockMargins marginsOfIndents(const Indents &indents)
{
    BlockMargins m;
    m.leftMargin = (indents.first + indents.left) * kPixelsPerPoint;
    m.textIndent = -indents.left * kPixelsPerPoint;
    m.rightMargin = indents.right * kPixelsPerPoint;
    return m;
}

namespace {
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
} // namespace

qsizetype findText(QStringView text, QStringView pattern, qsizetype from, bool wholeWord,
                   bool matchCase)
{
    if (pattern.isEmpty() || from < 0)
        return -1;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    qsizetype at = from;
    while (at <= text.size() - pattern.size()) {
        const qsizetype found = text.indexOf(pattern, at, cs);
        if (found < 0)
            return -1;
        const qsizetype end = found + pattern.size();
        if (!wholeWord
            || ((found == 0 || !isWordChar(text[found - 1]))
                && (end == text.size() || !isWordChar(text[end]))))
            return found;
        at = found + 1;
    }
    return -1;
}

} // namespace kav::viewers
