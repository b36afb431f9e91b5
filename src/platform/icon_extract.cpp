#include "icon_extract.h"
#include "icon_images.h"
#include "pe_resources.h"
#include "regular_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace kav {

namespace {

constexpr int StandardSide = 32;

QImage pictureIcon(const QByteArray &bytes, const QByteArray &format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (format != "svg" && (!size.isValid() || size.width() > 16384 || size.height() > 16384))
        return {};
    if (size.isValid() && (size.width() > StandardSide || size.height() > StandardSide))
        reader.setScaledSize(size.scaled(StandardSide, StandardSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > StandardSide || image.height() > StandardSide)
        image = image.scaled(StandardSide, StandardSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QList<QImage> iconsOfBytes(const QByteArray &bytes, const QString &fileName, int maxIcons)
{
    QList<QImage> icons;
    if (maxIcons <= 0)
        return icons;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (bytes.startsWith("MZ")) {
        for (const QByteArray &group : pe::iconGroupFiles(bytes)) {
            const QList<QImage> images = decodeIcoFile(group);
            const int index = standardIconIndex(images);
            if (index >= 0)
                icons.append(images[index]);
            if (icons.size() >= maxIcons)
                break;
        }
        return icons;
    }
    if (suffix == QLatin1String("ico") || suffix == QLatin1String("cur"))
        return decodeIcoFile(bytes, maxIcons);
    static const QStringList pictures{QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("xpm"),
                                      QStringLiteral("bmp")};
    if (pictures.contains(suffix)) {
        const QImage image = pictureIcon(bytes, suffix.toLatin1());
        if (!image.isNull())
            icons.append(image);
    }
    return icons;
}

QList<QImage> fileIcons(const QString &path, int maxIcons, qint64 maxBytes)
{
    // Only programs (known by their first two bytes), icon files and pictures
    // are read whole: a walk over a tree of large documents stays quick.
    static const QStringList readWhole{QStringLiteral("ico"), QStringLiteral("cur"), QStringLiteral("png"),
                                       QStringLiteral("svg"), QStringLiteral("xpm"), QStringLiteral("bmp")};
    if (!readWhole.contains(QFileInfo(path).suffix().toLower())) {
        const auto head = readRegularFileHead(path, 2);
        if (!head || !head->startsWith("MZ"))
            return {};
    }
    const auto bytes = readRegularFile(path, maxBytes);
    if (!bytes)
        return {};
    return iconsOfBytes(*bytes, path, maxIcons);
}

} // namespace kav
