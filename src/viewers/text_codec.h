#pragma once
// Plain text files as the viewer reads and writes them: code page 949 (the ANSI
// code page) unless the file is valid UTF-8, and line ends as they came.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kav::viewers {

enum class TextEncoding { Cp949, Utf8, Utf8Bom };
enum class LineEnd { CrLf, Lf, Cr };

struct PlainTextFile {
    QString text;  // lines separated by '\n' only
    TextEncoding encoding = TextEncoding::Cp949;
    LineEnd lineEnd = LineEnd::CrLf;
};

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

// Reads a file's bytes. A UTF-8 byte order mark, or non-ASCII bytes that are all valid
// UTF-8, make it UTF-8; anything else is code page 949 (pure ASCII counts as that).
// The line end is the first one met (CR LF, LF or CR); a file without one gets `fallback`.
PlainTextFile decodePlainText(QByteArrayView bytes, LineEnd fallback = LineEnd::CrLf);

// Writes text ('\n' between lines) back in an encoding with the given line ends.
// Code page 949 text that holds a character the code page cannot represent is written
// as UTF-8 instead, so nothing typed is lost; `used` (when given) tells which was written.
QByteArray encodePlainText(const QString &text, TextEncoding encoding, LineEnd lineEnd,
                           TextEncoding *used = nullptr);

} // namespace kav::viewers
