#include "image_export.h"

#include "platform/local_path.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>

namespace kav {

namespace {

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Bottom-up BGRA rows, not premultiplied, as BMP and ICO keep them.
void appendBgraRows(QByteArray &out, const QImage &argb)
{
    for (int y = argb.height() - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
    }
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError *>(info->err)->jump, 1);
}

} // namespace

QImage flattenedOnWhite(const QImage &picture)
{
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, picture);
    return out;
}

QByteArray bmpFileOf(const QImage &picture)
{
    if (picture.isNull())
        return {};
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const quint32 headerSize = 108;  // BITMAPV4HEADER
    const quint32 dataOffset = 14 + headerSize;
    const quint32 imageSize = quint32(argb.width()) * quint32(argb.height()) * 4;
    QByteArray out;
    out.reserve(int(dataOffset + imageSize));
    out.append("BM", 2);
    put32(out, dataOffset + imageSize);
    put32(out, 0);
    put32(out, dataOffset);
    put32(out, headerSize);
    put32(out, quint32(argb.width()));
    put32(out, quint32(argb.height()));  // positive: bottom-up
    put16(out, 1);                       // planes
    put16(out, 32);                      // bits per pixel
    put32(out, 3);                       // BI_BITFIELDS
    put32(out, imageSize);
    put32(out, 2835);                    // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0x00FF0000);              // red, green, blue, alpha masks
    put32(out, 0x0000FF00);
    put32(out, 0x000000FF);
    put32(out, 0xFF000000);
    put32(out, 0x73524742);              // 'sRGB'
    out.append(QByteArray(36 + 12, '\0'));  // end points and gammas, unused for sRGB
    appendBgraRows(out, argb);
    return out;
}

QByteArray icoFileOf(const QImage &picture)
{
    if (picture.isNull() || picture.width() > 256 || picture.height() > 256)
        return {};
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width(), h = argb.height();
    const int maskRow = ((w + 31) / 32) * 4;
    QByteArray dib;
    put32(dib, 40);
    put32(dib, quint32(w));
    put32(dib, quint32(h * 2));  // colour rows and mask rows
    put16(dib, 1);
    put16(dib, 32);
    put32(dib, 0);
    put32(dib, quint32(w * h * 4 + maskRow * h));
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    appendBgraRows(dib, argb);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        const auto *pixels = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(pixels[x]) == 0)
                row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        dib.append(row);
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, 1);  // one image
    out.append(char(w == 256 ? 0 : w));
    out.append(char(h == 256 ? 0 : h));
    out.append(char(0));  // no palette
    out.append(char(0));
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, quint32(dib.size()));
    put32(out, 6 + 16);
    out.append(dib);
    return out;
}

QByteArray jpegFileOf(const QImage &picture)
{
    if (picture.isNull())
        return {};
    const QImage rgb = flattenedOnWhite(picture).convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

QImage rotatedQuarterLeft(const QImage &picture)
{
    // Qt turns clockwise for positive angles on a y-down surface.
    return picture.transformed(QTransform().rotate(-90));
}

bool writeFileBytes(const QString &fileName, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    // By the path's bytes: a picture saved in a folder named in code page 949 lands there.
    return localpath::saveFile(fileName, bytes);
}

} // namespace kav

namespace kav {

QString savedPictureName(const QString &sourceFileName, int index, int iconCount, const QString &extension)
{
    QString base = sourceFileName.section(QLatin1Char('/'), -1);
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    if (iconCount != 1)
        base += QLatin1Char('_') + QString::number(index);
    return base + extension;
}

} // namespace kav
