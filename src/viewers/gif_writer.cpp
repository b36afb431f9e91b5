#include "gif_writer.h"
#include "image_export.h"

#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <array>
#include <vector>

namespace kav {

namespace {

constexpr int ClearCode = 256;
constexpr int EndCode = 257;
constexpr int FirstFreeCode = 258;
constexpr int InitialWidth = 9;
constexpr int MaxWidth = 12;
constexpr int HashSize = 5101;
constexpr int HashShift = 4;
constexpr int Empty = -1;

void put16(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// Codes go out least significant bit first into bytes filled from their lowest
// bit; full bytes gather in sub-blocks of at most 255 bytes.
class CodeOutput {
public:
    explicit CodeOutput(QByteArray &out) : out(out) {}

    void put(int code, int width)
    {
        bits |= quint32(code) << count;
        count += width;
        while (count >= 8) {
            pushByte(uchar(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }

    void flush()
    {
        if (count > 0)
            pushByte(uchar(bits & 0xFF));
        bits = 0;
        count = 0;
        if (used > 0)
            writeBlock();
    }

private:
    void pushByte(uchar byte)
    {
        block[used++] = byte;
        if (used == 255)
            writeBlock();
    }
    void writeBlock()
    {
        out.append(char(used));
        out.append(reinterpret_cast<const char *>(block.data()), used);
        used = 0;
    }

    QByteArray &out;
    quint32 bits = 0;
    int count = 0;
    std::array<uchar, 255> block{};
    int used = 0;
};

// One working area for a write: the hash slots' codes, prefixes and suffixes.
struct LzwTable {
    std::vector<int> code = std::vector<int>(HashSize + 1, Empty);
    std::vector<int> prefix = std::vector<int>(HashSize + 1, 0);
    std::vector<int> suffix = std::vector<int>(HashSize + 1, 0);
    void clear() { std::fill(code.begin(), code.end(), Empty); }
};

} // namespace

QByteArray encodeGif87a(int width, int height, const uchar *indices, qsizetype stride,
                        const QList<QRgb> &palette)
{
    QByteArray out;
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF || !indices)
        return out;
    out.append("GIF87a", 6);
    put16(out, width);
    put16(out, height);
    out.append(char(0xF7));  // global table, 8-bit colour resolution, unsorted, 256 entries
    out.append(char(0));     // background colour index
    out.append(char(0));     // pixel aspect
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.append(char(0));  // no local table, not interlaced
    out.append(char(8));  // LZW minimum code size

    LzwTable table;
    CodeOutput codes(out);
    int codeWidth = InitialWidth;
    int nextCode = FirstFreeCode;
    int limit = 1 << InitialWidth;
    codes.put(ClearCode, codeWidth);

    // One continuous pixel stream, top row first: the current string runs on
    // across rows.
    int current = indices[0];
    bool first = true;
    for (int y = 0; y < height; ++y) {
        const uchar *row = indices + y * stride;
        for (int x = 0; x < width; ++x) {
            if (first) {
                first = false;
                continue;
            }
            const int p = row[x];
            int h = (p << HashShift) ^ current;
            const int d = h == 0 ? 1 : HashSize - h;
            bool found = false;
            while (table.code[h] != Empty) {
                if (table.prefix[h] == current && table.suffix[h] == p) {
                    found = true;
                    break;
                }
                h -= d;
                if (h < 0)
                    h += HashSize;
            }
            if (found) {
                current = table.code[h];
                continue;
            }
            table.code[h] = nextCode;
            table.prefix[h] = current;
            table.suffix[h] = p;
            codes.put(current, codeWidth);
            current = p;
            ++nextCode;
            if (nextCode > limit) {
                ++codeWidth;
                if (codeWidth <= MaxWidth) {
                    limit = codeWidth == MaxWidth ? 4095 : limit * 2;
                } else {
                    codes.put(ClearCode, MaxWidth);
                    codeWidth = InitialWidth;
                    nextCode = FirstFreeCode;
                    limit = 1 << InitialWidth;
                    table.clear();
                }
            }
        }
    }
    codes.put(current, codeWidth);
    codes.put(EndCode, codeWidth);
    codes.flush();
    out.append(char(0x00));
    out.append(char(0x3B));
    return out;
}

QByteArray gifFileOf(const QImage &picture)
{
    if (picture.isNull())
        return {};
    QImage indexed = picture.format() == QImage::Format_Indexed8
        ? picture
        : flattenedOnWhite(picture).convertToFormat(QImage::Format_Indexed8);
    if (indexed.isNull() || indexed.format() != QImage::Format_Indexed8)
        return {};
    return encodeGif87a(indexed.width(), indexed.height(), indexed.constBits(),
                        indexed.bytesPerLine(), indexed.colorTable());
}

bool writeGif(const QImage &picture, QIODevice &stream)
{
    const QByteArray bytes = gifFileOf(picture);
    return !bytes.isEmpty() && stream.write(bytes) == bytes.size();
}

bool writeGifFile(const QImage &picture, const QString &fileName)
{
    return writeFileBytes(fileName, gifFileOf(picture));
}

} // namespace kav
