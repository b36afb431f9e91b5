#include "profiles.h"

namespace kav {

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
