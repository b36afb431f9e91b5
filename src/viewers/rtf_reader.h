#pragma once
// Reads RTF into a QTextDocument: paragraphs; bold, italic, underline; fonts from the
// font table with their character sets, and sizes; the document code page (\ansicpgN)
// and \'xx bytes decoded through it (code page 949 through our own codec); \uN with
// \ucN; alignment; first, left and right indents; bullets. Destinations it does not
// know are skipped. Any input gives a document; malformed input never crashes it.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QTextDocument;

namespace kav::viewers {

// Indents in the document are pixels at 96 dots per inch: one twip is 1/15 pixel.
constexpr double kTwipsPerPixel = 15.0;

// True when the bytes begin (after blanks) with "{\rtf".
bool looksLikeRtf(QByteArrayView bytes);

// Replaces the document's content by the RTF's. Undo history is not recorded.
void readRtf(QByteArrayView rtf, QTextDocument &document);

class DocumentLoader;
// The same, in steps (see DocumentLoader), appending to an empty document. The caller
// turns the document's undo history off while it loads.
std::unique_ptr<DocumentLoader> rtfLoader(QByteArray rtf, QTextDocument &document);

// Decodes bytes in a Windows code page (949, 1252, 65001, ...); unknown pages as Latin-1.
QString decodeCodePage(QByteArrayView bytes, int codePage);

} // namespace kav::viewers
