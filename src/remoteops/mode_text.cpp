#include "mode_text.h"

#include "ftp/listing.h"

#include <QDateTime>
#include <QLocale>

namespace kav {

namespace {

bool isBlankOrControl(QChar c) { return c.unicode() <= 0x20; }

bool isDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// One execute place of a permission text: the execute bit and the special bit
// it may carry. `special` is the lower-case letter ls uses for that place.
bool readExecutePlace(QChar c, char special, int executeBit, int specialBit, int &mode)
{
    const char upper = char(special - 'a' + 'A');
    if (c == QLatin1Char('x'))
        mode |= executeBit;
    else if (c == QLatin1Char(special))
        mode |= executeBit | specialBit;
    else if (c == QLatin1Char(upper))
        mode |= specialBit;
    else if (c != QLatin1Char('-'))
        return false;
    return true;
}

bool readFlag(QChar c, char letter, int bit, int &mode)
{
    if (c == QLatin1Char(letter))
        mode |= bit;
    else if (c != QLatin1Char('-'))
        return false;
    return true;
}

} // namespace

QString ListField(const QString &line, int n)
{
    if (n < 1)
        return {};
    // The field's start is where the tail from field n begins; the field ends
    // at the next space.
    const QString tail = ListFieldTail(line, n);
    if (tail.isEmpty())
        return {};
    const qsizetype space = tail.indexOf(QLatin1Char(' '));
    return space < 0 ? tail : tail.left(space);
}

QString modeText(int mode)
{
    QString out;
    const int special = (mode >> 9) & 7;
    if (special > 0)
        out += QString::number(special);
    out += QString::number((mode >> 6) & 7);
    out += QString::number((mode >> 3) & 7);
    out += QString::number(mode & 7);
    return out;
}

std::optional<int> modeOfPermissionText(const QString &p)
{
    if (p.size() == 11) {
        const QChar extra = p.at(10);
        if (extra != QLatin1Char('+') && extra != QLatin1Char('.') && extra != QLatin1Char('@'))
            return std::nullopt;
    } else if (p.size() != 10) {
        return std::nullopt;
    }
    if (!QStringLiteral("-dlcbpsD").contains(p.at(0)))
        return std::nullopt;
    int mode = 0;
    const bool ok = readFlag(p.at(1), 'r', OwnerRead, mode) && readFlag(p.at(2), 'w', OwnerWrite, mode)
        && readExecutePlace(p.at(3), 's', OwnerExecute, SetUserId, mode)
        && readFlag(p.at(4), 'r', GroupRead, mode) && readFlag(p.at(5), 'w', GroupWrite, mode)
        && readExecutePlace(p.at(6), 's', GroupExecute, SetGroupId, mode)
        && readFlag(p.at(7), 'r', OtherRead, mode) && readFlag(p.at(8), 'w', OtherWrite, mode)
        && readExecutePlace(p.at(9), 't', OtherExecute, Sticky, mode);
    if (!ok)
        return std::nullopt;
    return mode;
}

std::optional<FileProperties> readListingLine(const QString &line)
{
    if (line.isEmpty() || isBlankOrControl(line.at(0)))
        return std::nullopt;
    // Field 1 is either the permission text or, before it, an i-node number.
    int first = 1;
    FileProperties p;
    if (!modeOfPermissionText(ListField(line, 1))) {
        if (!isDigits(ListField(line, 1)) || !modeOfPermissionText(ListField(line, 2)))
            return std::nullopt;
        p.inode = ListField(line, 1);
        first = 2;
    }
    p.permission = ListField(line, first);
    p.links = ListField(line, first + 1);
    p.owner = ListField(line, first + 2);
    p.group = ListField(line, first + 3);
    p.size = ListField(line, first + 4);
    p.month = ListField(line, first + 5);
    p.day = ListField(line, first + 6);
    p.timeOrYear = ListField(line, first + 7);
    p.name = ListFieldTail(line, first + 8);
    p.mode = *modeOfPermissionText(p.permission);
    return p;
}

std::optional<FileProperties> propertiesOf(const QList<QString> &lines, const QString &name)
{
    std::optional<FileProperties> firstReadable;
    for (const QString &line : lines) {
        auto p = readListingLine(line);
        if (!p)
            continue;
        if (p->name == name)
            return p;
        if (!firstReadable)
            firstReadable = p;
    }
    return firstReadable;
}

std::optional<FileProperties> propertiesOfEntry(const RemoteEntry &entry)
{
    if (entry.mode < 0)
        return std::nullopt;
    FileProperties p;
    p.mode = entry.mode & 07777;
    p.name = entry.name;
    p.size = entry.size >= 0 ? QString::number(entry.size) : QString();
    if (entry.modified.isValid()) {
        // As ls writes it: the time of day within this year, else the year.
        const QDateTime local = entry.modified.toLocalTime();
        const QLocale c = QLocale::c();
        p.month = c.toString(local, QStringLiteral("MMM"));
        p.day = QString::number(local.date().day());
        p.timeOrYear = local.date().year() == QDate::currentDate().year() ? c.toString(local, QStringLiteral("hh:mm"))
                                                                           : QString::number(local.date().year());
    }
    return p;
}

} // namespace kav
