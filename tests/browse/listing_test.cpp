// The listing parser on lines as real servers and ls write them.

#include "browse/listing.h"

#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

TEST(ListFieldTail, Table)
{
    struct Case {
        QString line;
        int n;
        QString expected;
    };
    const QList<Case> cases = {
        {"a b c", 2, "b c"},
        {"a    b   c", 2, "b   c"},
        {"  a b  ", 1, "a b"},
        {"a", 2, ""},
        {"a b ", 3, ""},
        {"a \tb c", 2, "b c"},       // a tab right after a separator belongs to it
        {"a\tb c", 2, "c"},          // inside a field it does not separate
        {"", 1, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ListFieldTail(c.line, c.n), c.expected) << c.line.toStdString() << " / " << c.n;
}

TEST(ListingLines, ClassifiesRealServerLines)
{
    using K = EntryKind;
    struct Case {
        const char *what;
        QString line;
        bool listed;
        K kind;
        QString name;
    };
    const QString longName(300, QLatin1Char('n'));
    const QList<Case> cases = {
        {"pyftpdlib file", "-rw-r--r--   1 ftp      ftp            12 Dec 10 03:04 hello.txt", true, K::PlainFile, "hello.txt"},
        {"vsftpd file", "-rw-r--r--    1 102      105            12 Dec 10 03:05 hello.txt", true, K::PlainFile, "hello.txt"},
        {"vsftpd directory", "drwxr-xr-x    2 102      105          4096 Dec 10 03:05 pub", true, K::Directory, "pub"},
        {"GNU ls Korean directory", "drwxr-xr-x 2 root root 4096 Dec 10 03:04 자료실", true, K::Directory, "자료실"},
        {"name with inner spaces", "-rwxr-xr-x   1 ftp ftp 100 Dec 10 03:04 setup  prog.sh", true, K::ExecutableFile, "setup  prog.sh"},
        {"CR of CR LF", "-rw-r--r--   1 ftp ftp 1 Dec 10 03:04 a.txt\r", true, K::PlainFile, "a.txt"},
        {"set-user-id without x", "-rwsr--r--   1 ftp ftp 1 Dec 10 03:04 s", true, K::PlainFile, "s"},
        {"executable by others only", "-rw-r--r-x   1 ftp ftp 1 Dec 10 03:04 o", true, K::ExecutableFile, "o"},
        {"old file with a year", "-rw-r--r--   1 ftp ftp 12 Mar 04  2020 old.txt", true, K::PlainFile, "old.txt"},
        {"fewer than nine fields", "-rw-r--r-- 1 ftp", true, K::PlainFile, ""},
        {"name past 255 characters", "-rw-r--r-- 1 ftp ftp 1 Dec 10 03:04 " + longName, true, K::PlainFile, longName},
        {"symbolic link", "lrwxrwxrwx   1 root root 4 Dec 10 03:04 link -> target", true, K::Link, "link"},
        {"link to a directory elsewhere", "lrwxrwxrwx    1 0 0 8 Mar 04  2020 pub -> /srv/pub\r", true, K::Link, "pub"},
        {"leading space kept", "-rw-r--r--   1 ftp ftp 1 Dec 10 03:04  leading.txt\r", true, K::PlainFile, " leading.txt"},
        {"trailing space kept", "-rw-r--r--   1 ftp ftp 1 Dec 10 03:04 trailing.txt \r", true, K::PlainFile, "trailing.txt "},
        {"spaces at both ends after a year", "-rw-r--r--   1 ftp ftp 1 Mar 04  2020  both \r", true, K::PlainFile, " both "},
        {"directory with a trailing space", "drwxr-xr-x   2 ftp ftp 4096 Dec 10 03:04 dir ", true, K::Directory, "dir "},
        {"device", "crw-rw-rw-   1 root root 1, 3 Dec 10 03:04 null", false, K::PlainFile, ""},
        {"total line", "total 12", false, K::PlainFile, ""},
        {"empty line", "", false, K::PlainFile, ""},
        {"line beginning with a space", " -rw-r--r-- 1 ftp ftp 1 Dec 10 03:04 x", false, K::PlainFile, ""},
        {"MS-DOS directory", "12-10-26  03:04AM       <DIR>          pub", false, K::PlainFile, ""},
        {"MS-DOS file", "12-10-26  03:04AM                  12 a.txt", false, K::PlainFile, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto entry = classifyListingLine(c.line);
        ASSERT_EQ(entry.has_value(), c.listed);
        if (c.listed) {
            EXPECT_EQ(entry->kind, c.kind);
            EXPECT_EQ(entry->name, c.name);
        }
    }
}

TEST(LineSplitter, LinesEndAtLineFeedOrNul)
{
    LineSplitter s;
    EXPECT_EQ(s.feed("a\r\nb", 4), QList<QByteArray>{"a\r"});
    EXPECT_EQ(s.feed("c\n", 2), QList<QByteArray>{"bc"});
    EXPECT_EQ(s.feed(QByteArray("x\0y\n", 4).constData(), 4), (QList<QByteArray>{"x", "y"}));
    EXPECT_EQ(s.feed("tail", 4), QList<QByteArray>{});   // never ended: never a line
}

TEST(Lines, OnlyACarriageReturnIsDropped)
{
    EXPECT_EQ(withoutTrailingCR(QStringLiteral("abc\r")), QStringLiteral("abc"));
    EXPECT_EQ(withoutTrailingCR(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(withoutTrailingCR(QString()), QString());
}

TEST(SafeLocalName, Table)
{
    struct Case {
        QString name;
        bool safe;
    };
    const QList<Case> cases = {
        {"a.txt", true}, {"자료.hwp", true}, {"..hidden", true}, {"a:b", true}, {"a\\b", true},
        {"", false}, {".", false}, {"..", false}, {"a/b", false}, {"../etc/passwd", false},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isSafeLocalName(c.name), c.safe) << c.name.toStdString();
}
