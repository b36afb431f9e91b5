#include "wildcard.h"

#include <QList>

namespace kav {

namespace {

uint folded(uint c)
{
    return QChar::toCaseFolded(c);
}

// Matches the set starting after '[' at mask[i]; on success returns true, sets
// `matched` and moves i past the closing ']'. A '[' without a closing ']' is
// not a set (the caller then takes it literally).
bool matchSet(const QList<uint> &mask, qsizetype &i, uint c, bool &matched)
{
    qsizetype k = i;
    bool negate = false;
    if (k < mask.size() && mask[k] == uint('!')) {
        negate = true;
        ++k;
    }
    bool found = false;
    bool first = true;
    while (k < mask.size() && (first || mask[k] != uint(']'))) {
        first = false;
        uint low = folded(mask[k]);
        uint high = low;
        if (k + 2 < mask.size() && mask[k + 1] == uint('-') && mask[k + 2] != uint(']')) {
            high = folded(mask[k + 2]);
            k += 3;
        } else {
            ++k;
        }
        if (low > high)
            std::swap(low, high);
        if (c >= low && c <= high)
            found = true;
    }
    if (k >= mask.size())
        return false;   // no closing bracket
    i = k + 1;
    matched = found != negate;
    return true;
}

} // namespace

bool matchesWildcard(const QString &maskText, const QString &nameText)
{
    const QList<uint> mask = maskText.toUcs4();
    const QList<uint> name = nameText.toUcs4();
    qsizetype m = 0, n = 0;
    // The last '*' seen and the name position it is currently stretched to.
    qsizetype starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size()) {
            const uint p = mask[m];
            if (p == uint('*')) {
                starMask = ++m;
                starName = n;
                continue;
            }
            if (p == uint('?')) {
                ++m;
                ++n;
                continue;
            }
            if (p == uint('[')) {
                qsizetype after = m + 1;
                bool matched = false;
                if (matchSet(mask, after, folded(name[n]), matched)) {
                    if (matched) {
                        m = after;
                        ++n;
                        continue;
                    }
                } else if (folded(name[n]) == uint('[')) {
                    ++m;
                    ++n;
                    continue;
                }
            } else if (folded(p) == folded(name[n])) {
                ++m;
                ++n;
                continue;
            }
        }
        if (starMask < 0)
            return false;
        m = starMask;
        n = ++starName;
    }
    while (m < mask.size() && mask[m] == uint('*'))
        ++m;
    return m == mask.size();
}

bool matchesLocalMask(const QString &mask, const QString &name)
{
    if (matchesWildcard(mask, name))
        return true;
    if (mask.endsWith(QLatin1String(".*")) && !name.contains(QLatin1Char('.')))
        return matchesWildcard(mask.chopped(2), name);
    return false;
}

} // namespace kav
