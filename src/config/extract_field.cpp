#include "extract_field.h"

namespace kav {

QString ExtractField(const QString &text, QChar separator, int n)
{
    if (!text.contains(separator))
        return n == 1 ? text : QString();
    int counter = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != separator)
            continue;
        if (counter == n)
            return text.mid(start, i - start);
        ++counter;
        start = i + 1;
    }
    return counter == n ? text.mid(start) : QString();
}

QString joinFields(const QStringList &fields, QChar separator)
{
    const QChar kept(char16_t(0xDC00 + separator.unicode()));
    QStringList out = fields;
    for (QString &f : out)
        f.replace(separator, kept);
    return out.join(separator);
}

QString fieldOf(const QString &text, QChar separator, int n)
{
    return ExtractField(text, separator, n).replace(QChar(char16_t(0xDC00 + separator.unicode())), separator);
}

} // namespace kav
