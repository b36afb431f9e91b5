#pragma once
// The text viewer's rules that need no widget: the format rule, the status bar's
// texts, the ruler's pixel and point arithmetic, and the search.

#include <QString>
#include <QStringView>
#include <optional>

namespace kav::viewers {

// The largest file the viewer holds in memory; larger ones belong in the hex viewer.
constexpr long long kViewerSizeLimit = 64LL * 1024 * 1024;
inline bool fitsInViewer(long long size) { return size <= kViewerSizeLimit; }
// The message for a file past that limit.
QString tooLargeToViewText(const QString &name, long long size);

// A name whose upper-case form contains ".RTF" is rich text; any other plain text.
bool isRichTextName(const QString &name);

// Panel 0: "Ln: %d  Col: %d" (two blanks before Col).
QString positionText(int line, int column);

// Panels 2 to 5 for the character under the caret; all empty when there is none.
struct CharacterPanels {
    QString chr, dec, hex, bin;
};
CharacterPanels characterPanels(std::optional<char32_t> character);
// The code in binary without leading zeros: "0" for 0, a "-" before a negative value.
QString binaryText(long long value);

// Panel 6: "INS ", "NUM ", "SCR ", "CAP " for the keys that are on, in that order.
QString keyStateText(bool insert, bool numLock, bool scrollLock, bool capsLock);

// The ruler: 4/3 pixel per point. Indents are the rich-edit control's, in points: the
// first indent is the first line's distance from the left edge, the left indent that
// of the other lines from the first indent, the right indent from the right edge.
struct Indents {
    int first = 0, left = 0, right = 0;
};
struct MarkerLefts {
    int first = 0, left = 0, right = 0;
};
MarkerLefts markerLefts(const Indents &indents, int rulerClientWidth);
int firstIndentFromMarker(int markerLeft, int gripOffset);
int leftIndentFromMarker(int markerLeft, int gripOffset, int firstIndent);
int rightIndentFromMarker(int markerLeft, int gripOffset, int rulerClientWidth);

// Where a text document keeps paragraph indents (pixels): left margin, first-line
// indent relative to it, right margin.
struct BlockMargins {
    double leftMargin = 0, textIndent = 0, rightMargin = 0;
};
Indents indentsOfMargins(const BlockMargins &margins);
BlockMargins marginsOfIndents(const Indents &indents);

// The first match of `pattern` in `text` at or after `from`, or -1. Whole word: the
// match is neither preceded nor followed by a letter, digit or underscore.
qsizetype findText(QStringView text, QStringView pattern, qsizetype from, bool wholeWord,
                   bool matchCase);

} // namespace kav::viewers
