#pragma once
// What stands in for ExtractIconA: the icons a file carries. Icon files give
// each image as an icon; PE programs and libraries give one icon per icon group
// (the image nearest the standard 32 x 32); PNG, SVG, XPM and BMP pictures,
// the icons of this platform, give themselves, scaled to 32 x 32 when larger.
// Any other file has none. Only regular files are opened.

#include <QImage>
#include <QList>
#include <QString>

namespace kav {

// The icons of the file, at most `maxIcons`. Files larger than `maxBytes` are
// not read.
QList<QImage> fileIcons(const QString &path, int maxIcons = 500, qint64 maxBytes = 64 * 1024 * 1024);

// The same from bytes already read; `fileName` tells pictures by their extension.
QList<QImage> iconsOfBytes(const QByteArray &bytes, const QString &fileName, int maxIcons = 500);

} // namespace kav
