#pragma once
// The GIF87a writer of the icon extractor: one image, a global table of 256
// colours, LZW with a 5101-slot open-addressing hash table, codes from 9 to 12
// bits and a clear code when the table is full. Pure: bytes in, bytes out.

#include <QByteArray>
#include <QRgb>
#include <QString>

class QImage;
class QIODevice;

namespace kav {

// The whole file for an 8-bit image: `indices` holds `height` rows of `width`
// colour indexes, top row first, `stride` bytes apart; `palette` has up to 256
// colours (missing entries are written black). Width and height must be 1..65535.
QByteArray encodeGif87a(int width, int height, const uchar *indices, qsizetype stride,
                        const QList<QRgb> &palette);

// A picture as it is shown (transparent parts over white) in 8 bits per pixel
// with the palette Qt's conversion gives (an image that is already 8-bit keeps
// its own), then encoded. Empty for a null picture or one too large for GIF.
QByteArray gifFileOf(const QImage &picture);

// Writes to a stream; false when nothing could be encoded or written.
bool writeGif(const QImage &picture, QIODevice &stream);
// Creates (or replaces) the file, writes and closes it; false on any failure.
bool writeGifFile(const QImage &picture, const QString &fileName);

} // namespace kav
