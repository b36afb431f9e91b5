#pragma once
// The hex viewer's page arithmetic and texts, free of widgets: a file is shown as
// sectors of 256 bytes, 16 rows of 16 bytes, each row headed by its offset.

#include <QByteArray>
#include <QString>
#include <array>

namespace kav::viewers {

constexpr int SectorSize = 256;
constexpr int RowsPerSector = 16;
constexpr int BytesPerRow = 16;

// Number of sectors of a file: 1 up to 256 bytes (also for an empty file), else
// size div 256 plus one for a partly filled last sector. 64-bit all through, so
// files far past 4 GiB page correctly.
qint64 sectorCount(qint64 fileSize);
// First byte of sector `sector` (1-based).
qint64 sectorOffset(qint64 sector);
// A requested sector brought into 1 .. last (a value of 0 or less becomes 1).
qint64 clampSector(qint64 sector, qint64 lastSector);

// The offset column's text: two blanks, the offset in decimal with at least four
// digits, then in brackets in lower-case hexadecimal with at least four digits.
QString offsetText(qint64 offset);

// "%.2x" of a byte.
QString hexText(quint8 value);
// The character grid's text for a byte. Printable ASCII shows itself; control codes,
// DEL and the bytes of 128 and above (a lone byte of a Korean double-byte character
// has no glyph of its own) show as ".".
QString characterText(quint8 value);
// ASCII control name of 0..31, three characters, blank-padded ("LF "); empty otherwise.
QString controlName(int value);

// The information panel for a selected hexadecimal cell.
struct ByteInfo {
    QString hex, dec, chr, code, bin;
};
// From the hexadecimal cell's text and the character cell at the same place; an
// empty hexadecimal cell gives five empty texts.
ByteInfo byteInfo(const QString &hexCell, const QString &charCell);

// One page as shown: the offsets of the rows (a row past the one where the file
// ends has none), and for each cell its hexadecimal
// and character texts (empty past the end of the file).
struct HexPage {
    std::array<QString, RowsPerSector> offsets;
    std::array<std::array<QString, BytesPerRow>, RowsPerSector> hex;
    std::array<std::array<QString, BytesPerRow>, RowsPerSector> chars;
};
// `bytes` are the sector's bytes as read (at most 256; fewer at the end of the file).
HexPage formatSector(qint64 sector, const QByteArray &bytes);

} // namespace kav::viewers
