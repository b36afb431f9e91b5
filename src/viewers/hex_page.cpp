#include "hex_page.h"
#include "view_logic.h"

namespace kav::viewers {

qint64 sectorCount(qint64 fileSize)
{
    if (fileSize <= SectorSize)
        return 1;
    return fileSize / SectorSize + (fileSize % SectorSize != 0 ? 1 : 0);
}

qint64 sectorOffset(qint64 sector)
{
    return (sector - 1) * SectorSize;
}

qint64 clampSector(qint64 sector, qint64 lastSector)
{
    if (sector > lastSector)
        sector = lastSector;
    return sector < 1 ? 1 : sector;
}

QString offsetText(qint64 offset)
{
    return QStringLiteral("  %1(%2)")
        .arg(offset, 4, 10, QLatin1Char('0'))
        .arg(offset, 4, 16, QLatin1Char('0'));
}

QString hexText(quint8 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString characterText(quint8 value)
{
    if (value >= 0x20 && value < 0x7f)
        return QString(QLatin1Char(char(value)));
    return QStringLiteral(".");
}

QString controlName(int value)
{
    static const char *const names[32] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS ", "HT ", "LF ",
        "VT ", "FF ", "CR ", "SO ", "SI ", "SLE", "CS1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM ", "SIB", "ESC", "FS ", "GS ", "RS ", "US "};
    if (value < 0 || value > 31)
        return {};
    return QString::fromLatin1(names[value]);
}

ByteInfo byteInfo(const QString &hexCell, const QString &charCell)
{
    ByteInfo info;
    bool ok = false;
    const int value = hexCell.toInt(&ok, 16);
    if (hexCell.isEmpty() || !ok)
        return info;
    info.hex = hexCell;
    info.dec = QString::number(value);
    info.bin = binaryText(value);
    info.chr = charCell;
    info.code = controlName(value);
    return info;
}

HexPage formatSector(qint64 sector, const QByteArray &bytes)
{
    HexPage page;
    const qint64 start = sectorOffset(sector);
    for (int r = 0; r < RowsPerSector; ++r) {
        // Reading stops at the end of the file: a row that starts there still shows
        // its offset, the rows after it show nothing.
        if (qint64(r) * BytesPerRow > bytes.size())
            break;
        page.offsets[r] = offsetText(start + qint64(r) * BytesPerRow);
        for (int c = 0; c < BytesPerRow; ++c) {
            const int i = r * BytesPerRow + c;
            if (i >= bytes.size() || i >= SectorSize)
                continue;
            const auto value = quint8(bytes[i]);
            page.hex[r][c] = hexText(value);
            page.chars[r][c] = characterText(value);
        }
    }
    return page;
}

} // namespace kav::viewers
