#pragma once
// Bounds-checked little-endian reads for the readers of untrusted file formats (PE
// resources, version resources, icons): a field partly outside the buffer is missing,
// never read past its end.

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace kav::le {

inline std::optional<quint32> u16At(const QByteArray &b, qint64 offset)
{
    if (offset < 0 || offset + 2 > b.size())
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + offset;
    return quint32(p[0]) | quint32(p[1]) << 8;
}

inline std::optional<quint32> u32At(const QByteArray &b, qint64 offset)
{
    if (offset < 0 || offset + 4 > b.size())
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + offset;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

} // namespace kav::le
