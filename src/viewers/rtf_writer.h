#pragma once
// Writes a QTextDocument as RTF in the way of the Korean Windows rich-edit control:
// \ansicpg949, fonts with \fcharset129, text in code page 949 as \'xx bytes, and \uN
// (with a "?" stand-in, \uc1) for characters the code page cannot hold.

#include <QByteArray>

class QTextDocument;

namespace kav::viewers {

QByteArray writeRtf(const QTextDocument &document);

} // namespace kav::viewers
