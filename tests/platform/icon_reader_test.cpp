// The readers of untrusted icon bytes: PE resources and version strings, icon
// files, pictures; hostile input gives fewer icons or none, never a crash.
#include "platform/icon_extract.h"
#include "platform/icon_images.h"
#include "platform/pe_resources.h"
#include "platform/regular_file.h"
#include "platform/version_info.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kav;

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(KAVRIN_FIXTURES "/pe/") + QLatin1String(name);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QByteArray le16(quint16 v) { return QByteArray(reinterpret_cast<const char *>(&v), 2); }
QByteArray le32(quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); }

// An icon file directory with one entry claiming `size` bytes at `offset`.
QByteArray icoHeader(quint16 count, quint32 size, quint32 offset)
{
    return le16(0) + le16(1) + le16(count) + QByteArray("\x20\x20\x00\x00", 4) + le16(1) + le16(32)
        + le32(size) + le32(offset);
}

QByteArray dibHeader(qint32 width, qint32 height, quint16 bits, quint32 compression = 0, quint32 used = 0)
{
    return le32(40) + le32(quint32(width)) + le32(quint32(height)) + le16(1) + le16(bits) + le32(compression)
        + le32(0) + le32(0) + le32(0) + le32(used) + le32(0);
}

bool sameRgbaPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            // Fully transparent pixels carry no colour.
            if (qAlpha(p) == 0 && qAlpha(q) == 0)
                continue;
            if (p != q)
                return false;
        }
    return true;
}

} // namespace

TEST(PeResources, IconGroupsOfAProgramMadeByWindres)
{
    const QByteArray exe = readAll(fixture("sample.exe"));
    const QList<QByteArray> groups = pe::iconGroupFiles(exe);
    ASSERT_EQ(groups.size(), 2);
    struct Expect {
        QList<int> sides;
        QRgb colour;
    };
    const Expect expect[] = {{{16, 32, 48}, qRgb(255, 0, 0)}, {{16, 32}, qRgb(0, 0, 255)}};
    for (int g = 0; g < 2; ++g) {
        const QList<QImage> images = decodeIcoFile(groups[g]);
        ASSERT_EQ(images.size(), expect[g].sides.size()) << g;
        for (int i = 0; i < images.size(); ++i) {
            const int side = expect[g].sides[i];
            EXPECT_EQ(images[i].size(), QSize(side, side));
            EXPECT_EQ(qAlpha(images[i].pixel(0, 0)), 0) << "the transparent corner";
            EXPECT_EQ(images[i].pixel(side - 1, side - 1), expect[g].colour | 0xFF000000u);
        }
        // The same bytes read by Qt's own icon decoder.
        QBuffer buffer;
        buffer.setData(groups[g]);
        QImageReader reader(&buffer, "ico");
        for (int i = 0; i < images.size(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            EXPECT_TRUE(sameRgbaPixels(images[i], reader.read())) << g << " " << i;
        }
    }
    // One icon per group, at the standard size.
    const QList<QImage> icons = fileIcons(fixture("sample.exe"));
    ASSERT_EQ(icons.size(), 2);
    EXPECT_EQ(icons[0].size(), QSize(32, 32));
    EXPECT_EQ(icons[0].pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(icons[1].pixel(5, 5), 0xFF0000FFu);
    EXPECT_EQ(fileIcons(fixture("sample.exe"), 1).size(), 1);
}

TEST(PeResources, VersionStringsOfTheEnglishTableOnly)
{
    const VersionInfo info = fileVersionInfo(fixture("sample.exe"));
    EXPECT_GT(info.size, 0);
    struct Row {
        const char *key;
        const char *value;
    };
    const Row rows[] = {{"CompanyName", "Kavrin 개발팀"},
                        {"FileDescription", "Icon test program 아이콘 시험"},
                        {"FileVersion", "2.2.0.7"},
                        {"InternalName", "sample"},
                        {"LegalCopyright", "(C) Kavrin"},
                        {"OriginalFilename", "sample.exe"},
                        {"ProductName", "Kavrin"},
                        {"ProductVersion", "2.2"}};
    for (const Row &r : rows) {
        QString value;
        EXPECT_TRUE(info.query(QStringLiteral("040904E4"), QLatin1String(r.key), &value)) << r.key;
        EXPECT_EQ(value, QString::fromUtf8(r.value)) << r.key;
    }
    QString value;
    EXPECT_FALSE(info.query(QStringLiteral("040904E4"), QStringLiteral("Comments"), &value));
    EXPECT_FALSE(info.query(QStringLiteral("040904E4"), QStringLiteral("LegalTradeMarks"), &value));
    EXPECT_TRUE(info.query(QStringLiteral("041204B0"), QStringLiteral("Comments"), &value));
    EXPECT_EQ(value, QStringLiteral("한국어 표에만 있는 설명"));

    // Files that are no program have none.
    EXPECT_EQ(fileVersionInfo(fixture("make-fixtures.sh")).size, 0);
    EXPECT_EQ(fileVersionInfo(fixture("no such file")).size, 0);
}

TEST(PeResources, BrokenProgramsGiveWhatIsIntactAndNeverLoop)
{
    // Cut in the middle of its resources: whatever lies past the cut is gone.
    const QByteArray truncated = readAll(fixture("truncated.exe"));
    const QByteArray whole = readAll(fixture("sample.exe"));
    ASSERT_LT(truncated.size(), whole.size());
    EXPECT_LT(pe::readResources(truncated).size(), pe::readResources(whole).size());
    EXPECT_LE(fileIcons(fixture("truncated.exe")).size(), 2);
    // A type entry pointing back to the root directory: the root is walked once.
    QElapsedTimer timer;
    timer.start();
    const QList<pe::Resource> loop = pe::readResources(readAll(fixture("selfloop.exe")));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_LT(loop.size(), pe::readResources(whole).size());
    fileIcons(fixture("selfloop.exe"));
    fileVersionInfo(fixture("selfloop.exe"));

    // Every prefix of the program is read without a read past its end.
    for (int cut = 0; cut < whole.size(); cut += 97) {
        const QByteArray part = whole.left(cut);
        for (const QByteArray &group : pe::iconGroupFiles(part))
            decodeIcoFile(group);
        parseVersionResource(pe::versionResource(part));
    }
}

TEST(PeResources, InputsFoundByTheFuzzer)
{
    // Each row once took the readers far too long or worse. They must finish;
    // the bound is a freeze, not a speed.
    const char *const rows[] = {
        // Thousands of overlapping directories whose entries all carry long names.
        "fuzz-many-long-names.bin",
    };
    for (const char *name : rows) {
        const QByteArray bytes = readAll(fixture(name));
        ASSERT_FALSE(bytes.isEmpty()) << name;
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &group : pe::iconGroupFiles(bytes))
            decodeIcoFile(group);
        parseVersionResource(pe::versionResource(bytes));
        decodeIcoFile(bytes);
        EXPECT_LT(timer.elapsed(), 10000) << name;
    }
}

TEST(PeResources, HostileHeaders)
{
    QByteArray mz(64, '\0');
    mz[0] = 'M';
    mz[1] = 'Z';
    auto withPeAt = [&](quint32 offset) {
        QByteArray b = mz;
        b.replace(0x3C, 4, le32(offset));
        return b;
    };
    const QByteArray whole = readAll(fixture("sample.exe"));
    QByteArray hugeSections = whole;
    const quint32 pe = qFromLittleEndian<quint32>(whole.constData() + 0x3C);
    hugeSections.replace(pe + 6, 2, le16(0xFFFF));
    QByteArray hugeRsrcRva = whole;
    hugeRsrcRva.replace(pe + 24 + 112 + 16, 4, le32(0xFFFFFFF0));
    const struct {
        const char *name;
        QByteArray bytes;
    } rows[] = {
        {"empty", {}},
        {"MZ only", QByteArray("MZ")},
        {"PE offset past the end", withPeAt(0xFFFFFFF0)},
        {"PE offset at the end", withPeAt(62)},
        {"PE signature, nothing after", withPeAt(64) + QByteArray("PE\0\0", 4)},
        {"resource address near 4 GiB", hugeRsrcRva},
    };
    for (const auto &row : rows) {
        EXPECT_TRUE(pe::iconGroupFiles(row.bytes).isEmpty()) << row.name;
        EXPECT_EQ(parseVersionResource(pe::versionResource(row.bytes)).size, 0) << row.name;
    }
    // A section count past the table: the sections that are there are read.
    EXPECT_LE(pe::iconGroupFiles(hugeSections).size(), 2);
}

TEST(IconFiles, HostileIconBytes)
{
    QByteArray fine = dibHeader(2, 4, 32) + QByteArray(2 * 2 * 4, '\x7F') + QByteArray(2 * 4, '\0');
    ASSERT_EQ(decodeIconImage(fine).size(), QSize(2, 2));
    const struct {
        const char *name;
        QByteArray bytes;
    } rows[] = {
        {"empty", {}},
        {"count without entries", icoHeader(65535, 0, 0).left(6)},
        {"offset and size wrap past 4 GiB", icoHeader(1, 0x20, 0xFFFFFFF0)},
        {"size past the end", icoHeader(1, 0x7FFFFFFF, 22)},
        {"huge width", icoHeader(1, 40, 22) + dibHeader(0x7FFFFFFF, 4, 32)},
        {"negative height", icoHeader(1, 40, 22) + dibHeader(2, -4, 32)},
        {"odd bit count", icoHeader(1, 60, 22) + dibHeader(2, 4, 7) + QByteArray(20, '\0')},
        {"palette larger than the bits allow", icoHeader(1, 60, 22) + dibHeader(2, 4, 4, 0, 0x7FFFFFFF)},
        {"pixels cut short", icoHeader(1, 50, 22) + dibHeader(16, 32, 32) + QByteArray(10, '\0')},
        {"compressed", icoHeader(1, 56, 22) + dibHeader(2, 4, 8, 1) + QByteArray(16, '\0')},
        {"header size past the end", icoHeader(1, 8, 22) + le32(0xFFFFFFFF) + le32(0)},
        {"PNG claiming 100000 x 100000", icoHeader(1, 33, 22) + QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                             + QByteArray::fromHex("000186a0000186a0080600000000000000")},
        {"PNG cut after the signature", icoHeader(1, 8, 22) + QByteArray("\x89PNG\r\n\x1a\n", 8)},
    };
    for (const auto &row : rows)
        EXPECT_TRUE(decodeIcoFile(row.bytes).isEmpty()) << row.name;
    // A 32-bit image without its mask is still an image: its alpha says it all.
    EXPECT_EQ(decodeIcoFile(icoHeader(1, 56, 22) + dibHeader(2, 4, 32) + QByteArray(16, '\x40')).size(), 1);
}

TEST(IconFiles, IconsOfADebianThemeWrittenByImageMagick)
{
    // The theme's PNG sizes of one icon, joined into one icon file by another program.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString theme = QStringLiteral("/usr/share/icons/Adwaita/%1x%1/devices/computer.png");
    QStringList args;
    QList<QImage> sources;
    for (int side : {16, 24, 32, 48}) {
        args << theme.arg(side);
        sources << QImage(theme.arg(side));
        ASSERT_FALSE(sources.last().isNull()) << side;
    }
    const QString ico = dir.filePath(QStringLiteral("computer.ico"));
    args << ico;
    ASSERT_EQ(QProcess::execute(QStringLiteral("convert"), args), 0);
    const QList<QImage> icons = fileIcons(ico);
    ASSERT_EQ(icons.size(), sources.size());
    for (int i = 0; i < icons.size(); ++i)
        EXPECT_TRUE(sameRgbaPixels(icons[i], sources[i])) << i;
    EXPECT_EQ(fileIcons(ico, 3).size(), 3);
}

TEST(IconFiles, PicturesAreIconsOfThisPlatform)
{
    QTemporaryDir dir;
    QImage big(64, 48, QImage::Format_ARGB32);
    big.fill(qRgb(0, 128, 0));
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(big.save(dir.filePath(QStringLiteral("big.png"))));
    ASSERT_TRUE(small.save(dir.filePath(QStringLiteral("small.xpm"))));
    ASSERT_TRUE(small.save(dir.filePath(QStringLiteral("small.bmp"))));
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("plain text\n");
    text.close();
    QFile::copy(dir.filePath(QStringLiteral("notes.txt")), dir.filePath(QStringLiteral("fake.png")));
    const struct {
        const char *name;
        int count;
        QSize size;
    } rows[] = {
        {"big.png", 1, QSize(32, 24)},
        {"small.xpm", 1, QSize(16, 16)},
        {"small.bmp", 1, QSize(16, 16)},
        {"notes.txt", 0, {}},
        {"fake.png", 0, {}},
    };
    for (const auto &row : rows) {
        const QList<QImage> icons = fileIcons(dir.filePath(QLatin1String(row.name)));
        ASSERT_EQ(icons.size(), row.count) << row.name;
        if (row.count) {
            EXPECT_EQ(icons[0].size(), row.size) << row.name;
        }
    }
    const QList<QImage> svg = fileIcons(QStringLiteral("/usr/share/icons/Adwaita/scalable/places/folder-symbolic.svg"));
    ASSERT_EQ(svg.size(), 1) << "the SVG image plugin (libqt6svg6)";
    EXPECT_LE(qMax(svg[0].width(), svg[0].height()), 32);
}

TEST(IconFiles, OnlyRegularFilesAreOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.ico"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(readRegularFile(fifo, 1 << 20).has_value());
    EXPECT_TRUE(fileIcons(fifo).isEmpty());
    EXPECT_EQ(fileVersionInfo(fifo).size, 0);
    EXPECT_FALSE(readRegularFile(dir.path(), 1 << 20).has_value());
    EXPECT_LT(timer.elapsed(), 2000);
    // A link to a regular file is followed.
    const QString link = dir.filePath(QStringLiteral("link.exe"));
    ASSERT_TRUE(QFile::link(fixture("sample.exe"), link));
    EXPECT_EQ(fileIcons(link).size(), 2);
}
