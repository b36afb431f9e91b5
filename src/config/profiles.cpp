#include "profiles.h"

namespace kav {

namespace {

// A run of decimal digits, -1 for anything else.
int digits(QStringView text)
{
    if (text.isEmpty() || text.size() > 4)
        return -1;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

bool parseZoneOffset(const QString &text, int *minutes)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *minutes = 0;
        return true;
    }
    int sign = 1;
    QStringView rest(t);
    if (rest.startsWith(u'+') || rest.startsWith(u'-')) {
        sign = rest.startsWith(u'-') ? -1 : 1;
        rest = rest.mid(1);
    }
    int hours = -1, mins = 0;
    const qsizetype colon = rest.indexOf(u':');
    if (colon >= 0) {
        hours = rest.first(colon).size() <= 2 ? digits(rest.first(colon)) : -1;
        mins = rest.mid(colon + 1).size() == 2 ? digits(rest.mid(colon + 1)) : -1;
    } else if (rest.size() <= 2) {
        hours = digits(rest);
    } else if (rest.size() == 4) {
        hours = digits(rest.first(2));
        mins = digits(rest.mid(2));
    }
    if (hours < 0 || mins < 0 || mins > 59 || hours * 60 + mins > MaxZoneOffset)
        return false;
    *minutes = sign * (hours * 60 + mins);
    return true;
}

QString zoneOffsetText(int minutes)
{
    if (minutes == 0)
        return {};
    const int a = minutes < 0 ? -minutes : minutes;
    return QStringLiteral("%1%2:%3")
        .arg(QChar(minutes < 0 ? u'-' : u'+'))
        .arg(a / 60, 2, 10, QLatin1Char('0'))
        .arg(a % 60, 2, 10, QLatin1Char('0'));
}


QString keyringEntryName(const QString &profileName, const QString &host)
{
    return profileName + QLatin1Char('@') + host;
}

int ProfileList::indexOf(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (QString::compare(list.at(i).HostName, name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void ProfileList::append(const ProfileEntry &entry)
{
    list.append(entry);
    emit appended(count() - 1);
}

void ProfileList::set(int index, const ProfileEntry &entry)
{
    if (index < 0 || index >= count())
        return;
    list[index] = entry;
    emit entryChanged(index);
}

void ProfileList::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    list.removeAt(index);
    if (current == index)
        current = -1;
    else if (current > index)
        --current;
    emit removed(index);
}

void ProfileList::clear()
{
    list.clear();
    current = -1;
    emit cleared();
}

void ProfileList::choose(int index)
{
    current = index >= 0 && index < count() ? index : -1;
    emit chooseRequested(current);
}

void ProfileList::setOptions(const LoginOptions &options)
{
    loginOptions = options;
    emit optionsChanged();
}

} // namespace kav
