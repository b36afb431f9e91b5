#pragma once
// Code page 949 (Unified Hangul Code), the ANSI code page of the Korean Windows
// world that servers, configuration files and inetd services speak.
//
// Round-trip safe: a byte that does not start a valid CP949 sequence decodes to
// a lone surrogate U+DC80..U+DCFF (the "surrogate escape" idea) and encodes back
// to the same byte, so a name in a foreign encoding can still be used verbatim.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kav::cp949 {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

// True when every byte sequence is valid CP949 (no escapes needed to decode it).
bool isValid(QByteArrayView bytes);
// True when the text can be written in CP949 without loss (escaped bytes count as
// representable: they came from the bytes and go back to them).
bool canEncode(QStringView text);

} // namespace kav::cp949
