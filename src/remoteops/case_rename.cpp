#include "case_rename.h"

namespace kav {

namespace {

QChar asciiUpper(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z') ? QChar(c.unicode() - 'a' + 'A') : c;
}

QChar asciiLower(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() - 'A' + 'a') : c;
}

} // namespace

LetterCase letterCaseOf(const QString &senderName)
{
    if (senderName == QLatin1String("N_RUppercase"))
        return LetterCase::Upper;
    if (senderName == QLatin1String("N_RLowercase"))
        return LetterCase::Lower;
    return LetterCase::Sentence;
}

QString caseRenamed(const QString &name, LetterCase letterCase)
{
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const bool upper = letterCase == LetterCase::Upper || (letterCase == LetterCase::Sentence && i == 0);
        out[i] = upper ? asciiUpper(out.at(i)) : asciiLower(out.at(i));
    }
    return out;
}

bool nameTaken(const QStringList &listed, const QString &from, const QString &to)
{
    // A name given back to itself replaces nothing.
    if (to == from)
        return false;
    bool sourceSkipped = false;
    for (const QString &name : listed) {
        // The entry being renamed is listed once; any further entry of the
        // same name (a file and a directory may share it) is another one.
        if (!sourceSkipped && name == from) {
            sourceSkipped = true;
            continue;
        }
        if (QString::compare(name, to, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace kav
