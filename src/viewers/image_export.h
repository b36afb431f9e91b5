#pragma once
// The picture formats the icon extractor saves besides GIF: a 32-bit BMP that
// keeps the alpha channel, an ICO with one image (32-bit colour and its AND
// mask), and a baseline JPEG from libjpeg-turbo. Pure functions of the picture.

#include <QByteArray>
#include <QString>

class QImage;

namespace kav {

// The picture as it is shown: transparent parts over white, opaque RGB32.
QImage flattenedOnWhite(const QImage &picture);

// A BMP file: bottom-up 32-bit pixels with a BITMAPV4HEADER whose masks name the
// alpha channel, so readers that know alpha keep the transparency.
QByteArray bmpFileOf(const QImage &picture);

// An ICO file holding the picture as one 32-bit image with its AND mask
// (a pixel is masked where it is fully transparent). Pictures up to 256 x 256.
QByteArray icoFileOf(const QImage &picture);

// A JPEG file with libjpeg's default settings (quality 75), the picture over
// white. Empty when the library fails.
QByteArray jpegFileOf(const QImage &picture);

// A quarter turn counter-clockwise by a real image transform: an 8-bit picture
// keeps its palette, transparency is kept.
QImage rotatedQuarterLeft(const QImage &picture);

// Creates or replaces a file with the bytes (written to a temporary file and
// renamed, so a failed save never leaves half a picture). False for empty bytes
// or when the system refuses.
bool writeFileBytes(const QString &fileName, const QByteArray &bytes);

} // namespace kav

namespace kav {

// The file name proposed for saving icon `index` (1-based) of a search that
// found `iconCount` icons: the source file's name before its last dot (the
// whole name when it has none, or only a leading one), "_" and the index unless
// the search found exactly one icon, then the extension (".bmp" and so on).
QString savedPictureName(const QString &sourceFileName, int index, int iconCount, const QString &extension);

} // namespace kav
