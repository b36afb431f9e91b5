#pragma once
// UTF-8 with the same escape rule as the code page 949 codec: a byte that does
// not belong to a valid UTF-8 sequence decodes to the lone surrogate U+DC00+byte
// and encodes back to that byte. A server's names survive a round trip through
// the user interface whatever their bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kav::utf8x {

QString decode(QByteArrayView bytes);
// A surrogate pair is a character; only a lone U+DC80..U+DCFF is an escaped byte.
QByteArray encode(QStringView text);
// True when the bytes are well-formed UTF-8 (shortest forms, no surrogates).
bool isValid(QByteArrayView bytes);
// The code unit of an escaped byte (U+DC80..U+DCFF) when it stands alone.
inline bool isByteEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

} // namespace kav::utf8x
