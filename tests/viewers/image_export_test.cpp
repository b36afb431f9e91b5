// The picture writers of the icon extractor, each checked by readers that are
// not ours: Qt's decoders, ImageMagick, giftopnm and djpeg.
#include "viewers/gif_writer.h"
#include "viewers/image_export.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

QImage qtRead(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Runs a converter on a file and reads the binary PNM (P6) or raw RGBA it prints.
QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

QImage fromPpm(const QByteArray &ppm)
{
    QImage image;
    image.loadFromData(ppm, "PPM");
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString saved(QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QImage indexedImage(int width, int height, quint32 seed, int colours)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette << qRgb(i, (i * 7) & 0xFF, 255 - i);  // distinct colours
    image.setColorTable(palette);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar(random.bounded(colours));
    return image;
}

// A picture with runs (long strings) and noise, over many colours.
QImage mixedImage(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette << qRgb(i, i / 2, 255 - i);
    image.setColorTable(palette);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar(y % 3 == 0 ? x / 4 : random.bounded(256));
    return image;
}

} // namespace

TEST(GifWriter, OnePixelOfColourFiveIsTheWorkedExample)
{
    QImage pixel(1, 1, QImage::Format_Indexed8);
    QList<QRgb> palette(256, qRgb(0, 0, 0));
    palette[5] = qRgb(0x12, 0x34, 0x56);
    pixel.setColorTable(palette);
    pixel.scanLine(0)[0] = 5;
    const QByteArray gif = gifFileOf(pixel);
    ASSERT_EQ(gif.size(), 13 + 768 + 10 + 1 + 1 + 4 + 2);
    EXPECT_EQ(gif.left(13), QByteArray("GIF87a\x01\x00\x01\x00\xF7\x00\x00", 13));
    EXPECT_EQ(gif.mid(13 + 15, 3), QByteArray("\x12\x34\x56", 3));
    EXPECT_EQ(gif.mid(13 + 768), QByteArray("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"  // image descriptor
                                            "\x08"                                      // minimum code size
                                            "\x04\x00\x0B\x04\x04"                      // codes 256, 5, 257
                                            "\x00\x3B",
                                            10 + 1 + 5 + 2));
}

TEST(GifWriter, IndependentDecodersGiveThePixelsBack)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        QImage image;
    } rows[] = {
        {"1 x 1", indexedImage(1, 1, 1, 256)},
        // Random pixels over 256 colours fill the 4096-code table many times.
        {"128 x 128 random", indexedImage(128, 128, 42, 256)},
        {"300 x 7 runs and noise", mixedImage(300, 7)},
        {"one colour, 200 x 200", indexedImage(200, 200, 3, 1)},
        {"two colours 33 x 65", indexedImage(33, 65, 5, 2)},
    };
    for (const auto &row : rows) {
        const QImage expected = row.image.convertToFormat(QImage::Format_ARGB32);
        const QByteArray gif = gifFileOf(row.image);
        EXPECT_EQ(qtRead(gif, "gif"), expected) << row.name;
        const QString path = saved(dir, "picture.gif", gif);
        EXPECT_EQ(fromPpm(run(QStringLiteral("giftopnm"), {path})), expected) << row.name;
    }
}

TEST(GifWriter, PicturesOfMoreColoursAndFiles)
{
    // A true-colour picture goes through Qt's 8-bit conversion; a picture of at
    // most 256 colours keeps them exactly, transparent parts over white.
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 4; y < 28; ++y)
        for (int x = 4; x < 28; ++x)
            icon.setPixel(x, y, qRgb((x / 2) * 16, (y / 2) * 16, 100));  // 144 colours
    const QImage expected = flattenedOnWhite(icon).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qtRead(gifFileOf(icon), "gif"), expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("icon.gif"));
    QFile::remove(path);
    ASSERT_TRUE(writeGifFile(icon, path));
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_ARGB32), expected);
    EXPECT_FALSE(writeGifFile(QImage(), dir.filePath(QStringLiteral("null.gif"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("null.gif"))));
    EXPECT_FALSE(writeGifFile(icon, dir.filePath(QStringLiteral("no/such/dir.gif"))));
}

TEST(ImageExport, BmpAndIcoKeepPixelsAndTransparency)
{
    QImage icon(24, 20, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            icon.setPixel(x, y, x < 4 ? qRgba(0, 0, 0, 0) : qRgba(x * 10, y * 12, 77, 255));
    QTemporaryDir dir;
    const struct {
        const char *name;
        const char *format;
        QByteArray bytes;
    } rows[] = {{"icon.bmp", "bmp", bmpFileOf(icon)}, {"icon.ico", "ico", icoFileOf(icon)}};
    for (const auto &row : rows) {
        EXPECT_EQ(qtRead(row.bytes, row.format), icon) << row.name;
        const QString path = saved(dir, row.name, row.bytes);
        const QByteArray rgba = run(QStringLiteral("convert"), {path, QStringLiteral("-depth"), QStringLiteral("8"),
                                                                QStringLiteral("RGBA:-")});
        ASSERT_EQ(rgba.size(), icon.width() * icon.height() * 4) << row.name;
        int differences = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const uchar *p = reinterpret_cast<const uchar *>(rgba.constData()) + 4 * (y * icon.width() + x);
                const QRgb c = icon.pixel(x, y);
                if (p[3] != qAlpha(c) || (qAlpha(c) && (p[0] != qRed(c) || p[1] != qGreen(c) || p[2] != qBlue(c))))
                    ++differences;
            }
        EXPECT_EQ(differences, 0) << row.name;
    }
    EXPECT_TRUE(icoFileOf(QImage(257, 10, QImage::Format_ARGB32)).isEmpty());
}

TEST(ImageExport, JpegIsReadByDjpeg)
{
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(qRgb(200, 40, 40));
    QTemporaryDir dir;
    const QString path = saved(dir, "icon.jpg", jpegFileOf(icon));
    const QImage decoded = fromPpm(run(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), path}));
    ASSERT_EQ(decoded.size(), icon.size());
    const QRgb c = decoded.pixel(16, 16);
    EXPECT_NEAR(qRed(c), 200, 6);
    EXPECT_NEAR(qGreen(c), 40, 6);
    EXPECT_NEAR(qBlue(c), 40, 6);
}

TEST(ImageExport, QuarterTurnCounterClockwise)
{
    // Two pixels wide and one high, A left and B right: one wide, two high, B above A.
    QImage twoByOne(2, 1, QImage::Format_Indexed8);
    twoByOne.setColorTable({qRgb(10, 10, 10), qRgb(200, 0, 0), qRgba(0, 0, 255, 0)});
    twoByOne.scanLine(0)[0] = 1;  // A
    twoByOne.scanLine(0)[1] = 2;  // B (transparent)
    const QImage turned = rotatedQuarterLeft(twoByOne);
    ASSERT_EQ(turned.size(), QSize(1, 2));
    EXPECT_EQ(turned.format(), QImage::Format_Indexed8);
    EXPECT_EQ(turned.colorTable(), twoByOne.colorTable());
    EXPECT_EQ(turned.pixelIndex(0, 0), 2);
    EXPECT_EQ(turned.pixelIndex(0, 1), 1);

    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(qRgba(1, 2, 3, 0));
    argb.setPixel(2, 0, qRgba(9, 9, 9, 255));
    const QImage turnedArgb = rotatedQuarterLeft(argb);
    ASSERT_EQ(turnedArgb.size(), QSize(2, 3));
    EXPECT_EQ(turnedArgb.pixel(0, 0), qRgba(9, 9, 9, 255));
    EXPECT_EQ(qAlpha(turnedArgb.pixel(1, 2)), 0);
    // Four turns give the picture back.
    EXPECT_EQ(rotatedQuarterLeft(rotatedQuarterLeft(rotatedQuarterLeft(turnedArgb))), argb);
}
