#include "text.h"

namespace kav::text {

namespace {

template <typename View, typename Drop>
View trimView(View v, Drop drop)
{
    qsizetype begin = 0;
    qsizetype end = v.size();
    while (begin < end && drop(v[begin]))
        ++begin;
    while (end > begin && drop(v[end - 1]))
        --end;
    return v.sliced(begin, end - begin);
}

} // namespace

QString trimmed(QStringView text)
{
    return trimView(text, [](QChar c) { return c.unicode() <= 0x20; }).toString();
}

QByteArray trimmedBytes(QByteArrayView bytes)
{
    return trimView(bytes, [](char c) { return uchar(c) <= 0x20; }).toByteArray();
}

QStringView trimmedBlanks(QStringView text)
{
    return trimView(text, [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); });
}

qint64 decimalOrUnknown(QStringView digits)
{
    if (digits.isEmpty())
        return -1;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace kav::text

namespace kav {

QString withoutTrailingCR(const QString &line)
{
    if (line.endsWith(QLatin1Char('\r')))
        return line.left(line.size() - 1);
    return line;
}

QList<QByteArray> LineSplitter::feed(const char *data, qsizetype size)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == '\n' || data[i] == '\0') {
            if (skipping || tooLong(partial.size() + (i - start))) {
                overflow = true;
            } else {
                partial.append(data + start, i - start);
                lines.append(partial);
            }
            partial.clear();
            skipping = false;
            start = i + 1;
        }
    }
    if (skipping)
        return lines;
    if (tooLong(partial.size() + (size - start))) {
        // The rest of this line, up to its end, is skipped with it.
        overflow = true;
        skipping = true;
        partial.clear();
    } else {
        partial.append(data + start, size - start);
    }
    return lines;
}

} // namespace kav
