// The listing parser on lines as real servers and ls write them.

#include "ftp/listing.h"

#include "platform/cp949.h"
#include "platform/utf8x.h"

#include "qt_printers.h"

#include <QFile>
#include <QSet>

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
        {"fewer than nine fields and no date: refused, never a nameless entry", "-rw-r--r-- 1 ftp", false, K::PlainFile, ""},
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

// Lines of every form, each as a real server (or, for MS-DOS, IIS) writes it.
TEST(ListingLines, EveryFormOfTheTable)
{
    using K = EntryKind;
    using F = ListingForm;
    struct Case {
        const char *what;
        QString line;
        F form;
        bool listed;
        K kind;
        QString name;
        qint64 size;
    };
    const QList<Case> cases = {
        // Machine-readable facts (MLSD).
        {"ProFTPD script", "modify=20261210132125;perm=adfrw;size=18;type=file;unique=FE00UAC0282;UNIX.group=2001;"
                           "UNIX.groupname=kuser;UNIX.mode=0755;UNIX.owner=2001;UNIX.ownername=kuser; run.sh\r",
         F::Facts, true, K::ExecutableFile, "run.sh", 18},
        {"ProFTPD 5 GiB file", "modify=20261210132125;perm=adfrw;size=5368709120;type=file;unique=FE00UAC0281;"
                               "UNIX.mode=0644; big5g.bin\r",
         F::Facts, true, K::PlainFile, "big5g.bin", 5368709120LL},
        {"ProFTPD directory with a blank", "modify=20261210132125;perm=flcdmpe;type=dir;unique=FE00UAC0284;"
                                           "UNIX.mode=0755; empty dir\r",
         F::Facts, true, K::Directory, "empty dir", -1},
        {"ProFTPD link", "modify=20261210132125;perm=adfrw;size=6;type=OS.unix=symlink;unique=FE00UAC027A;"
                         "UNIX.mode=0777; 링크폴더\r",
         F::Facts, true, K::Link, "링크폴더", -1},
        {"ProFTPD listed directory", "modify=20261210132125;perm=flcdmpe;type=cdir;unique=FE00UAC0278;UNIX.mode=0755; .\r",
         F::Facts, false, K::PlainFile, "", -1},
        {"ProFTPD parent directory", "modify=20261210132213;perm=fle;type=pdir;unique=FE00UAC0105;UNIX.mode=0755; ..\r",
         F::Facts, false, K::PlainFile, "", -1},
        {"Pure-FTPd two blanks inside", "type=file;size=11;modify=20261210132125;UNIX.mode=0644;UNIX.uid=2001;"
                                        "UNIX.gid=2001;unique=fe00gac027e; two  spaces.txt\r",
         F::Facts, true, K::PlainFile, "two  spaces.txt", 11},
        {"Pure-FTPd directory size", "type=dir;sizd=4096;modify=20261210132125;UNIX.mode=0755;UNIX.uid=2001;"
                                     "UNIX.gid=2001;unique=fe00gac027a; 자료\r",
         F::Facts, true, K::Directory, "자료", -1},
        {"Pure-FTPd link, user", "type=OS.unix=slink:;size=16;modify=20261210132125;UNIX.mode=0777;UNIX.uid=2001;"
                                 "UNIX.gid=2001;unique=fe00gac0280; 링크파일\r",
         F::Facts, true, K::Link, "링크파일", -1},
        {"Pure-FTPd link, anonymous", "type=OS.unix=slink:한글파일.txt;size=16;modify=20261210132125;UNIX.mode=0777;"
                                      "unique=fe00gac0280; 링크파일\r",
         F::Facts, true, K::Link, "링크파일", -1},
        {"Pure-FTPd Korean name with blanks", "type=file;size=11;modify=20190304050600;UNIX.mode=0644;"
                                              "unique=fe00gac027d; 공백 있는 이름.txt\r",
         F::Facts, true, K::PlainFile, "공백 있는 이름.txt", 11},
        {"pyftpdlib default facts", "modify=20261210132125;perm=radfwMT;size=29;type=file; 한글파일.txt\r",
         F::Facts, true, K::PlainFile, "한글파일.txt", 29},
        {"pyftpdlib octal mode", "modify=20261210132125;perm=radfwMT;size=18;type=file;unix.mode=0o755; run.sh\r",
         F::Facts, true, K::ExecutableFile, "run.sh", 18},
        {"blanks at both ends of the name", "modify=20261210132125;perm=radfwMT;size=1;type=file;unix.mode=0o644;   both  \r",
         F::Facts, true, K::PlainFile, "  both  ", 1},
        {"upper-case type", "Type=Dir;Modify=20261210132125; Pub", F::Facts, true, K::Directory, "Pub", -1},
        {"set-user-id without owner x elsewhere", "type=file;size=1;UNIX.mode=4744; s", F::Facts, true, K::PlainFile, "s", 1},
        {"others may run it", "type=file;size=1;UNIX.mode=0645; o", F::Facts, true, K::ExecutableFile, "o", 1},
        {"sticky with x for others only", "type=file;size=1;UNIX.mode=1001; t", F::Facts, true, K::PlainFile, "t", 1},
        {"a value with a blank", "type=file;size=3;UNIX.ownername=Kim Lee; n.txt", F::Facts, true, K::PlainFile, "n.txt", 3},
        {"name holding \"; \"", "type=file;size=3; a; b", F::Facts, true, K::PlainFile, "a; b", 3},
        {"device", "type=OS.unix=chr-13/29;modify=20261210132125; null", F::Facts, false, K::PlainFile, "", -1},
        {"no type", "size=3;modify=20261210132125; x", F::Facts, false, K::PlainFile, "", -1},
        {"no name", "type=file;size=3; \r", F::Facts, false, K::PlainFile, "", -1},
        // UNIX ls -l, from the same servers.
        {"ProFTPD LIST", "-rw-r--r--   1 kuser    kuser    5368709120 Dec 10 13:21 big5g.bin\r",
         F::Unix, true, K::PlainFile, "big5g.bin", 5368709120LL},
        {"inetutils script", "-rwxr-xr-x  1 kuser  kuser          18 Dec 10 13:21 run.sh\r",
         F::Unix, true, K::ExecutableFile, "run.sh", 18},
        {"Pure-FTPd directory", "drwxr-xr-x    3 2001       2001             4096 Dec 10 13:21 자료\r",
         F::Unix, true, K::Directory, "자료", -1},
        {"netkit link", "lrwxrwxrwx 1 kuser kuser 6 Dec 10 13:21 링크폴더 -> 자료\r", F::Unix, true, K::Link, "링크폴더", -1},
        {"a name \"a=b; c\" stays UNIX", "-rw-r--r--   1 ftp ftp 1 Dec 10 03:04 a=b; c\r", F::Unix, true, K::PlainFile,
         "a=b; c", 1},
        // MS-DOS, as IIS writes it.
        {"IIS directory", "12-31-25  01:02PM       <DIR>          자료\r", F::MsDos, true, K::Directory, "자료", -1},
        {"IIS file", "12-31-25  01:02PM                12345 한글파일.txt\r", F::MsDos, true, K::PlainFile, "한글파일.txt", 12345},
        {"IIS program", "02-05-13  03:43PM               135680 SETUP.EXE\r", F::MsDos, true, K::ExecutableFile,
         "SETUP.EXE", 135680},
        {"IIS batch file is text", "02-05-13  03:43PM                  120 run.bat", F::MsDos, true, K::PlainFile, "run.bat", 120},
        {"IIS name with blanks", "02-05-13  11:00AM                   11 공백 있는 이름.txt\r", F::MsDos, true, K::PlainFile,
         "공백 있는 이름.txt", 11},
        {"IIS leading blank of a file name", "02-05-13  11:00AM                   11  lead.txt", F::MsDos, true, K::PlainFile,
         " lead.txt", 11},
        {"IIS 5 GiB file", "12-10-26  01:21PM           5368709120 big5g.bin", F::MsDos, true, K::PlainFile, "big5g.bin",
         5368709120LL},
        {"one-digit hour", "01-02-99  9:05AM       <DIR>          옛 자료", F::MsDos, true, K::Directory, "옛 자료", -1},
        {"four-digit year, 24-hour clock", "12-10-2026  13:21       <DIR>          empty dir", F::MsDos, true, K::Directory,
         "empty dir", -1},
        {"thousands separators", "12-10-26  01:21PM            1,234,567 big.bin", F::MsDos, true, K::PlainFile, "big.bin",
         1234567},
        {"year first", "2026-12-10  13:21                1,234 a.txt", F::MsDos, true, K::PlainFile, "a.txt", 1234},
        {"MLSD link type", "type=link;modify=20261210132125; 바로가기", F::Facts, true, K::Link, "바로가기", -1},
        {"device type f of some servers is a file", "frw-r--r-- 1 ftp ftp 5 Dec 10 03:04 f.txt", F::Unix, true, K::PlainFile,
         "f.txt", 5},
        {"pipe lists nothing", "prw-r--r-- 1 ftp ftp 0 Dec 10 03:04 fifo", F::Unix, false, K::PlainFile, "", -1},
        {"socket lists nothing", "srwxrwxrwx 1 ftp ftp 0 Dec 10 03:04 sock", F::Unix, false, K::PlainFile, "", -1},
        {"\"..\" of ls -a lists nothing", "drwxr-xr-x 2 ftp ftp 4096 Dec 10 03:04 ..", F::Unix, false, K::Directory, "", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = parseListingLine(c.line);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->form, c.form);
        ASSERT_EQ(parsed->entry.has_value(), c.listed);
        if (!c.listed)
            continue;
        EXPECT_EQ(parsed->entry->kind, c.kind);
        EXPECT_EQ(parsed->entry->name, c.name);
        EXPECT_EQ(parsed->entry->size, c.size);
    }
}

TEST(ListingLines, TimesOfTheForms)
{
    const auto facts = classifyListingLine(QStringLiteral("type=file;size=11;modify=20190304050600.123; a"));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->modified, QDateTime(QDate(2019, 3, 4), QTime(5, 6, 0), Qt::UTC));
    EXPECT_FALSE(classifyListingLine(QStringLiteral("type=file;size=1;modify=20191304050600; bad month"))->modified.isValid());
    // An MS-DOS line's time is in a zone nobody names: not kept.
    const auto pm = classifyListingLine(QStringLiteral("12-31-25  01:02PM                    1 a"));
    ASSERT_TRUE(pm);
    EXPECT_FALSE(pm->modified.isValid());
    const auto unixLine = classifyListingLine(QStringLiteral("-rw-r--r-- 1 a b 1 Dec 10 13:21 a"));
    ASSERT_TRUE(unixLine);
    EXPECT_FALSE(unixLine->modified.isValid());
}

// Lines that no form knows list nothing.
TEST(ListingLines, UnknownLines)
{
    for (const QString &line : {QStringLiteral("total 20504\r"), QStringLiteral(""), QStringLiteral("\r"),
                                QStringLiteral("226 Transfer complete"), QStringLiteral(" run.sh"),
                                QStringLiteral("12-31-25 <DIR> x"), QStringLiteral("12-31-25  01:02PM"),
                                QStringLiteral("12-31-25  01:02PM  <DIR>"), QStringLiteral("12-31-25  01:02PM  12345"),
                                QStringLiteral("12-31-25  01:02PM 12a x"), QStringLiteral("12-31-25  1:2PM  1 x"),
                                QStringLiteral("12/31/25  01:02PM  1 x"), QStringLiteral("12-31-25  01:02PM<DIR>   x"),
                                QStringLiteral("12-10-2026  13:21<DIR>   x"), QStringLiteral("1-31-25  01:02PM  <DIR> x"),
                                QStringLiteral("type=file;size=3;x"), QStringLiteral("=file; x"),
                                QStringLiteral("12-31-25  01:02PM  1,23 x"), QStringLiteral("12-31-25  01:02PM  ,123 x"),
                                QStringLiteral("12-31-25  01:02PM       <DIR>     "),
                                QStringLiteral("-rw-r--r-- 1 ftp ftp 5 Dec 10 03:04 "),
                                QStringLiteral("d [R----F--] supervisor            512       Jan 16 18:53    login"),
                                QStringLiteral("crw-rw-rw-   1 root root 1, 3 Dec 10 03:04 null")}) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_FALSE(classifyListingLine(line).has_value());
    }
}

// Korean names of an MS-DOS listing arrive in UTF-8 from a server of today and
// in code page 949 from an old one; decoded in the server's encoding, the line
// is the same.
TEST(ListingLines, MsDosKoreanNamesInBothEncodings)
{
    const QString line = QStringLiteral("12-31-25  01:02PM                12345 똠방각하 자료.hwp\r");
    for (const QString &decoded : {utf8x::decode(line.toUtf8()), cp949::decode(cp949::encode(line))}) {
        const auto entry = classifyListingLine(decoded);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, QStringLiteral("똠방각하 자료.hwp"));
        EXPECT_EQ(entry->kind, EntryKind::PlainFile);
    }
    const QString dir = QStringLiteral("12-31-25  01:02PM       <DIR>          자료실");
    const auto entry = classifyListingLine(cp949::decode(cp949::encode(dir)));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, QStringLiteral("자료실"));
    EXPECT_EQ(entry->kind, EntryKind::Directory);
}

// Whole listings captured from real servers serving one tree: whatever the
// server and whichever form it sent, the entries are the same.
TEST(ListingLines, RealServersListTheSameTree)
{
    using K = EntryKind;
    struct Listed {
        QString name;
        K kind;
        qint64 size;
        bool operator==(const Listed &) const = default;
    };
    const QList<Listed> root = {
        {"big5g.bin", K::PlainFile, 5368709120LL}, {"empty dir", K::Directory, -1},
        {"rand20.bin", K::PlainFile, 20971520}, {"run.sh", K::ExecutableFile, 18},
        {"two  spaces.txt", K::PlainFile, 11}, {"공백 있는 이름.txt", K::PlainFile, 11},
        {"링크파일", K::Link, -1}, {"링크폴더", K::Link, -1},
        {"자료", K::Directory, -1}, {"한글파일.txt", K::PlainFile, 29},
    };
    const QList<Listed> jaryo = {{"안쪽.txt", K::PlainFile, 6}, {"하위", K::Directory, -1}};
    // "ls -la" adds "." and "..": the directory itself and its parent are no entries.
    const QList<Listed> rootWithDots = root;

    struct Capture {
        QByteArray file;
        QList<Listed> expected;
    };
    QList<Capture> captures;
    for (const char *server : {"proftpd_user", "proftpd_anon", "pureftpd_user", "pureftpd_anon", "inetutils_user",
                               "inetutils_anon", "netkit_user_pasv"}) {
        const QByteArray s(server);
        captures << Capture{s + "_LIST.txt", root} << Capture{s + "_LIST_afterUTF8.txt", root}
                 << Capture{s + "_LIST-la.txt", rootWithDots} << Capture{s + "_LIST_jaryo.txt", jaryo};
        if (s.startsWith("proftpd") || s.startsWith("pureftpd"))
            captures << Capture{s + "_MLSD.txt", root} << Capture{s + "_MLSD_jaryo.txt", jaryo};
    }
    for (const Capture &c : captures) {
        SCOPED_TRACE(c.file.toStdString());
        QFile f(QStringLiteral(KAVRIN_FIXTURES "/ftp-servers/") + QString::fromLatin1(c.file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        LineSplitter splitter;
        const QByteArray bytes = f.readAll();
        ASSERT_FALSE(bytes.isEmpty());
        QList<Listed> got;
        for (const QByteArray &raw : splitter.feed(bytes.constData(), bytes.size()))
            if (const auto entry = classifyListingLine(utf8x::decode(raw)))
                got << Listed{entry->name, entry->kind, entry->kind == K::Directory ? -1 : entry->size};
        const auto key = [](const QList<Listed> &l) {
            QStringList out;
            for (const Listed &e : l)
                out << e.name + QLatin1Char('|') + QString::number(int(e.kind)) + QLatin1Char('|') + QString::number(e.size);
            out.sort();
            return out;
        };
        EXPECT_EQ(key(got), key(c.expected));
    }
}

// pyftpdlib's MLSD of a tree with blanks at the ends of names; it follows
// links, so they are listed as what they lead to.
TEST(ListingLines, RealPyftpdlibMlsd)
{
    using K = EntryKind;
    QFile f(QStringLiteral(KAVRIN_FIXTURES "/ftp-servers/pyftpdlib_user_MLSD.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    LineSplitter splitter;
    QList<RemoteEntry> got;
    for (const QByteArray &raw : splitter.feed(bytes.constData(), bytes.size()))
        if (const auto entry = classifyListingLine(utf8x::decode(raw)))
            got << *entry;
    struct Expected {
        QString name;
        K kind;
        qint64 size;
    };
    const QList<Expected> expected = {
        {" 앞 공백.txt", K::PlainFile, 1}, {"run.sh", K::ExecutableFile, 10}, {"자료실", K::Directory, -1},
        {"뒤 공백.txt ", K::PlainFile, 1}, {"링크폴더", K::Directory, -1},      {"empty dir", K::Directory, -1},
        {"한글파일.txt", K::PlainFile, 7}, {"링크파일", K::PlainFile, 7},
    };
    ASSERT_EQ(got.size(), expected.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        EXPECT_EQ(got[i].name, expected[i].name);
        EXPECT_EQ(got[i].kind, expected[i].kind);
        EXPECT_EQ(got[i].size, expected[i].size);
    }
    EXPECT_EQ(got[6].modified, QDateTime(QDate(2019, 3, 4), QTime(5, 6), Qt::UTC));
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

// The host pane reads lines as views into each received block and decodes only
// the names: a line (and a name's multibyte character) cut by a block border
// must come out as the whole line's text does, in either server encoding.
TEST(ListingLines, FromBytesInBlocksOfAnySize)
{
    const QString text = QStringLiteral(
        "-rw-r--r--   1 ftp ftp 7 Dec 10 13:21 한글파일.txt\r\n"
        "type=dir;modify=20261210132125; 자료실 \r\n"
        "lrwxrwxrwx   1 ftp ftp 3 Dec 10 13:21 링크 -> 자료실\r\n"
        "12-31-25  01:02PM                12345 프로그램.EXE\r\n"
        "-rwxr-xr-x   1 ftp ftp 9 Dec 10 13:21  앞 공백\n");
    struct Encoding {
        QByteArray bytes;
        ListingNameDecoder decode;
        qsizetype entries;
    };
    // Code page 949 also gets a name of bytes it cannot decode (kept escaped).
    for (const Encoding &e : {Encoding{utf8x::encode(text), utf8x::decode, 5},
                              Encoding{cp949::encode(text) + "-rw-r--r-- 1 a b 1 Dec 10 13:21 \xff\x81\n",
                                       cp949::decode, 6}}) {
        QList<RemoteEntry> whole;
        for (const QString &line : e.decode(e.bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (const auto entry = classifyListingLine(line))
                whole << *entry;
        ASSERT_EQ(whole.size(), e.entries);
        for (qsizetype block = 1; block <= e.bytes.size(); ++block) {
            LineSplitter splitter(64 * 1024);
            QList<RemoteEntry> got;
            for (qsizetype at = 0; at < e.bytes.size(); at += block)
                for (const QByteArrayView raw : splitter.feedViews(e.bytes.constData() + at,
                                                                   qMin(block, e.bytes.size() - at)))
                    if (const auto entry = classifyListingLine(raw, e.decode))
                        got << *entry;
            ASSERT_EQ(got.size(), whole.size()) << block;
            for (qsizetype i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].name, whole[i].name) << block;
                EXPECT_EQ(got[i].kind, whole[i].kind) << block;
                EXPECT_EQ(got[i].size, whole[i].size) << block;
            }
        }
    }
}
