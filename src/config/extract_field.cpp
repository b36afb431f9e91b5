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

} // namespace kav
