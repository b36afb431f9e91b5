// Times from MLSD, MDTM and LIST lines, and how they compare.
#include "sync/file_time.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace kav::sync;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

FileTime span(const QDateTime &from, qint64 ms) { return {from.toMSecsSinceEpoch(), ms}; }

TEST(FileTime, ComparesSpansHonestly)
{
    const QDateTime t = utc(2026, 12, 10, 3, 4, 0);
    struct Case {
        const char *name;
        FileTime a, b;
        TimeOrder expected;
    } cases[] = {
        {"equal seconds", exactTime(t), exactTime(t), TimeOrder::Same},
        {"a second later", exactTime(t.addSecs(1)), exactTime(t), TimeOrder::Newer},
        {"a second earlier", exactTime(t.addSecs(-1)), exactTime(t), TimeOrder::Older},
        {"fraction dropped", exactTime(t.addMSecs(999)), exactTime(t), TimeOrder::Same},
        {"inside a LIST minute", exactTime(t.addSecs(59)), span(t, 60000), TimeOrder::Same},
        {"at the end of a LIST minute", exactTime(t.addSecs(60)), span(t, 60000), TimeOrder::Newer},
        {"before a LIST minute", exactTime(t.addSecs(-1)), span(t, 60000), TimeOrder::Older},
        {"LIST minutes apart", span(t.addSecs(60), 60000), span(t, 60000), TimeOrder::Newer},
        {"inside a LIST day", exactTime(t), span(utc(2026, 12, 10), 86400000), TimeOrder::Same},
        {"no time on one side", exactTime(t), FileTime{}, TimeOrder::Unknown},
    };
    for (const Case &c : cases)
        EXPECT_EQ(compareTimes(c.a, c.b), c.expected) << c.name;
}

TEST(FileTime, ReadsMdtmReplies)
{
    struct Case {
        const char *reply;
        QDateTime expected;   // invalid: no time
    } cases[] = {
        {"213 20261210030405", utc(2026, 12, 10, 3, 4, 5)},
        {"213 20261210030405.123\r\n", utc(2026, 12, 10, 3, 4, 5)},
        {"213 19991231235959", utc(1999, 12, 31, 23, 59, 59)},
        {"550 No such file", {}},
        {"213 20261310030405", {}},          // month 13
        {"213 20260230030405", {}},          // 30 February
        {"213 2026121003040", {}},           // a digit short
        {"213 2026121003040x", {}},
        {"213 20261210030405.x", {}},
    };
    for (const auto &c : cases) {
        const FileTime t = timeFromMdtmReply(QString::fromLatin1(c.reply));
        EXPECT_EQ(t.known(), c.expected.isValid()) << c.reply;
        if (c.expected.isValid()) {
            EXPECT_EQ(t.utc(), c.expected) << c.reply;
            EXPECT_EQ(t.spanMs, 1000) << c.reply;
        }
    }
    EXPECT_EQ(factTimeText(utc(2026, 1, 2, 3, 4, 5)), QStringLiteral("20260102030405"));
}

TEST(FileTime, ReadsListDatesWithTheYearRuleAndTheProfilesOffset)
{
    const QDateTime now = utc(2026, 3, 15, 12, 0);
    struct Case {
        const char *name;
        const char *month, *day, *clock;
        int offset;            // minutes east of UTC
        QDateTime nowUtc;
        QDateTime expected;    // start of the span
        qint64 spanMs;
    } cases[] = {
        {"this year", "Mar", "10", "03:04", 0, now, utc(2026, 3, 10, 3, 4), 60000},
        {"later month is last year", "Dec", "10", "03:04", 0, now, utc(2025, 12, 10, 3, 4), 60000},
        {"today", "Mar", "15", "11:59", 0, now, utc(2026, 3, 15, 11, 59), 60000},
        {"tomorrow by a fast server clock", "Mar", "16", "01:00", 0, now, utc(2026, 3, 16, 1, 0), 60000},
        {"year printed", "Dec", "10", "2024", 0, now, utc(2024, 12, 10), 86400000},
        {"Korean server, nine hours east", "Mar", "10", "12:00", 9 * 60, now, utc(2026, 3, 10, 3, 0), 60000},
        {"offset west", "Mar", "10", "12:00", -(5 * 60 + 30), now, utc(2026, 3, 10, 17, 30), 60000},
        // New Year: the server is already in 2027 when UTC is not.
        {"server past new year", "Jan", "01", "08:30", 9 * 60, utc(2026, 12, 31, 23, 40),
         utc(2026, 12, 31, 23, 30), 60000},
        {"letter case", "DEC", "1", "23:59", 0, now, utc(2025, 12, 1, 23, 59), 60000},
        {"leap day", "Feb", "29", "10:00", 0, now, utc(2024, 2, 29, 10, 0), 60000},
    };
    for (const auto &c : cases) {
        const ListedDate d = unixListedDate(c.month, c.day, c.clock);
        const FileTime t = timeFromListedDate(d, c.offset, c.nowUtc);
        ASSERT_TRUE(t.known()) << c.name;
        EXPECT_EQ(t.utc(), c.expected) << c.name;
        EXPECT_EQ(t.spanMs, c.spanMs) << c.name;
    }
    // Fields that are no date.
    EXPECT_EQ(unixListedDate("Foo", "10", "03:04").month, 0);
    EXPECT_EQ(unixListedDate("Dec", "32", "03:04").month, 0);
    EXPECT_EQ(unixListedDate("Dec", "10", "24:00").month, 0);
    EXPECT_EQ(unixListedDate("Dec", "10", "3:4").month, 0);
    EXPECT_EQ(unixListedDate("Dec", "10", "20245").month, 0);
    EXPECT_FALSE(timeFromListedDate(ListedDate{}, 0, now).known());
    // A date printed by an MS-DOS listing: a year and a clock.
    const FileTime dos = timeFromListedDate(ListedDate{2025, 12, 31, 13, 2}, 0, now);
    EXPECT_EQ(dos.utc(), utc(2025, 12, 31, 13, 2));
    EXPECT_EQ(dos.spanMs, 60000);
}

} // namespace
