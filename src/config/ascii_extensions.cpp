#include "config/ascii_extensions.h"

#include <algorithm>

namespace kav {

const QString DefaultTransAscii = QStringLiteral(
    "txt;c;cpp;cxx;cc;pc;h;hpp;hxx;htm;html;stm;stml;jav;java;pas;bas;bi;frm;bat;prg;ch;for;ini;rc;tex;pl;sys;log;sql;cfg;lst");

int AsciiExtensionList::add(const QString &extension)
{
    const QString upper = extension.toUpper();
    if (upper.isEmpty())
        return -1;
    const auto at = std::lower_bound(list.begin(), list.end(), upper);
    const int index = int(at - list.begin());
    if (at != list.end() && *at == upper)
        return index;
    list.insert(index, upper);
    return index;
}

void AsciiExtensionList::removeAt(int index)
{
    if (index >= 0 && index < list.size())
        list.removeAt(index);
}

int AsciiExtensionList::indexOf(const QString &extension) const
{
    if (extension.isEmpty())
        return -1;
    const QString upper = extension.toUpper();
    const auto at = std::lower_bound(list.begin(), list.end(), upper);
    return (at != list.end() && *at == upper) ? int(at - list.begin()) : -1;
}

QString AsciiExtensionList::toStored() const
{
    QString out;
    for (const QString &e : list)
        out += e + QLatin1Char(';');
    return out;
}

void AsciiExtensionList::loadStored(const QString &value)
{
    list.clear();
    const QString text = value.isEmpty() ? DefaultTransAscii : value;
    for (const QString &token : text.split(QLatin1Char(';'))) {
        if (token.isEmpty())
            break;
        add(token);
    }
}

QStringList localSearchPatterns(const QStringList &extensions)
{
    QStringList out;
    for (const QString &e : extensions)
        out << QStringLiteral("*.") + e.toLower();
    return out;
}

} // namespace kav
