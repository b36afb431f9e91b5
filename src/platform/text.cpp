#include "text.h"

#include <cstring>
#include <limits>

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

namespace {

int codeOf(QChar c) { return c.unicode(); }
int codeOf(char c) { return uchar(c); }

template <typename View>
qint64 decimalOf(View digits)
{
    if (digits.isEmpty())
        return -1;
    qint64 n = 0;
    for (const auto c : digits) {
        const int d = codeOf(c) - '0';
        if (d < 0 || d > 9)
            return -1;
        if (n > (std::numeric_limits<qint64>::max() - d) / 10)
            return -1;   // too large to be a size
        n = n * 10 + d;
    }
    return n;
}

} // namespace

qint64 decimalOrUnknown(QStringView digits) { return decimalOf(digits); }
qint64 decimalOrUnknown(QByteArrayView digits) { return decimalOf(digits); }

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
    for (const QByteArrayView line : feedViews(data, size))
        lines.append(line.toByteArray());
    return lines;
}

QList<QByteArrayView> LineSplitter::feedViews(const char *data, qsizetype size)
{
    QList<QByteArrayView> lines;
    joined.clear();
    qsizetype start = 0;
    while (start < size) {
        // The next LF by memchr (fast over a long block), then a NUL before it.
        const char *lf = static_cast<const char *>(std::memchr(data + start, '\n', size_t(size - start)));
        const qsizetype stop = lf ? lf - data : size;
        const char *nul = static_cast<const char *>(std::memchr(data + start, '\0', size_t(stop - start)));
        if (!lf && !nul)
            break;
        const qsizetype i = nul ? nul - data : stop;
        if (skipping || tooLong(partial.size() + (i - start))) {
            overflow = true;
        } else if (partial.isEmpty()) {
            lines.append(QByteArrayView(data + start, i - start));
        } else {
            partial.append(data + start, i - start);
            joined = std::exchange(partial, QByteArray());
            lines.append(QByteArrayView(joined));
        }
        partial.clear();
        skipping = false;
        start = i + 1;
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
