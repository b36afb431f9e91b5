#include "version_info.h"
#include "little_endian.h"
#include "pe_resources.h"
#include "regular_file.h"

#include <optional>

namespace kav {

namespace {

using le::u16At;

qint64 align4(qint64 v)
{
    return (v + 3) & ~qint64(3);
}

// One node: length, value length, type, NUL-terminated UTF-16 key, padding,
// value, padding, children.
struct Node {
    QString key;
    qint64 value = 0;
    qint64 valueBytes = 0;
    qint64 children = 0;
    qint64 end = 0;
};

std::optional<Node> readNode(const QByteArray &b, qint64 at, qint64 limit)
{
    const auto length = u16At(b, at), valueLength = u16At(b, at + 2), type = u16At(b, at + 4);
    if (!length || !valueLength || !type || *length < 6 || at + *length > limit)
        return std::nullopt;
    Node n;
    n.end = at + *length;
    qint64 p = at + 6;
    for (;;) {
        if (p + 2 > n.end)
            return std::nullopt;
        const quint32 c = *u16At(b, p);
        p += 2;
        if (c == 0)
            break;
        n.key.append(QChar(char16_t(c)));
    }
    n.value = qMin(align4(p), n.end);
    // Text values count their length in characters, binary ones in bytes.
    n.valueBytes = qMin<qint64>(*type == 1 ? qint64(*valueLength) * 2 : *valueLength, n.end - n.value);
    n.children = qMin(align4(n.value + n.valueBytes), n.end);
    return n;
}

QString textValue(const QByteArray &b, const Node &n)
{
    QString value;
    for (qint64 p = n.value; p + 2 <= n.value + n.valueBytes; p += 2) {
        const quint32 c = *u16At(b, p);
        if (c == 0)
            break;
        value.append(QChar(char16_t(c)));
    }
    return value;
}

} // namespace

bool VersionInfo::query(const QString &table, const QString &key, QString *value) const
{
    for (const Entry &e : strings) {
        if (e.table.compare(table, Qt::CaseInsensitive) == 0 && e.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (value)
                *value = e.value;
            return true;
        }
    }
    return false;
}

VersionInfo parseVersionResource(const QByteArray &resource)
{
    VersionInfo info;
    const auto root = readNode(resource, 0, resource.size());
    if (!root || root->key != QLatin1String("VS_VERSION_INFO"))
        return info;
    info.size = root->end;
    for (qint64 at = root->children; at < root->end;) {
        const auto block = readNode(resource, at, root->end);
        if (!block)
            break;
        if (block->key == QLatin1String("StringFileInfo")) {
            for (qint64 t = block->children; t < block->end;) {
                const auto table = readNode(resource, t, block->end);
                if (!table)
                    break;
                for (qint64 s = table->children; s < table->end;) {
                    const auto string = readNode(resource, s, table->end);
                    if (!string)
                        break;
                    info.strings.append({table->key, string->key, textValue(resource, *string)});
                    s = align4(string->end);
                }
                t = align4(table->end);
            }
        }
        at = align4(block->end);
    }
    return info;
}

VersionInfo fileVersionInfo(const QString &path, qint64 maxBytes)
{
    const auto bytes = readRegularFile(path, maxBytes);
    if (!bytes)
        return {};
    return parseVersionResource(pe::versionResource(*bytes));
}

} // namespace kav
