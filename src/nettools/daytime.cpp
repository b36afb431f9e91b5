#include "daytime.h"

#include <QDate>

#include <algorithm>

namespace kav {
namespace {

// Columns counted from 1, as the layout is written.
QByteArray columns(const QByteArray &line, int first, int last)
{
    return line.mid(first - 1, last - first + 1);
}

int number(const QByteArray &text, int fallback)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    // A leading blank is allowed ("Dec  5"), an embedded or trailing one is not.
    if (!ok || text.isEmpty() || text.endsWith(' '))
        return fallback;
    return v;
}

} // namespace

QByteArray daytimeLine(const QByteArray &data, bool *complete)
{
    qsizetype end = -1;
    for (qsizetype i = 0; i < data.size(); ++i)
        if (data[i] == '\0' || data[i] == '\n') {
            end = i;
            break;
        }
    if (complete)
        *complete = end >= 0;
    QByteArray line = end >= 0 ? data.left(end) : data;
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool DaytimeReader::feed(QByteArrayView bytes)
{
    if (done())
        return true;
    const QByteArrayView taken = bytes.first(qMin(bytes.size(), MaxBytes - received.size()));
    received.append(taken);
    complete = std::any_of(taken.begin(), taken.end(), [](char c) { return c == '\n' || c == '\0'; });
    return done();
}

DaytimeTime parseDaytime(const QByteArray &line)
{
    static const QByteArray months = "01Jan02Feb03Mar04Apr05May06Jun07Jul08Aug09Sep10Oct11Nov12Dec";
    static const QByteArray weekdays = "0Sun1Mon2Tue3Wed4Thu5Fri6Sat";
    DaytimeTime t;
    t.hour = number(columns(line, 12, 13), 12);
    t.minute = number(columns(line, 15, 16), 0);
    t.second = number(columns(line, 18, 19), 0);
    t.year = number(columns(line, 21, 24), 0);
    const QByteArray month = columns(line, 5, 7);
    if (month.size() == 3) {
        const qsizetype at = months.indexOf(month);
        if (at >= 2 && at % 5 == 2)
            t.month = months.mid(at - 2, 2).toInt();
    }
    t.day = number(columns(line, 9, 10), 0);
    const QByteArray weekday = columns(line, 1, 3);
    if (weekday.size() == 3) {
        const qsizetype at = weekdays.indexOf(weekday);
        if (at >= 1 && at % 4 == 1)
            t.dayOfWeek = weekdays.mid(at - 1, 1).toInt();
    }
    t.hourOffset = 0;
    if (t.hour > 12) {
        t.hour -= 12;
        t.hourOffset = 12;
    }
    t.dateCaption = QString::fromLatin1(columns(line, 1, 11) + columns(line, 21, 24));
    return t;
}

bool DaytimeTime::isValid() const
{
    const int h = hour + hourOffset;
    return QDate::isValid(year, month, day) && year > 0 && h >= 0 && h < 24 && minute >= 0
           && minute < 60 && second >= 0 && second < 60;
}

QDateTime DaytimeTime::dateTime() const
{
    if (!isValid())
        return {};
    return QDateTime(QDate(year, month, day), QTime(hour + hourOffset, minute, second));
}

} // namespace kav
