#include "icon_images.h"
#include "little_endian.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>
#include <optional>

namespace kav {

namespace {

using le::u16At;
using le::u32At;

const char BitCountKey[] = "BitCount";

QImage decodePng(const QByteArray &bytes)
{
    // The header's size is checked before the decoder allocates anything.
    const auto w = u32At(bytes, 16), h = u32At(bytes, 20);
    if (!w || !h)
        return {};
    const quint32 width = qFromBigEndian(*w), height = qFromBigEndian(*h);
    if (width < 1 || height < 1 || width > MaxIconSide || height > MaxIconSide)
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    if (image.isNull() || image.width() != int(width) || image.height() != int(height))
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    image.setText(BitCountKey, QStringLiteral("32"));
    return image;
}

QImage decodeDib(const QByteArray &bytes)
{
    const auto headerSize = u32At(bytes, 0);
    const auto widthField = u32At(bytes, 4), heightField = u32At(bytes, 8);
    const auto bitField = u16At(bytes, 14), compression = u32At(bytes, 16), usedField = u32At(bytes, 32);
    if (!headerSize || !widthField || !heightField || !bitField || !compression || !usedField)
        return {};
    if (*headerSize < 40 || *headerSize > 1024)
        return {};
    const qint32 width = qint32(*widthField);
    const qint32 doubled = qint32(*heightField);
    const int bits = int(*bitField);
    // The height counts the colour rows and the mask rows.
    const qint32 height = doubled / 2;
    if (width < 1 || width > MaxIconSide || height < 1 || height > MaxIconSide)
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return {};
    if (*compression != 0 && !(*compression == 3 && bits == 32))
        return {};
    qint64 colours = 0;
    if (bits <= 8) {
        colours = *usedField ? qint64(*usedField) : (qint64(1) << bits);
        if (colours > (qint64(1) << bits))
            return {};
    }
    qint64 at = *headerSize;
    if (*compression == 3 && *headerSize == 40)
        at += 12;  // three masks follow a short header; 32-bit BGRA is assumed
    const qint64 paletteAt = at;
    at += colours * 4;
    const qint64 colourStride = ((qint64(width) * bits + 31) / 32) * 4;
    const qint64 maskStride = ((qint64(width) + 31) / 32) * 4;
    const qint64 colourAt = at;
    const qint64 maskAt = colourAt + colourStride * height;
    if (maskAt > bytes.size())
        return {};
    // Some 32-bit icons leave the mask out: their alpha says it all.
    const bool hasMask = maskAt + maskStride * height <= bytes.size();
    if (!hasMask && bits != 32)
        return {};

    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    QList<QRgb> palette;
    for (qint64 i = 0; i < colours; ++i) {
        const uchar *c = data + paletteAt + 4 * i;
        palette.append(qRgb(c[2], c[1], c[0]));
    }
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uchar *row = data + colourAt + colourStride * (height - 1 - y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = 0;
            switch (bits) {
            case 32:
                c = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
                anyAlpha = anyAlpha || qAlpha(c) != 0;
                break;
            case 24:
                c = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default: {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                const int index = (row[x / perByte] >> shift) & ((1 << bits) - 1);
                c = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            }
            }
            out[x] = c;
        }
    }
    // Without an alpha channel the AND mask tells the transparent pixels.
    if (!anyAlpha) {
        for (int y = 0; y < height; ++y) {
            auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
            const uchar *mask = hasMask ? data + maskAt + maskStride * (height - 1 - y) : nullptr;
            for (int x = 0; x < width; ++x) {
                const bool transparent = mask && (mask[x / 8] & (0x80 >> (x % 8)));
                out[x] = transparent ? qRgba(0, 0, 0, 0) : (out[x] | 0xFF000000u);
            }
        }
    }
    image.setText(BitCountKey, QString::number(bits));
    return image;
}

} // namespace

QImage decodeIconImage(const QByteArray &bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return decodePng(bytes);
    return decodeDib(bytes);
}

QList<QImage> decodeIcoFile(const QByteArray &bytes, int maxImages)
{
    QList<QImage> images;
    const auto reserved = u16At(bytes, 0), type = u16At(bytes, 2), count = u16At(bytes, 4);
    if (!reserved || !type || !count || *reserved != 0 || (*type != 1 && *type != 2))
        return images;
    for (quint32 i = 0; i < *count && images.size() < maxImages; ++i) {
        const qint64 entry = 6 + qint64(i) * 16;
        const auto size = u32At(bytes, entry + 8), offset = u32At(bytes, entry + 12);
        if (!size || !offset)
            break;
        if (qint64(*offset) + qint64(*size) > bytes.size() || *size == 0)
            continue;
        const QImage image = decodeIconImage(bytes.mid(*offset, *size));
        if (!image.isNull())
            images.append(image);
    }
    return images;
}

int standardIconIndex(const QList<QImage> &images)
{
    int best = -1;
    int bestDistance = 0, bestBits = 0;
    for (int i = 0; i < images.size(); ++i) {
        const int distance = std::abs(qMax(images[i].width(), images[i].height()) - 32);
        const int bits = images[i].text(BitCountKey).toInt();
        if (best < 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
            best = i;
            bestDistance = distance;
            bestBits = bits;
        }
    }
    return best;
}

} // namespace kav
