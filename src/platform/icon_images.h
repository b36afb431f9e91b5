#pragma once
// Decoding of icon images from their bytes (Qt Gui): an .ico file's directory
// and each image in it, stored either as a PNG or as a device-independent
// bitmap with its AND mask. Every count, offset and size is checked against the
// buffer; a broken image is left out, never read past its end.

#include <QByteArray>
#include <QImage>
#include <QList>

namespace kav {

// The largest icon side accepted; larger claims are taken as broken.
constexpr int MaxIconSide = 1024;

// The images of an .ico (or .cur) file, in directory order; empty when the bytes
// are no icon file. At most `maxImages` images.
QList<QImage> decodeIcoFile(const QByteArray &bytes, int maxImages = 512);

// One stored icon image: PNG, or a DIB whose height counts the colour rows and
// the mask rows. A null image when it is broken.
QImage decodeIconImage(const QByteArray &bytes);

// The index of the image a program icon shows at the standard size (32 x 32):
// the nearest side, then the most colours. -1 for an empty list.
int standardIconIndex(const QList<QImage> &images);

} // namespace kav
