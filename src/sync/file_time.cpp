#include "sync/file_time.h"

#include <QTimeZone>

#include <optional>

namespace kav::sync {

namespace {

constexpr qint64 SecondMs = 1000;
constexpr qint64 MinuteMs = 60 * SecondMs;
constexpr qint64 DayMs = 24 * 60 * MinuteMs;

int digits(QStringView text)
{
    if (text.isEmpty())
        return -1;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 100000)
            return -1;
    }
    return value;
}

int asciiDigits(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 6)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QDateTime FileTime::utc() const
{
    return known() ? QDateTime::fromMSecsSinceEpoch(fromMs, Qt::UTC) : QDateTime();
}

TimeOrder compareTimes(const FileTime &a, const FileTime &b)
{
    if (!a.known() || !b.known())
        return TimeOrder::Unknown;
    if (a.fromMs >= b.untilMs())
        return TimeOrder::Newer;
    if (a.untilMs() <= b.fromMs)
        return TimeOrder::Older;
    return TimeOrder::Same;
}

FileTime exactTime(const QDateTime &moment)
{
    if (!moment.isValid())
        return {};
    const qint64 ms = moment.toMSecsSinceEpoch();
    // Whole seconds, rounded down also before 1970.
    const qint64 second = ms >= 0 ? ms / SecondMs : -((-ms + SecondMs - 1) / SecondMs);
    return {second * SecondMs, SecondMs};
}

FileTime timeFromMdtmReply(const QString &reply)
{
    const QString text = reply.trimmed();
    if (!text.startsWith(QLatin1String("213 ")))
        return {};
    QStringView stamp = QStringView(text).mid(4).trimmed();
    const qsizetype dot = stamp.indexOf(u'.');
    if (dot >= 0) {
        if (digits(stamp.mid(dot + 1)) < 0)
            return {};
        stamp = stamp.first(dot);
    }
    if (stamp.size() != 14)
        return {};
    const int year = digits(stamp.mid(0, 4)), month = digits(stamp.mid(4, 2)), day = digits(stamp.mid(6, 2));
    const int hour = digits(stamp.mid(8, 2)), minute = digits(stamp.mid(10, 2)), second = digits(stamp.mid(12, 2));
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (year < 0 || !date.isValid() || !time.isValid())
        return {};
    return exactTime(QDateTime(date, time, Qt::UTC));
}

QString factTimeText(const QDateTime &utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
}

ListedDate unixListedDate(QByteArrayView month, QByteArrayView day, QByteArrayView clockOrYear)
{
    static const char *const Months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    ListedDate date;
    if (month.size() != 3)
        return {};
    for (int i = 0; i < 12; ++i) {
        bool same = true;
        for (int k = 0; k < 3; ++k)
            same = same && (month[k] | 0x20) == Months[i][k];
        if (same)
            date.month = i + 1;
    }
    date.day = asciiDigits(day);
    if (date.month == 0 || date.day < 1 || date.day > 31)
        return {};
    const qsizetype colon = clockOrYear.indexOf(':');
    if (colon >= 0) {
        date.hour = asciiDigits(clockOrYear.first(colon));
        date.minute = asciiDigits(clockOrYear.sliced(colon + 1));
        if (date.hour < 0 || date.hour > 23 || date.minute < 0 || date.minute > 59 || colon > 2
            || clockOrYear.size() - colon != 3)
            return {};
    } else {
        date.year = asciiDigits(clockOrYear);
        if (date.year < 1900 || clockOrYear.size() != 4)
            return {};
    }
    return date;
}

FileTime timeFromListedDate(const ListedDate &date, int offsetMinutes, const QDateTime &nowUtc)
{
    if (date.month == 0)
        return {};
    const bool clock = date.hour >= 0;
    const QTime time = clock ? QTime(date.hour, date.minute) : QTime(0, 0);
    const qint64 offsetMs = qint64(offsetMinutes) * MinuteMs;
    auto at = [&](int year) -> std::optional<qint64> {
        const QDate day(year, date.month, date.day);
        if (!day.isValid() || !time.isValid())
            return std::nullopt;
        // The printed wall time, read as if it were UTC, less the server's offset.
        return QDateTime(day, time, Qt::UTC).toMSecsSinceEpoch() - offsetMs;
    };
    std::optional<qint64> from;
    if (date.year > 0) {
        from = at(date.year);
    } else {
        // The server's own "now", in its wall time, decides the year.
        const QDateTime serverNow = nowUtc.toUTC().addMSecs(offsetMs);
        const int year = serverNow.date().year();
        from = at(year);
        if (!from || *from > nowUtc.toMSecsSinceEpoch() + DayMs)
            from = at(year - 1);
        // 29 February of a year before a leap year: the year before that is no
        // leap year either; the date is then a leap day at most four years back.
        for (int back = 2; !from && back <= 4; ++back)
            from = at(year - back);
    }
    if (!from)
        return {};
    return {*from, clock ? MinuteMs : DayMs};
}

} // namespace kav::sync
