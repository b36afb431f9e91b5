#include "listing.h"

#include <QDir>

namespace kav {
namespace {

bool isBlankOrControl(QChar c) { return c.unicode() <= 0x20; }

QString trimmed(const QString &s, qsizetype from = 0)
{
    qsizetype begin = from, end = s.size();
    while (begin < end && isBlankOrControl(s.at(begin)))
        ++begin;
    while (end > begin && isBlankOrControl(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

} // namespace

QString ListFieldTail(const QString &line, int n)
{
    if (n < 1)
        return {};
    const QString s = trimmed(line);
    qsizetype pos = 0;
    for (int k = 1; k < n; ++k) {
        const qsizetype space = s.indexOf(QLatin1Char(' '), pos);
        if (space < 0)
            return {};
        pos = space + 1;
        // The rest is trimmed at every step, so blanks and control characters
        // right after a separator belong to it.
        while (pos < s.size() && isBlankOrControl(s.at(pos)))
            ++pos;
        if (pos >= s.size())
            return {};
    }
    return trimmed(s, pos);
}

QString listingName(const QString &line)
{
    // Fields 1 to 8 end with the date; their separators are runs of blanks.
    qsizetype pos = 0;
    for (int k = 1; k < 8; ++k) {
        const qsizetype space = line.indexOf(QLatin1Char(' '), pos);
        if (space < 0)
            return {};
        pos = space + 1;
        while (pos < line.size() && isBlankOrControl(line.at(pos)))
            ++pos;
        if (pos >= line.size())
            return {};
    }
    const qsizetype separator = line.indexOf(QLatin1Char(' '), pos);
    if (separator < 0)
        return {};
    // The name's own blanks at either end are part of it (" leading.txt",
    // "trailing.txt "): the server knows the file by exactly these characters.
    qsizetype end = line.size();
    while (end > separator + 1 && (line.at(end - 1) == QLatin1Char('\r') || line.at(end - 1) == QLatin1Char('\n')))
        --end;
    return line.mid(separator + 1, end - separator - 1);
}

std::optional<RemoteEntry> classifyListingLine(const QString &line)
{
    if (line.isEmpty())
        return std::nullopt;
    const QChar first = line.at(0);
    if (first == QLatin1Char('-')) {
        const bool executable = line.mid(1, 9).contains(QLatin1Char('x'));
        // Field 5 is the size; a line of another shape gives none rather than a wrong one.
        const QString sizeField = ListFieldTail(line, 5).section(QLatin1Char(' '), 0, 0);
        bool sized = !sizeField.isEmpty();
        for (const QChar c : sizeField)
            sized = sized && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const qint64 size = sized ? sizeField.toLongLong(&sized) : -1;
        return RemoteEntry{listingName(line), executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                           sized ? size : -1};
    }
    if (first == QLatin1Char('d'))
        return RemoteEntry{listingName(line), EntryKind::Directory};
    if (first == QLatin1Char('l')) {
        // "name -> target": the link is known by its name. Whether it leads to a
        // directory only a CWD can tell.
        QString name = listingName(line);
        const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            name.truncate(arrow);
        return RemoteEntry{name, EntryKind::Link};
    }
    return std::nullopt;
}

bool isSafeLocalName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // "/" separates paths everywhere Qt runs; the native separator too.
    return !name.contains(QChar(0)) && !name.contains(QLatin1Char('/'))
        && !name.contains(QDir::separator());
}

} // namespace kav
