#pragma once
// Modification times that can be compared honestly. A time is the span in
// which the true moment lies, in UTC:
//
//   MLSD "modify" and MDTM:   to the second       [t, t+1s)
//   a LIST line with a clock: to the minute       [t, t+60s)   ("Dec 10 03:04")
//   a LIST line with a year:  to the day          [d, d+1 day) ("Dec 10  2024")
//   a local file:             to the second (the fraction is dropped, since no
//                             server keeps one and a copy must compare equal)
//
// Two times are the same when their spans overlap, and one is newer only when
// its span lies wholly after the other's: a LIST time never makes a file look
// newer for the seconds it does not show.
//
// A LIST date is on the server's clock in a zone it does not name; the
// profile's offset (minutes east of UTC, default 0) turns it into UTC. A date
// without a year is, as "ls" prints it, one of the last six months, so it lies
// in the current year unless that puts it in the future (by more than a day,
// for clocks that are a little apart): then it lies in the year before.

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace kav::sync {

struct FileTime {
    qint64 fromMs = 0;    // UTC, milliseconds since the epoch
    qint64 spanMs = 0;    // 0: no time known
    bool known() const { return spanMs > 0; }
    qint64 untilMs() const { return fromMs + spanMs; }
    // The start of the span, for showing and for setting a time elsewhere.
    QDateTime utc() const;
    bool operator==(const FileTime &) const = default;
};

enum class TimeOrder { Unknown, Older, Same, Newer };

// How `a` stands to `b`: Unknown when either has no time.
TimeOrder compareTimes(const FileTime &a, const FileTime &b);

// A time exact to the second (MLSD's fact, a local file's time, a time set by MFMT).
FileTime exactTime(const QDateTime &moment);

// The UTC time of an MDTM reply's text ("213 20261210030405" or with ".sss");
// none for anything else (a 550, a date that does not exist).
FileTime timeFromMdtmReply(const QString &reply);

// The "YYYYMMDDHHMMSS" form of MFMT, SITE UTIME and MDTM, in UTC.
QString factTimeText(const QDateTime &utc);

// The date fields of a LIST line as the server printed them.
struct ListedDate {
    int year = 0;        // 0: not printed (the line shows a clock instead)
    int month = 0;       // 1-12; 0: no date
    int day = 0;
    int hour = -1;       // -1: no clock (the line shows a year instead)
    int minute = -1;
    bool operator==(const ListedDate &) const = default;
};

// The date fields of a UNIX "ls -l" line ("Dec", "10", "03:04" or "2024"); a
// month is its English abbreviation in any letter case. Nothing recognised
// gives month 0.
ListedDate unixListedDate(QByteArrayView month, QByteArrayView day, QByteArrayView clockOrYear);

// The UTC span of a listed date: `offsetMinutes` is the server clock's offset
// east of UTC, `nowUtc` decides the year of a date printed without one.
FileTime timeFromListedDate(const ListedDate &date, int offsetMinutes, const QDateTime &nowUtc);

} // namespace kav::sync
