// The permission window's pure parts: listing fields, the mode bits of a
// permission text, the octal mode text, and the line that names the file.

#include "remoteops/mode_text.h"
#include "ftp/listing.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace kav;

namespace {

std::string s(const QString &t) { return t.toStdString(); }

} // namespace

TEST(ListField, TakesFieldsSeparatedByRunsOfSpaces)
{
    struct Case {
        const char *what;
        QString line;
        int n;
        QString expected;
    };
    const QString line = QStringLiteral("-rw-r--r--    1 102      105            12 Dec 10 03:05 hello world.txt\r");
    const QList<Case> cases = {
        {"first field", line, 1, "-rw-r--r--"},
        {"after a run of spaces", line, 2, "1"},
        {"owner", line, 3, "102"},
        {"size after many spaces", line, 5, "12"},
        {"time", line, 8, "03:05"},
        {"a name's first word only", line, 9, "hello"},
        {"the name's second word, CR trimmed", line, 10, "world.txt"},
        {"past the last field", line, 11, ""},
        {"field zero", line, 0, ""},
        {"leading blanks and control characters", "\t  a b", 1, "a"},
        {"a tab inside a field belongs to it", "a\tb c", 1, "a\tb"},
        {"empty line", "", 1, ""},
        {"blank line", "   ", 1, ""},
        {"one field", "total", 1, "total"},
        {"a long field is kept whole", QString(300, QLatin1Char('o')) + " g", 1, QString(300, QLatin1Char('o'))},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(ListField(c.line, c.n)), s(c.expected)) << c.what;
}

TEST(ModeText, SpecialDigitOnlyWhenSet)
{
    struct Case {
        int mode;
        const char *text;
    };
    const QList<Case> cases = {
        {0644, "644"}, {0755, "755"}, {0, "000"}, {04755, "4755"}, {02755, "2755"},
        {01777, "1777"}, {07777, "7777"}, {04644, "4644"}, {0600, "600"}, {0007, "007"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(modeText(c.mode)), c.text) << std::oct << c.mode;
}

TEST(ModeText, PermissionTextsReadAsLsWritesThem)
{
    struct Case {
        const char *permission;
        int mode;   // -1: not a permission text
    };
    const QList<Case> cases = {
        {"-rw-r--r--", 0644},
        {"-rwxr-xr-x", 0755},
        {"-rwsr-xr-x", 04755},   // s: set-user-id and execute
        {"-rwSr--r--", 04644},   // S: set-user-id alone
        {"-rwxr-sr-x", 02755},
        {"-rwxr-Sr-x", 02745},
        {"drwxrwxrwt", 01777},   // t: sticky and execute
        {"drwxrwxrwT", 01776},   // T: sticky alone
        {"-rwsr-sr-t", 07755},
        {"----------", 0},
        {"lrwxrwxrwx", 0777},
        {"-rw-r--r--+", 0644},   // access control list mark
        {"-rw-r--r--.", 0644},   // security context mark
        {"-rw-r--r--x", -1},
        {"-rw-r--r-", -1},
        {"total", -1},
        {"-rwqr--r--", -1},
        {"xrw-r--r--", -1},
        {"-rwtr--r--", -1},      // t belongs to the other class only
        {"-rw-r--r-s", -1},      // and s to owner and group
        {"", -1},
    };
    for (const Case &c : cases) {
        const auto mode = modeOfPermissionText(QString::fromLatin1(c.permission));
        if (c.mode < 0) {
            EXPECT_FALSE(mode) << c.permission;
        } else {
            ASSERT_TRUE(mode) << c.permission;
            EXPECT_EQ(*mode, c.mode) << c.permission;
        }
    }
}

TEST(ModeText, UnchangedModeGivesTheSameText)
{
    // What the window shows for a file is exactly what chmod would set: OK
    // pressed without a change must never change the file.
    for (const char *p : {"-rwsr-xr-x", "-rwSr--r--", "drwxrwxrwt", "drwxrwxrwT", "-rwxr-sr-x"}) {
        const int mode = *modeOfPermissionText(QString::fromLatin1(p));
        EXPECT_EQ(s(modeText(mode)), s(QString::number(mode, 8))) << p;
    }
}

TEST(FileListing, LinesWithAndWithoutAnInodeColumn)
{
    struct Case {
        const char *what;
        QString line;
        QString inode, permission, links, owner, group, size, month, day, time, name;
        int mode;
    };
    const QList<Case> cases = {
        {"vsftpd", "-rw-r--r--    1 102      105            12 Dec 10 03:05 hello.txt\r", "", "-rw-r--r--", "1",
         "102", "105", "12", "Dec", "10", "03:05", "hello.txt", 0644},
        {"ls -i", "1048602 -rwsr-xr-x   1 ftp      ftp          4096 Mar 04  2021 run me", "1048602", "-rwsr-xr-x",
         "1", "ftp", "ftp", "4096", "Mar", "04", "2021", "run me", 04755},
        {"sticky directory", "drwxrwxrwt   2 root root 40 Dec 10 03:05 tmp", "", "drwxrwxrwt", "2", "root", "root",
         "40", "Dec", "10", "03:05", "tmp", 01777},
        {"Korean name", QStringLiteral("-rwSr--r-- 1 kim users 7 Jan 1 2020 자료 목록.txt"), "", "-rwSr--r--", "1", "kim",
         "users", "7", "Jan", "1", "2020", QStringLiteral("자료 목록.txt"), 04644},
        {"long owner", "-rw-r--r-- 1 " + QString(300, QLatin1Char('o')) + " g 5 Dec 10 03:05 f", "", "-rw-r--r--", "1",
         QString(300, QLatin1Char('o')), "g", "5", "Dec", "10", "03:05", "f", 0644},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto p = readListingLine(c.line);
        ASSERT_TRUE(p);
        EXPECT_EQ(s(p->inode), s(c.inode));
        EXPECT_EQ(s(p->permission), s(c.permission));
        EXPECT_EQ(s(p->links), s(c.links));
        EXPECT_EQ(s(p->owner), s(c.owner));
        EXPECT_EQ(s(p->group), s(c.group));
        EXPECT_EQ(s(p->size), s(c.size));
        EXPECT_EQ(s(p->month), s(c.month));
        EXPECT_EQ(s(p->day), s(c.day));
        EXPECT_EQ(s(p->timeOrYear), s(c.time));
        EXPECT_EQ(s(p->name), s(c.name));
        EXPECT_EQ(p->mode, c.mode);
    }
    for (const char *other : {"total 8", "", " -rw-r--r-- 1 a b 1 Dec 1 1 x", "12-10-26  03:05AM  12 hello.txt",
                              "123 total 8"})
        EXPECT_FALSE(readListingLine(QString::fromLatin1(other))) << other;
}

TEST(FileListing, TheLineThatNamesTheFile)
{
    const QString a = QStringLiteral("-rw-r--r-- 1 u g 1 Dec 10 03:05 a.txt");
    const QString b = QStringLiteral("12 -rwxr-xr-x 1 u g 2 Dec 10 03:05 b.txt");
    struct Case {
        const char *what;
        QList<QString> lines;
        QString name;
        QString expectedName;   // empty: none
    };
    const QList<Case> cases = {
        {"after a total line", {"total 8", b, ""}, "b.txt", "b.txt"},
        {"the named one among others", {"total 16", a, b}, "b.txt", "b.txt"},
        {"another spelling: the first readable", {"total 8", a}, "./a.txt", "a.txt"},
        {"nothing readable", {"total 0", ""}, "a.txt", ""},
        {"no lines", {}, "a.txt", ""},
    };
    for (const Case &c : cases) {
        const auto p = propertiesOf(c.lines, c.name);
        if (c.expectedName.isEmpty()) {
            EXPECT_FALSE(p) << c.what;
        } else {
            ASSERT_TRUE(p) << c.what;
            EXPECT_EQ(s(p->name), s(c.expectedName)) << c.what;
        }
    }
}

// A listing entry with its mode (as SFTP lists them) gives the window's
// properties without a listing line; an entry without a mode gives nothing,
// so the window never shows boxes it would then set.
TEST(PropertiesOfEntry, ModeSizeAndTimeFromTheListing)
{
    kav::RemoteEntry e(QStringLiteral("이름 있는 파일.sh"), kav::EntryKind::PlainFile, 1234,
                       QDateTime(QDate(2019, 3, 7), QTime(10, 5), Qt::UTC));
    e.mode = 0104755;   // the file type bits above the permissions are left out
    const std::optional<kav::FileProperties> p = kav::propertiesOfEntry(e);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->mode, 04755);
    EXPECT_EQ(kav::modeText(p->mode), QStringLiteral("4755"));
    EXPECT_EQ(p->size, QStringLiteral("1234"));
    EXPECT_EQ(p->name, e.name);
    EXPECT_EQ(p->month, QStringLiteral("Mar"));
    EXPECT_EQ(p->timeOrYear, QStringLiteral("2019"));
    EXPECT_TRUE(p->owner.isEmpty());

    e.mode = -1;
    EXPECT_FALSE(kav::propertiesOfEntry(e));
}
