#include "text.h"

namespace kav::text {

namespace {

template <typename View, typename Code>
View trimView(View v, Code code)
{
    qsizetype begin = 0;
    qsizetype end = v.size();
    while (begin < end && code(v[begin]) <= 0x20)
        ++begin;
    while (end > begin && code(v[end - 1]) <= 0x20)
        --end;
    return v.sliced(begin, end - begin);
}

} // namespace

QString trimmed(QStringView text)
{
    return trimView(text, [](QChar c) { return unsigned(c.unicode()); }).toString();
}

QByteArray trimmedBytes(QByteArrayView bytes)
{
    return trimView(bytes, [](char c) { return unsigned(uchar(c)); }).toByteArray();
}

} // namespace kav::text
