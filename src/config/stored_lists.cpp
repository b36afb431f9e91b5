#include "stored_lists.h"

#include "extract_field.h"
#include "platform/ini_file.h"

namespace kav {

namespace {
const QString BookmarkSection = QStringLiteral("BOOKMARK");
const QString ToolsSection = QStringLiteral("TOOLS");
const QString HostBookmarkSection = QStringLiteral("RBOOKMARK");
const QString QueueSection = QStringLiteral("QUEUE");
}

QStringList readNumberedValues(const IniFile &ini, const QString &section, const QString &prefix,
                               int capacity)
{
    QStringList out;
    for (int i = 0; i < capacity; ++i) {
        const QString value = ini.readString(section, prefix + QString::number(i));
        if (value.isEmpty())
            break;
        out << value;
    }
    return out;
}

void writeNumberedValues(IniFile &ini, const QString &section, const QString &prefix,
                         const QStringList &values, int capacity)
{
    const int count = int(std::min<qsizetype>(values.size(), capacity));
    for (int i = 0; i < count; ++i)
        ini.writeString(section, prefix + QString::number(i), values[i]);
    for (int i = count; i < capacity; ++i)
        ini.removeKey(section, prefix + QString::number(i));
}

void removeNumberedValues(IniFile &ini, const QString &section, const QString &prefix, int capacity)
{
    bool removed = false;
    for (int i = 0; i < capacity; ++i)
        removed = ini.removeKey(section, prefix + QString::number(i)) || removed;
    // The last list of a section takes its header with it: no empty "[RBOOKMARK]".
    if (removed && ini.entries(section).isEmpty())
        ini.removeSection(section);
}

QString encodeHostBookmark(const HostBookmark &entry)
{
    return joinFields({entry.text, entry.binary ? QStringLiteral("B") : QStringLiteral("A")}, QLatin1Char(';'));
}

HostBookmark decodeHostBookmark(const QString &value)
{
    return {fieldOf(value, QLatin1Char(';'), 1), fieldOf(value, QLatin1Char(';'), 2) == QLatin1String("B")};
}

QString encodeQueueEntry(const QueueEntry &entry)
{
    return joinFields({entry.fileName, entry.directory, entry.binary ? QStringLiteral("B") : QStringLiteral("A"),
                       entry.upload ? QStringLiteral("0") : QStringLiteral("1")},
                      QLatin1Char(';'));
}

QueueEntry decodeQueueEntry(const QString &value)
{
    const QChar sep = QLatin1Char(';');
    QueueEntry e;
    e.fileName = fieldOf(value, sep, 1);
    e.directory = fieldOf(value, sep, 2);
    e.binary = fieldOf(value, sep, 3) != QLatin1String("A");
    e.upload = fieldOf(value, sep, 4) == QLatin1String("0");
    return e;
}

QStringList readLocalBookmarks(const IniFile &ini)
{
    return readNumberedValues(ini, BookmarkSection, {}, LocalBookmarkCapacity);
}

void writeLocalBookmarks(IniFile &ini, const QStringList &entries)
{
    writeNumberedValues(ini, BookmarkSection, {}, entries, LocalBookmarkCapacity);
}

QStringList readTools(const IniFile &ini)
{
    return readNumberedValues(ini, ToolsSection, {}, ToolsCapacity);
}

void writeTools(IniFile &ini, const QStringList &entries)
{
    writeNumberedValues(ini, ToolsSection, {}, entries, ToolsCapacity);
}

QList<HostBookmark> readHostBookmarks(const IniFile &ini, const QString &profile)
{
    QList<HostBookmark> out;
    for (const QString &v : readNumberedValues(ini, HostBookmarkSection, profile, HostBookmarkCapacity))
        out << decodeHostBookmark(v);
    return out;
}

void writeHostBookmarks(IniFile &ini, const QString &profile, const QList<HostBookmark> &entries)
{
    QStringList values;
    for (const HostBookmark &e : entries)
        values << encodeHostBookmark(e);
    writeNumberedValues(ini, HostBookmarkSection, profile, values, HostBookmarkCapacity);
}

QList<QueueEntry> readQueue(const IniFile &ini, const QString &profile)
{
    QList<QueueEntry> out;
    for (const QString &v : readNumberedValues(ini, QueueSection, profile, QueueCapacity))
        out << decodeQueueEntry(v);
    return out;
}

void writeQueue(IniFile &ini, const QString &profile, const QList<QueueEntry> &entries)
{
    QStringList values;
    for (const QueueEntry &e : entries)
        values << encodeQueueEntry(e);
    writeNumberedValues(ini, QueueSection, profile, values, QueueCapacity);
}

} // namespace kav
