#pragma once
// Small text rules that many parts share, each written once: trimming, cutting
// received bytes into lines, and the line end of a listing line. (UTF-8 with
// byte escapes is utf8x.h, code page 949 is cp949.h.)

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace kav::text {

// Without the blanks and control characters (code 0x20 and below) at both ends.
QString trimmed(QStringView text);
QByteArray trimmedBytes(QByteArrayView bytes);
// Without the spaces and tabs at both ends (an INI file's rule: other control
// characters are part of a value).
QStringView trimmedBlanks(QStringView text);
// A size a server wrote: decimal digits only. Anything else (a sign, a
// device's "1,", a field of another shape) gives -1 rather than a wrong size.
qint64 decimalOrUnknown(QStringView digits);
qint64 decimalOrUnknown(QByteArrayView digits);

} // namespace kav::text

namespace kav {

// The text of a line without its line end: only a CR is dropped, so a server
// that ends lines with LF alone keeps every character.
QString withoutTrailingCR(const QString &line);

// Cuts received bytes into lines: a LF or a NUL ends a line (not included);
// every other byte, CR included, belongs to the line. Bytes after the last end
// wait for the next block; a last line that never ends is dropped.
//
// With a line limit, a line longer than the limit is never returned nor kept
// (a peer that never sends a line end must not fill the memory); overflowed()
// then tells the caller, who treats it as a broken peer. Each byte is looked at
// once, however the bytes arrive.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype maxLineLength = 0) : maxLine(maxLineLength) {}
    QList<QByteArray> feed(const char *data, qsizetype size);
    // The same lines without copying them: views into `data`, or into the
    // splitter for a line begun in an earlier block, valid until the next feed.
    QList<QByteArrayView> feedViews(const char *data, qsizetype size);
    bool hasPartialLine() const { return !partial.isEmpty(); }
    // The bytes after the last line end, taken (a viewer shows a last line without one).
    QByteArray takePartialLine() { return std::exchange(partial, QByteArray()); }
    bool overflowed() const { return overflow; }
    void clear()
    {
        partial.clear();
        overflow = false;
        skipping = false;
    }

private:
    bool tooLong(qsizetype length) const { return maxLine > 0 && length > maxLine; }

    QByteArray partial;
    QByteArray joined;       // the line that began in an earlier block
    qsizetype maxLine = 0;   // 0: no limit
    bool overflow = false;
    bool skipping = false;   // inside a line that was too long
};

} // namespace kav
