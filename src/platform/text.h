#pragma once
// Small text rules that many parts share, each written once: trimming, cutting
// received bytes into lines, and the line end of a listing line. (UTF-8 with
// byte escapes is utf8x.h, code page 949 is cp949.h.)

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace kav::text {

// Without the blanks and control characters (code 0x20 and below) at both ends.
QString trimmed(QStringView text);
QByteArray trimmedBytes(QByteArrayView bytes);
// Without the spaces and tabs at both ends (an INI file's rule: other control
// characters are part of a value).
QStringView trimmedBlanks(QStringView text);

} // namespace kav::text

namespace kav {

// The text of a line without its line end: only a CR is dropped, so a server
// that ends lines with LF alone keeps every character.
QString withoutTrailingCR(const QString &line);

// Cuts received bytes into lines: a LF or a NUL ends a line (not included);
// every other byte, CR included, belongs to the line. Bytes after the last end
// wait for the next block; a last line that never ends is dropped.
class LineSplitter {
public:
    QList<QByteArray> feed(const char *data, qsizetype size);
    bool hasPartialLine() const { return !partial.isEmpty(); }
    void clear() { partial.clear(); }

private:
    QByteArray partial;
};

} // namespace kav
